#include "HttpTransfer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

#include "CodePage.h"
#include "TempFolder.h"
#include "TestServer.h"

namespace {

constexpr char kNormalBytes[] = "Tessel test body\r\n\x00\xff binary too\n";
const std::string kNormalBody(kNormalBytes, sizeof kNormalBytes - 1);

std::string ExpectedPattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadAnsiFile(const std::string& path) {
    return ReadFileBytes(AnsiToWide(path));
}

void WriteAnsiFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

class HttpTransferTest : public ::testing::Test {
protected:
    std::string Target(const std::string& name) const { return temp.narrowPath() + "\\" + name; }
    TempFolder temp;
};

}  // namespace

TEST_F(HttpTransferTest, DownloadStoresTheBodyAndSendsTheCredentials) {
    const std::string path = Target("报表.xls");
    ASSERT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/normal"), path));
    EXPECT_EQ(kNormalBody, ReadAnsiFile(path));

    ASSERT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/auth"), path));
    EXPECT_EQ("Basic TU9WQVI6TU9WQVI=", ReadAnsiFile(path)) << "replaces the earlier content";
}

TEST_F(HttpTransferTest, LargeBodyArrivesIntact) {
    const std::string path = Target("large.bin");
    const size_t size = 24 * 1024 * 1024 + 7;
    ASSERT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/large?size=" + std::to_string(size)), path));
    EXPECT_TRUE(ExpectedPattern(size) == ReadAnsiFile(path)) << "the large body arrived altered";
}

// Small blocks are gathered before they are written, large ones written as they come: bursts of
// both kinds, in every order, must land in the file in the order they were sent.
TEST_F(HttpTransferTest, BodyArrivingInSmallAndLargeBurstsIsWrittenInOrder) {
    const auto route = [](std::initializer_list<size_t> bursts, size_t& total) {
        std::string sizes;
        total = 0;
        for (const size_t burst : bursts) {
            sizes += (sizes.empty() ? "" : ",") + std::to_string(burst);
            total += burst;
        }
        return TestServerUrl("/bursts?sizes=" + sizes);
    };
    const std::string path = Target("bursts.bin");
    size_t total = 0;
    const std::string toFile =
        route({100, 3000000, 7, 600000, 524288, 1, 1048576, 524287, 2}, total);
    ASSERT_EQ(CURLE_OK, DownloadToFile(toFile, path));
    EXPECT_TRUE(ExpectedPattern(total) == ReadAnsiFile(path))
        << "the file differs from the " << total << " bytes sent";
    // What FetchToString takes whole.
    const std::string toString = route({100, 600000, 7, 1, 400000, 2}, total);
    std::string body;
    ASSERT_EQ(CURLE_OK, FetchToString(toString, body));
    EXPECT_TRUE(ExpectedPattern(total) == body) << "the string differs from the bytes sent";
}

TEST_F(HttpTransferTest, EmptyBodyCreatesNoFileAndKeepsAnExistingOne) {
    const std::string fresh = Target("fresh.pdf");
    EXPECT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/empty"), fresh));
    EXPECT_FALSE(Exists(fresh)) << "an empty body created a file";

    const std::string existing = Target("existing.pdf");
    WriteAnsiFile(existing, "old content");
    EXPECT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/empty"), existing));
    EXPECT_EQ("old content", ReadAnsiFile(existing));

    EXPECT_EQ(0, ReplaceByDownload(TestServerUrl("/empty"), existing))
        << "an empty body saved nothing";
    EXPECT_EQ("old content", ReadAnsiFile(existing)) << "an empty body removed the old file";
}

