#include <windows.h>

#include <gtest/gtest.h>

// Every test runs in the program's reference environment: a Chinese Windows whose ANSI code page
// is 936, so narrow texts of the program are GBK.
TEST(Environment, AnsiCodePageIs936) {
    EXPECT_EQ(936u, GetACP());
}

TEST(Environment, NarrowLiteralsAreGbk) {
    const char title[] = "主窗口";
    EXPECT_STREQ("\xD6\xF7\xB4\xB0\xBF\xDA", title);
    wchar_t wide[8] = {};
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, title, -1, wide, 8), 0);
    EXPECT_STREQ(L"主窗口", wide);
}

TEST(Environment, HasADisplayForWindows) {
    const HWND window = CreateWindowExW(0, L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    DestroyWindow(window);
}
