#include "LogFile.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "TempFolder.h"

namespace {

std::vector<std::string> ReadLines(const std::string& file) {
    std::wstring wide(file.begin(), file.end());
    const std::string bytes = ReadFileBytes(wide);
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class LogFileTest : public ::testing::Test {
protected:
    TempFolder temp;
    std::string folder = temp.narrowPath() + "\\_OrvanLog";
};

}  // namespace

TEST(LogFileGlobal, FolderIsCreatedBesideTheExecutable) {
    const std::wstring expected = ExecutableFolder() + L"_OrvanLog";
    EXPECT_TRUE(PathIsDirectoryW(expected.c_str()));
    EXPECT_EQ(std::string(expected.begin(), expected.end()), g_logFile.GetFolder());
}

TEST_F(LogFileTest, FileNameIsFolderPrefixAndToday) {
    CLogFile log(folder);
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_s(&local, &now);
    char expected[64];
    std::snprintf(expected, sizeof expected, "\\Orvan_%04d-%02d-%02d.log", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday);
    EXPECT_EQ(folder + expected, log.GetLogFileName());
    EXPECT_TRUE(PathIsDirectoryA(folder.c_str()));
}

TEST_F(LogFileTest, LineHasDateTimeThreadTitleAndTextInCodePageBytes) {
    CLogFile log(folder);
    log.WriteLog(3, "主窗口结束", "endDialog");

    const std::string name = log.GetLogFileName();
    const std::string bytes = ReadFileBytes(std::wstring(name.begin(), name.end()));
    const std::regex shape(
        "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} (\\d+) "
        "\xD6\xF7\xB4\xB0\xBF\xDA\xBD\xE1\xCA\xF8 : endDialog\r\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(bytes, match, shape)) << bytes;
    EXPECT_EQ(std::to_string(GetCurrentThreadId()), match[1].str());
}

TEST_F(LogFileTest, LevelsUpToThreeAreWrittenAndHigherDropped) {
    CLogFile log(folder);
    log.WriteLog(1, "t", "error");
    log.WriteLog(3, "t", "progress");
    log.WriteLog(4, "t", "detail");
    log.WriteLog(-5, "t", "urgent");

    const auto lines = ReadLines(log.GetLogFileName());
    ASSERT_EQ(3u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("t : error"));
    EXPECT_NE(std::string::npos, lines[1].find("t : progress"));
    EXPECT_NE(std::string::npos, lines[2].find("t : urgent"));
}

TEST_F(LogFileTest, PercentSignsAreWrittenLiterally) {
    CLogFile log(folder);
    log.WriteLog(3, "100%s", "%d%% %n%s");
    const auto lines = ReadLines(log.GetLogFileName());
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find(" 100%s : %d%% %n%s\r"));
}

TEST_F(LogFileTest, NewLinesAreAppendedAfterTheFileWasDeleted) {
    CLogFile log(folder);
    log.WriteLog(3, "a", "first");
    ASSERT_TRUE(DeleteFileA(log.GetLogFileName().c_str()));
    log.WriteLog(3, "a", "second");
    const auto lines = ReadLines(log.GetLogFileName());
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("a : second"));
}

TEST_F(LogFileTest, MissingParentFolderDropsLinesQuietly) {
    const std::string unreachable = temp.narrowPath() + "\\missing\\deeper\\_OrvanLog";
    CLogFile log(unreachable);
    EXPECT_FALSE(PathFileExistsA(unreachable.c_str()));
    log.WriteLog(1, "title", "text");
    EXPECT_FALSE(PathFileExistsA(log.GetLogFileName().c_str()));
}

TEST_F(LogFileTest, ConcurrentWritersProduceWholeLinesAndLoseNone) {
    CLogFile log(folder);
    constexpr int kThreads = 8;
    constexpr int kLinesEach = 200;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&log, t] {
            for (int i = 0; i < kLinesEach; ++i) {
                log.WriteLog(3, "writer" + std::to_string(t), "line " + std::to_string(i));
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }

    const std::regex shape(
        "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} \\d+ writer(\\d) : line (\\d+)\r");
    std::set<std::pair<int, int>> seen;
    for (const auto& line : ReadLines(log.GetLogFileName())) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, shape)) << line;
        seen.emplace(std::stoi(match[1]), std::stoi(match[2]));
    }
    EXPECT_EQ(static_cast<size_t>(kThreads * kLinesEach), seen.size());
}