// An error page, or the empty answer of a redirect, is no file: every way to download fails with
// the same result and leaves what was there, and no temporary file.
TEST_F(HttpTransferTest, OnlyASuccessStatusIsADownload) {
    const std::string path = Target("report.xls");
    WriteAnsiFile(path, "old");
    for (const std::string route :
         {"/missing", "/status?code=500", "/redirect", "/status?code=302", "/status?code=204"}) {
        SCOPED_TRACE(route);
        const int expected = route == "/status?code=204" ? CURLE_OK : CURLE_HTTP_RETURNED_ERROR;
        EXPECT_EQ(expected, DownloadToFile(TestServerUrl(route), path));
        EXPECT_EQ(0, ReplaceByDownload(TestServerUrl(route), path)) << "reported as saved";
        for (const auto& [placement, name] :
             {std::pair<Placement, const char*>{Placement::kReplace, "replace"},
              {Placement::kKeepExisting, "keep existing"},
              {Placement::kNextFreeName, "next free name"}}) {
            SCOPED_TRACE(name);
            const DownloadResult download = DownloadFile(TestServerUrl(route), path, placement);
            EXPECT_EQ(expected, download.code);
            EXPECT_EQ("", download.path) << "a file was put in place";
        }
        EXPECT_EQ("old", ReadAnsiFile(path)) << "the file was replaced";
        EXPECT_EQ(std::vector<std::wstring>{L"report.xls"}, FileNames(temp.path()))
            << "a file was left beside it";
    }
}

// Protocols other than http and https never run, whatever libcurl was built with.
TEST_F(HttpTransferTest, OnlyHttpAndHttpsAreFetched) {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::string local = "file:///" + WideToUtf8(windows) + "/win.ini";
    for (const std::string& url :
         {local, std::string("dict://127.0.0.1:1/d:x"), std::string("telnet://127.0.0.1:1/"),
          std::string("ftp://127.0.0.1:1/a")}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(CURLE_UNSUPPORTED_PROTOCOL, DownloadToFile(url, Target("w.txt")));
        std::string out;
        EXPECT_EQ(CURLE_UNSUPPORTED_PROTOCOL, FetchToString(url, out));
        EXPECT_EQ("", out);
    }
    EXPECT_TRUE(FileNames(temp.path()).empty()) << "a local file was copied";
}

TEST_F(HttpTransferTest, UnwritableTargetIsAWriteErrorAndLeavesNoFile) {
    const std::string path = Target("no-such-folder\\file.xls");
    EXPECT_EQ(CURLE_WRITE_ERROR, DownloadToFile(TestServerUrl("/normal"), path));
    EXPECT_FALSE(Exists(path)) << "a file was left at the unwritable target";
}

TEST_F(HttpTransferTest, TheOldFileStaysUntilTheNewOneArrivedComplete) {
    const std::string path = Target("发票.xls");
    WriteAnsiFile(path, "old report");
    for (const std::string& url :
         {std::string("http://127.0.0.1:1/r.pdf"), TestServerUrl("/broken?size=4000")}) {
        SCOPED_TRACE(url);
        EXPECT_NE(CURLE_OK, DownloadToFile(url, path));
        EXPECT_EQ(0, ReplaceByDownload(url, path));
        EXPECT_EQ("old report", ReadAnsiFile(path)) << "a failed transfer touched the old file";
        EXPECT_EQ(std::vector<std::wstring>{L"发票.xls"}, FileNames(temp.path()))
            << "a failed transfer left a temporary file";
    }
    EXPECT_EQ(1, ReplaceByDownload(TestServerUrl("/normal"), path));
    EXPECT_EQ(kNormalBody, ReadAnsiFile(path));
    EXPECT_EQ(std::vector<std::wstring>{L"发票.xls"}, FileNames(temp.path()));
}

TEST_F(HttpTransferTest, APlacementThatMustNotReplaceKeepsTheExistingFile) {
    const std::string path = Target("setup.zip");
    ASSERT_EQ("", DownloadFile(TestServerUrl("/empty"), path, Placement::kKeepExisting).path);
    EXPECT_TRUE(FileNames(temp.path()).empty()) << "an empty body left a file";

    const DownloadResult first =
        DownloadFile(TestServerUrl("/large?size=300000"), path, Placement::kKeepExisting);
    ASSERT_EQ(CURLE_OK, first.code);
    EXPECT_EQ(path, first.path);
    EXPECT_EQ(ExpectedPattern(300000), ReadAnsiFile(path));
    const DownloadResult second =
        DownloadFile(TestServerUrl("/normal"), path, Placement::kKeepExisting);
    EXPECT_EQ(CURLE_WRITE_ERROR, second.code) << "an existing file must not be replaced";
    EXPECT_EQ("", second.path);
    EXPECT_EQ(ExpectedPattern(300000), ReadAnsiFile(path));
    EXPECT_EQ(std::vector<std::wstring>{L"setup.zip"}, FileNames(temp.path()));
}

