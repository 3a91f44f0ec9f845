#include "HttpTransfer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
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
    EXPECT_TRUE(ExpectedPattern(size) == ReadAnsiFile(path));
}

// Small blocks are gathered before they are written, large ones written as they come: bursts of
// both kinds, in every order, must land in the file in the order they were sent.
TEST_F(HttpTransferTest, BodyArrivingInSmallAndLargeBurstsIsWrittenInOrder) {
    const std::string path = Target("bursts.bin");
    std::string sizes;
    size_t total = 0;
    for (const size_t burst : {100, 3000000, 7, 600000, 524288, 1, 1048576, 524287, 2}) {
        sizes += (sizes.empty() ? "" : ",") + std::to_string(burst);
        total += burst;
    }
    ASSERT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/bursts?sizes=" + sizes), path));
    EXPECT_TRUE(ExpectedPattern(total) == ReadAnsiFile(path))
        << "the file differs from the " << total << " bytes sent";
    std::string body;
    ASSERT_EQ(CURLE_OK, FetchToString(TestServerUrl("/bursts?sizes=" + sizes), body));
    EXPECT_TRUE(ExpectedPattern(total) == body) << "the string differs from the bytes sent";
}

TEST_F(HttpTransferTest, EmptyBodyCreatesNoFileAndKeepsAnExistingOne) {
    const std::string fresh = Target("fresh.pdf");
    EXPECT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/empty"), fresh));
    EXPECT_FALSE(Exists(fresh));

    const std::string existing = Target("existing.pdf");
    WriteAnsiFile(existing, "old content");
    EXPECT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/empty"), existing));
    EXPECT_EQ("old content", ReadAnsiFile(existing));

    EXPECT_EQ(0, ReplaceByDownload(TestServerUrl("/empty"), existing))
        << "an empty body saved nothing";
    EXPECT_EQ("old content", ReadAnsiFile(existing)) << "an empty body removed the old file";
}

TEST_F(HttpTransferTest, ErrorPagesAndRedirectsAreStoredNotFollowed) {
    const std::string page = Target("missing.html");
    EXPECT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/missing"), page));
    EXPECT_EQ("<html><body><h1>404 Not Found</h1></body></html>", ReadAnsiFile(page));

    const std::string moved = Target("moved.html");
    EXPECT_EQ(CURLE_OK, DownloadToFile(TestServerUrl("/redirect"), moved));
    EXPECT_FALSE(Exists(moved));
}

TEST_F(HttpTransferTest, UnwritableTargetIsAWriteErrorAndLeavesNoFile) {
    const std::string path = Target("no-such-folder\\file.xls");
    EXPECT_EQ(CURLE_WRITE_ERROR, DownloadToFile(TestServerUrl("/normal"), path));
    EXPECT_FALSE(Exists(path));
}

TEST_F(HttpTransferTest, ReplaceKeepsTheOldFileUntilTheNewOneArrivedComplete) {
    const std::string path = Target("report.pdf");
    WriteAnsiFile(path, "old report");
    EXPECT_EQ(0, ReplaceByDownload("http://127.0.0.1:1/r.pdf", path));
    EXPECT_EQ("old report", ReadAnsiFile(path)) << "a refused connection removed the old file";
    EXPECT_EQ(0, ReplaceByDownload(TestServerUrl("/broken?size=4000"), path));
    EXPECT_EQ("old report", ReadAnsiFile(path)) << "a broken transfer replaced the old file";
    EXPECT_EQ(std::vector<std::wstring>{L"report.pdf"}, FileNames(temp.path()))
        << "a failed transfer left a temporary file";

    EXPECT_EQ(1, ReplaceByDownload(TestServerUrl("/normal"), path));
    EXPECT_EQ(kNormalBody, ReadAnsiFile(path));
    EXPECT_EQ(std::vector<std::wstring>{L"report.pdf"}, FileNames(temp.path()));
}

TEST_F(HttpTransferTest, AWholeFileAppearsOnlyForACompleteSuccessfulTransfer) {
    const std::string path = Target("setup.zip");
    EXPECT_EQ(CURLE_HTTP_RETURNED_ERROR, DownloadWholeFile(TestServerUrl("/missing"), path));
    EXPECT_EQ(CURLE_PARTIAL_FILE, DownloadWholeFile(TestServerUrl("/broken?size=4000"), path));
    EXPECT_EQ(CURLE_COULDNT_CONNECT, DownloadWholeFile("http://127.0.0.1:1/setup.zip", path));
    EXPECT_EQ(CURLE_OK, DownloadWholeFile(TestServerUrl("/empty"), path));
    EXPECT_TRUE(FileNames(temp.path()).empty()) << "a failed or empty transfer left a file";

    ASSERT_EQ(CURLE_OK, DownloadWholeFile(TestServerUrl("/large?size=300000"), path));
    EXPECT_EQ(ExpectedPattern(300000), ReadAnsiFile(path));
    EXPECT_EQ(CURLE_WRITE_ERROR, DownloadWholeFile(TestServerUrl("/normal"), path))
        << "an existing file must not be replaced";
    EXPECT_EQ(ExpectedPattern(300000), ReadAnsiFile(path));
    EXPECT_EQ(std::vector<std::wstring>{L"setup.zip"}, FileNames(temp.path()));
}

// A short body is written in one block when the transfer ends. Wine's "Z:\\dev\\full" is a disk
// that is always full: opening it succeeds, every write fails with ERROR_DISK_FULL.
TEST_F(HttpTransferTest, AFailedFinalWriteIsAWriteError) {
    EXPECT_EQ(CURLE_WRITE_ERROR, DownloadToFile(TestServerUrl("/normal"), "Z:\\dev\\full"));
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
    EXPECT_TRUE(expected == ReadAnsiFile(Target("a.bin")));
    EXPECT_TRUE(expected == ReadAnsiFile(Target("b.bin")));
}

TEST(FetchToString, FetchesTheBodyWithoutCredentials) {
    std::string out = "stale";
    EXPECT_EQ(CURLE_OK, FetchToString(TestServerUrl("/normal"), out));
    EXPECT_EQ("credentials missing", out);
    EXPECT_EQ(CURLE_OK, FetchToString(TestServerUrl("/echo?text=%7B%22curver%22%3A1%7D"), out));
    EXPECT_EQ("{\"curver\":1}", out);
}

TEST(FetchToString, UnreachableHostFailsWithEmptyOutput) {
    std::string out = "stale";
    EXPECT_EQ(CURLE_COULDNT_CONNECT, FetchToString("http://127.0.0.1:1/curver.json", out));
    EXPECT_TRUE(out.empty());
}

TEST(FetchToString, SilentServerTimesOut) {
    std::string out = "stale";
    const DWORD start = GetTickCount();
    EXPECT_EQ(CURLE_OPERATION_TIMEDOUT, FetchToString(TestServerUrl("/silent"), out));
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_TRUE(out.empty());
    EXPECT_GE(elapsed, 9000u) << "gives up after about ten seconds, not at once";
}
