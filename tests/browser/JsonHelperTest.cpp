#include "JsonHelper.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "LogFile.h"
#include "TempFolder.h"

namespace {

struct PathCase {
    const char* json;
    const char* path;
    int asInteger;
    const char* out;
    int result;
};

// The case as text in failure output and in the test's parameter line (bytes outside ASCII
// escaped).
void PrintTo(const PathCase& c, std::ostream* os) {
    using ::testing::PrintToString;
    *os << "GetArray(" << PrintToString(std::string(c.json)) << ", "
        << PrintToString(std::string(c.path)) << ", asInteger " << c.asInteger << ") -> "
        << c.result << ", " << PrintToString(std::string(c.out));
}

class GetArrayPaths : public ::testing::TestWithParam<PathCase> {};

size_t LogSize() {
    const std::string name = g_logFile.GetLogFileName();
    return ReadFileBytes(std::wstring(name.begin(), name.end())).size();
}

std::string LogTail(size_t from) {
    const std::string name = g_logFile.GetLogFileName();
    return ReadFileBytes(std::wstring(name.begin(), name.end())).substr(from);
}

}  // namespace

TEST(MapToJson, MembersFollowKeyOrderAndEmbedOnlyObjectTexts) {
    std::string out;
    IJsonHelper::MapToJson({}, out);
    EXPECT_EQ("{}", out);

    IJsonHelper::MapToJson({{"msg", "ok"}, {"code", "0"}}, out);
    EXPECT_EQ("{\"code\":\"0\",\"msg\":\"ok\"}", out);

    IJsonHelper::MapToJson(
        {{"a", "{\"x\": 1}"}, {"b", "[{\"y\":2}]"}, {"c", "[1,2]"}, {"d", " {}"}}, out);
    EXPECT_EQ("{\"a\":{\"x\":1},\"b\":[{\"y\":2}],\"c\":\"[1,2]\",\"d\":\" {}\"}", out);

    IJsonHelper::MapToJson({{"bad", "{not json"}, {"good", "1"}}, out);
    EXPECT_EQ("{\"good\":\"1\"}", out);

    IJsonHelper::MapToJson({{"q", "say \"hi\"\\\n\t"}}, out);
    EXPECT_EQ("{\"q\":\"say \\\"hi\\\"\\\\\\n\\t\"}", out);
}

TEST(MapToJson, ChineseTextStaysInTheAnsiCodePage) {
    std::string out;
    IJsonHelper::MapToJson({{"msg", "下载成功"}}, out);
    EXPECT_EQ("{\"msg\":\"\xCF\xC2\xD4\xD8\xB3\xC9\xB9\xA6\"}", out);

    std::string read;
    ASSERT_EQ(1, IJsonHelper::GetArray(out, "msg", read, 1));
    EXPECT_EQ("下载成功", read);
}

TEST_P(GetArrayPaths, ReadsTheValueAtThePath) {
    const PathCase& c = GetParam();
    std::string out = "untouched";
    EXPECT_EQ(c.result, IJsonHelper::GetArray(c.json, c.path, out, c.asInteger));
    EXPECT_EQ(c.out, out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GetArrayPaths,
    ::testing::Values(PathCase{"{\"curver\":\"2.1.0\"}", "curver", 1, "2.1.0", 1},
                      PathCase{"{\"curver\":\"2.1.0\"}", "CURVER", 1, "2.1.0", 1},
                      PathCase{"{\"a\":{\"b\":5}}", "a|b", 1, "5", 1},
                      PathCase{"{\"a\":{\"b\":5}}", "a|b", 0, "5.000000", 1},
                      PathCase{"{\"n\":-7.9}", "n", 1, "-7", 1},
                      PathCase{"{\"list\":[1,2]}", "LIST", 1, "{\"list\":[1,2]}", 1},
                      PathCase{"{\"a\":\"x\",\"b\":\"y\"}", "a|b", 1, "", 1},
                      PathCase{"{\"a\":{\"b\":5}}", "a||b", 1, "5", 1},
                      PathCase{"{\"a\":{\"b\":5}}", "|a|b|", 1, "5", 1},
                      PathCase{"{\"a\":{\"b\":5}}", "a|c", 1, "", 1},
                      PathCase{"{\"a\":{\"b\":5}}", "a", 1, "untouched", 1},
                      PathCase{"{\"a\":null}", "a", 1, "", 1}, PathCase{"{\"a\":1}", "b", 1, "", 0},
                      // Names outside ASCII, one of them with "|" as its second byte.
                      PathCase{"{\"\xB7\xA2\xC6\xB1\":{\"\x81\x7C\":\"7\"}}",
                               "\xB7\xA2\xC6\xB1|\x81\x7C", 1, "7", 1}));

TEST(GetArray, HugeNumbersKeepTheirIntegerDigits) {
    std::string out;
    ASSERT_EQ(1, IJsonHelper::GetArray("{\"n\":1e20}", "n", out, 1));
    EXPECT_EQ("100000000000000000000", out);
}

TEST(GetArray, NotJsonOrEmptyPathFailsLogsAndLeavesOutputAlone) {
    for (const auto& [json, path] : {std::pair<const char*, const char*>{"not json", "curver"},
                                     {"{\"curver\":1}", ""},
                                     {"{\"curver\":1}", "||"}}) {
        SCOPED_TRACE(std::string("json ") + json + ", path \"" + path + "\"");
        const size_t before = LogSize();
        std::string out = "旧值";
        EXPECT_EQ(0, IJsonHelper::GetArray(json, path, out, 1));
        EXPECT_EQ("旧值", out);
        const std::string logged = LogTail(before);
        EXPECT_NE(std::string::npos,
                  logged.find("IJsonHelper::GetArray : \xBD\xE2\xCE\xF6Json\xD0\xC5\xCF\xA2\xD3\xD0"
                              "\xCE\xF3\r\n"));
        EXPECT_NE(std::string::npos,
                  logged.find(std::string("IJsonHelper::GetArray PATH : ") + path + "\r\n"));
    }
}