// The free name is taken when the file is complete: a file that appeared while the download ran
// keeps its name and its content.
TEST_F(HttpTransferTest, AFileThatAppearsDuringTheTransferIsNotReplaced) {
    const std::string path = Target("a.xls");
    DownloadResult download;
    std::thread transfer([&] {
        download =
            DownloadFile(TestServerUrl("/trickle?gap=400&count=6"), path, Placement::kNextFreeName);
    });
    // The temporary file appears with the first byte; the user's file appears after it.
    for (int waited = 0; FileNames(temp.path()).empty() && waited < 5000; waited += 20) {
        Sleep(20);
    }
    WriteAnsiFile(path, "mine");
    transfer.join();
    ASSERT_EQ(CURLE_OK, download.code);
    EXPECT_EQ(Target("a(1).xls"), download.path);
    EXPECT_EQ(ExpectedPattern(6), ReadAnsiFile(Target("a(1).xls")));
    EXPECT_EQ("mine", ReadAnsiFile(path)) << "the file that appeared was replaced";
    EXPECT_EQ((std::vector<std::wstring>{L"a(1).xls", L"a.xls"}), FileNames(temp.path()));
}

// A temporary name beside the target must not push a path that fits over the length limit.
TEST_F(HttpTransferTest, APathThatFitsWorksEvenWhenItsTemporaryNameWouldNot) {
    const std::string folder = temp.narrowPath() + "\\";
    const std::string path = folder + std::string(MAX_PATH - 1 - folder.size() - 4, 'n') + ".xls";
    ASSERT_EQ(static_cast<size_t>(MAX_PATH - 1), path.size());
    EXPECT_EQ(1, ReplaceByDownload(TestServerUrl("/normal"), path));
    EXPECT_EQ(kNormalBody, ReadAnsiFile(path));
    EXPECT_EQ(1u, FileNames(temp.path()).size()) << "a temporary file was left";
}

// A server that accepts and then sends nothing ends the transfer after the stall limit; one that
// sends slowly but steadily runs to its end however long that takes.
TEST_F(HttpTransferTest, StalledTransfersFailAndSlowOnesFinish) {
    DownloadOptions options;
    options.stallLimitMs = 1500;
    const std::string path = Target("s.xls");
    WriteAnsiFile(path, "old");
    for (const std::string route : {"/silent", "/stall?size=4000"}) {
        SCOPED_TRACE(route);
        const DWORD start = GetTickCount();
        EXPECT_EQ(CURLE_OPERATION_TIMEDOUT,
                  DownloadFile(TestServerUrl(route), path, Placement::kReplace, options).code);
        EXPECT_LT(GetTickCount() - start, 20000u) << "did not give up after the stall limit";
        EXPECT_EQ("old", ReadAnsiFile(path));
    }
    const DownloadResult slow =
        DownloadFile(TestServerUrl("/trickle?gap=700&count=5"), path, Placement::kReplace, options);
    EXPECT_EQ(CURLE_OK, slow.code) << "a download that kept moving was stopped";
    EXPECT_EQ(ExpectedPattern(5), ReadAnsiFile(path));
    EXPECT_EQ(std::vector<std::wstring>{L"s.xls"}, FileNames(temp.path()));
}

// Without a limit of its own, a download gives up a minute after the last byte arrived.
TEST_F(HttpTransferTest, AStalledDownloadGivesUpAfterAMinute) {
    const DWORD start = GetTickCount();
    EXPECT_EQ(CURLE_OPERATION_TIMEDOUT,
              DownloadToFile(TestServerUrl("/stall?size=4000"), Target("x.xls")));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 59000u) << "gave up before a minute of silence";
    EXPECT_LT(elapsed, 85000u) << "waited for the server far past a minute";
    EXPECT_TRUE(FileNames(temp.path()).empty()) << "a stalled download left a file";
}

TEST_F(HttpTransferTest, ReplaceTakesUrlsOfAnyLength) {
    const std::string text(600, 'u');
    const std::string path = Target("long.txt");
    ASSERT_EQ(1, ReplaceByDownload(TestServerUrl("/echo?text=" + text), path));
    EXPECT_EQ(text, ReadAnsiFile(path));
}

