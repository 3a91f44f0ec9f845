#include "ConnText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LookupCase {
    const wchar_t* text;
    const wchar_t* key;
    int found;
    const wchar_t* value;
};

class ConnTextLookup : public ::testing::TestWithParam<LookupCase> {};

}  // namespace

TEST_P(ConnTextLookup, FindsTheValueOfAWholeKey) {
    const LookupCase& c = GetParam();
    wchar_t out[kConnValueCapacity];
    std::fill(std::begin(out), std::end(out), L'#');
    ASSERT_EQ(c.found, GetConnValue(c.text, c.key, out));
    if (c.found) {
        EXPECT_STREQ(c.value, out);
    } else {
        EXPECT_EQ(L'#', out[0]) << "a failed lookup leaves the output alone";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ConnTextLookup,
    ::testing::Values(
        LookupCase{L"ip=10.0.0.1;port=80", L"ip", 1, L"10.0.0.1"},
        LookupCase{L"ip=10.0.0.1;port=80", L"port", 1, L"80"},
        LookupCase{L"port=80;ip=10.0.0.1", L"ip", 1, L"10.0.0.1"},
        LookupCase{L"xip=1;ip=10.0.0.1;port=80", L"ip", 1, L"10.0.0.1"},
        LookupCase{L"IP=10.0.0.1;port=80", L"ip", 0, nullptr},
        LookupCase{L"ipx=1;port=80", L"ip", 0, nullptr},
        LookupCase{L"ip;port=80", L"ip", 0, nullptr}, LookupCase{L"ip", L"ip", 0, nullptr},
        LookupCase{L" ip=1", L"ip", 0, nullptr}, LookupCase{L"ip=;port=80", L"ip", 1, L""},
        LookupCase{L"ip=1;port=", L"port", 1, L""}, LookupCase{L"a=ip=2;ip=3", L"ip", 1, L"3"},
        LookupCase{L"name=x;;ip=4", L"ip", 1, L"4"}, LookupCase{L"", L"ip", 0, nullptr}));

TEST(ConnTextLength, ValuesBelowTheCapacityFitAndLongerOnesFail) {
    wchar_t out[kConnValueCapacity];
    const std::wstring fits(kConnValueCapacity - 1, L'7');
    ASSERT_EQ(1, GetConnValue((L"port=" + fits + L";ip=1").c_str(), L"port", out));
    EXPECT_EQ(fits, out);

    const std::wstring tooLong(kConnValueCapacity, L'7');
    EXPECT_EQ(0, GetConnValue((L"port=" + tooLong).c_str(), L"port", out));
    const std::wstring huge(100000, L'7');
    EXPECT_EQ(0, GetConnValue((L"port=" + huge).c_str(), L"port", out));
}

TEST(ConnTextArguments, MissingArgumentsFindNothing) {
    wchar_t out[kConnValueCapacity] = {};
    EXPECT_EQ(0, GetConnValue(nullptr, L"ip", out));
    EXPECT_EQ(0, GetConnValue(L"ip=1", nullptr, out));
    EXPECT_EQ(0, GetConnValue(L"ip=1", L"ip", nullptr));
    EXPECT_EQ(0, GetConnValue(L"=1", L"", out));
}
