#include "CodePage.h"

#include <windows.h>

namespace {

std::wstring ToWide(UINT codePage, const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], length);
    return wide;
}

std::string FromWide(UINT codePage, const std::wstring& wide, DWORD flags = 0,
                     const char* replacement = nullptr) {
    if (wide.empty()) {
        return std::string();
    }
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, replacement, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, &text[0], length, replacement, nullptr);
    return text;
}

}  // namespace

std::wstring AnsiToWide(const std::string& ansi) {
    return ToWide(CP_ACP, ansi);
}
std::wstring Utf8ToWide(const std::string& utf8) {
    return ToWide(CP_UTF8, utf8);
}
std::string WideToAnsi(const std::wstring& wide) {
    return FromWide(CP_ACP, wide);
}
std::string WideToAnsiStrict(const std::wstring& wide, char replacement) {
    return WideToCodePageStrict(GetACP(), wide, replacement);
}
std::string WideToCodePageStrict(unsigned codePage, const std::wstring& wide, char replacement) {
    // UTF-8 has every character, and the conversion refuses the flag and the replacement.
    if (codePage == CP_UTF8) {
        return FromWide(CP_UTF8, wide);
    }
    const char text[2] = {replacement, '\0'};
    return FromWide(codePage, wide, WC_NO_BEST_FIT_CHARS, text);
}
std::string WideToUtf8(const std::wstring& wide) {
    return FromWide(CP_UTF8, wide);
}
std::string AnsiToUtf8(const std::string& ansi) {
    return WideToUtf8(AnsiToWide(ansi));
}
std::string Utf8ToAnsi(const std::string& utf8) {
    return WideToAnsi(Utf8ToWide(utf8));
}
