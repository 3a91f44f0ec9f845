#include "CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage, ChineseRoundTripsBetweenAnsiUtf8AndUtf16) {
    const std::string ansi = "\xD6\xF7\xB4\xB0\xBF\xDA";  // 主窗口 in code page 936
    const std::string utf8 = "\xE4\xB8\xBB\xE7\xAA\x97\xE5\x8F\xA3";
    EXPECT_EQ(utf8, AnsiToUtf8(ansi));
    EXPECT_EQ(ansi, Utf8ToAnsi(utf8));
    EXPECT_EQ(L"主窗口", AnsiToWide(ansi));
    EXPECT_EQ(ansi, WideToAnsi(L"主窗口"));
    EXPECT_EQ(L"主窗口", Utf8ToWide(utf8));
    EXPECT_EQ(utf8, WideToUtf8(L"主窗口"));
}

TEST(CodePage, CharactersTheCodePageLacksBecomeTheDefaultCharacter) {
    EXPECT_EQ("a?b", WideToAnsi(L"a\u0E01b"));  // Thai
    // Outside the BMP each half of the surrogate pair is replaced.
    EXPECT_EQ("x??", Utf8ToAnsi("x\xF0\x9F\x98\x80"));
}

TEST(CodePage, EmptyAndEmbeddedNulTextsSurvive) {
    EXPECT_EQ("", AnsiToUtf8(""));
    EXPECT_EQ(L"", Utf8ToWide(""));
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(withNul, Utf8ToAnsi(AnsiToUtf8(withNul)));
}

// A system whose ANSI code page is UTF-8 refuses the look-alike flag and a replacement character:
// the strict conversion then has every character and must not come back empty.
TEST(CodePage, StrictConversionWorksInEveryAnsiCodePage) {
    EXPECT_EQ("\xB7\xA2\xC6\xB1_.xls", WideToCodePageStrict(936, L"发票\u0E01.xls", '_'))
        << "code page 936 replaces what it lacks";
    EXPECT_EQ("\xE5\x8F\x91\xE7\xA5\xA8\xE0\xB8\x81.xls",
              WideToCodePageStrict(65001, L"发票\u0E01.xls", '_'))
        << "a UTF-8 code page keeps every character";
    EXPECT_EQ(WideToCodePageStrict(936, L"发票.xls", '_'), WideToAnsiStrict(L"发票.xls", '_'))
        << "the system's code page here is 936";
}