TEST_F(HttpTransferTest, ProgressCallbackSeesTheTransfer) {
    struct Seen {
        curl_off_t total = 0;
        curl_off_t now = 0;
    } seen;
    const auto progress = [](void* data, curl_off_t total, curl_off_t now, curl_off_t,
                             curl_off_t) -> int {
        auto* s = static_cast<Seen*>(data);
        s->total = total;
        s->now = now;
        return 0;
    };
    ASSERT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/large?size=100000"), Target("p.bin"),
                                       progress, &seen));
    EXPECT_EQ(100000, seen.total);
    EXPECT_EQ(100000, seen.now);
}

TEST_F(HttpTransferTest, TwoThreadsDownloadAtTheSameTime) {
    const size_t size = 8 * 1024 * 1024;
    const std::string url = TestServerUrl("/large?size=" + std::to_string(size));
    int results[2] = {-1, -1};
    std::thread first([&] { results[0] = DownloadToFile(url, Target("a.bin")); });
    std::thread second([&] { results[1] = DownloadToFile(url, Target("b.bin")); });
    first.join();
    second.join();
    EXPECT_EQ(CURLE_OK, results[0]);
    EXPECT_EQ(CURLE_OK, results[1]);
    const std::string expected = ExpectedPattern(size);
    EXPECT_TRUE(expected == ReadAnsiFile(Target("a.bin")))
        << "the first of two parallel downloads arrived altered";
    EXPECT_TRUE(expected == ReadAnsiFile(Target("b.bin")))
        << "the second of two parallel downloads arrived altered";
}

TEST(FetchToString, FetchesTheBodyWithoutCredentials) {
    std::string out = "stale";
    EXPECT_EQ(CURLE_OK, FetchToString(TestServerUrl("/echo?text=%7B%22curver%22%3A1%7D"), out));
    EXPECT_EQ("{\"curver\":1}", out);
    EXPECT_EQ(CURLE_OK, FetchToString(TestServerUrl("/auth"), out));
    EXPECT_EQ("", out) << "sent an Authorization header";
}

TEST(FetchToString, ErrorStatusesAndOverlongBodiesFailWithEmptyOutput) {
    const struct {
        std::string route;
        int result;
    } cases[] = {
        {"/missing", CURLE_HTTP_RETURNED_ERROR},
        {"/normal", CURLE_HTTP_RETURNED_ERROR},  // 401 without credentials
        {"/large?size=" + std::to_string(kFetchLimit), CURLE_OK},
        {"/large?size=" + std::to_string(kFetchLimit + 1), CURLE_FILESIZE_EXCEEDED},
        {"/bursts?sizes=600000,600000", CURLE_FILESIZE_EXCEEDED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.route);
        std::string out = "stale";
        EXPECT_EQ(c.result, FetchToString(TestServerUrl(c.route), out));
        EXPECT_EQ(c.result == CURLE_OK ? kFetchLimit : 0u, out.size());
    }
}

// A hostile length is refused before anything is reserved for it, without waiting for a body.
TEST(FetchToString, AHugeAnnouncedLengthIsRefusedAtOnce) {
    for (const char* size : {"536870912", "4294967295", "9223372036854775807"}) {
        SCOPED_TRACE(size);
        std::string out = "stale";
        const DWORD start = GetTickCount();
        EXPECT_EQ(CURLE_FILESIZE_EXCEEDED,
                  FetchToString(TestServerUrl(std::string("/hugelength?size=") + size), out));
        EXPECT_LT(GetTickCount() - start, 5000u) << "waited for the announced body";
        EXPECT_TRUE(out.empty()) << "a body over the limit was kept";
    }
}

TEST(FetchToString, UnreachableHostFailsWithEmptyOutput) {
    std::string out = "stale";
    EXPECT_EQ(CURLE_COULDNT_CONNECT, FetchToString("http://127.0.0.1:1/curver.json", out));
    EXPECT_TRUE(out.empty()) << "the output kept its stale text";
}

TEST(FetchToString, SilentServerTimesOut) {
    std::string out = "stale";
    const DWORD start = GetTickCount();
    EXPECT_EQ(CURLE_OPERATION_TIMEDOUT, FetchToString(TestServerUrl("/silent"), out));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_TRUE(out.empty()) << "the output kept its stale text";
    EXPECT_GE(elapsed, 9000u) << "gives up after about ten seconds, not at once";
}
