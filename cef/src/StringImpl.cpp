#include <windows.h>

#include <ctime>

#include "include/internal/cef_string.h"
#include "include/internal/cef_types_wrappers.h"
#include "Text.h"

namespace {

void FreeOwned(char16* str) {
    delete[] str;
}

}  // namespace

namespace cefimpl {

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) {
        return std::wstring();
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &wide[0], length);
    return wide;
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &narrow[0], length, nullptr, nullptr);
    return narrow;
}

}  // namespace cefimpl

extern "C" {

int cef_string_utf16_set(const char16* src, size_t src_len, cef_string_utf16_t* output, int copy) {
    cef_string_utf16_clear(output);
    if (!src || src_len == 0) {
        return 1;
    }
    if (copy) {
        char16* buffer = new char16[src_len + 1];
        std::memcpy(buffer, src, src_len * sizeof(char16));
        buffer[src_len] = 0;
        output->str = buffer;
        output->dtor = FreeOwned;
    } else {
        output->str = const_cast<char16*>(src);
        output->dtor = nullptr;
    }
    output->length = src_len;
    return 1;
}

void cef_string_utf16_clear(cef_string_utf16_t* str) {
    if (!str) {
        return;
    }
    if (str->dtor && str->str) {
        str->dtor(str->str);
    }
    str->str = nullptr;
    str->length = 0;
    str->dtor = nullptr;
}

int cef_string_utf16_cmp(const cef_string_utf16_t* str1, const cef_string_utf16_t* str2) {
    const size_t length1 = str1 ? str1->length : 0;
    const size_t length2 = str2 ? str2->length : 0;
    const size_t common = length1 < length2 ? length1 : length2;
    for (size_t i = 0; i < common; ++i) {
        if (str1->str[i] != str2->str[i]) {
            return str1->str[i] < str2->str[i] ? -1 : 1;
        }
    }
    return length1 == length2 ? 0 : (length1 < length2 ? -1 : 1);
}

int cef_string_utf8_to_utf16(const char* src, size_t src_len, cef_string_utf16_t* output) {
    const std::wstring wide = cefimpl::Utf8ToWide(std::string(src ? src : "", src ? src_len : 0));
    return cef_string_utf16_set(wide.data(), wide.size(), output, 1);
}

int cef_string_ascii_to_utf16(const char* src, size_t src_len, cef_string_utf16_t* output) {
    std::wstring wide(src_len, L'\0');
    for (size_t i = 0; i < src_len; ++i) {
        wide[i] = static_cast<unsigned char>(src[i]);
    }
    return cef_string_utf16_set(wide.data(), wide.size(), output, 1);
}

}  // extern "C"

int CefString::compare(const CefString& str) const {
    return cef_string_utf16_cmp(string_, str.string_);
}

void CefString::swap(CefString& str) {
    std::swap(string_, str.string_);
    std::swap(owner_, str.owner_);
}

void CefString::ClearAndFree() {
    if (string_ && owner_) {
        cef_string_clear(string_);
        delete string_;
    }
    string_ = nullptr;
    owner_ = false;
}

void CefString::Attach(struct_type* str, bool owner) {
    ClearAndFree();
    string_ = str;
    owner_ = owner;
}

CefString::struct_type* CefString::Detach() {
    struct_type* str = string_;
    string_ = nullptr;
    owner_ = false;
    return str;
}

CefString::struct_type* CefString::Writable() {
    if (!string_) {
        string_ = new struct_type();
        owner_ = true;
    }
    return string_;
}

bool CefString::FromString(const char16* src, size_t length, bool copy) {
    if (src == c_str() && length == this->length()) {
        return true;
    }
    return cef_string_set(src, length, Writable(), copy) != 0;
}

bool CefString::FromString(const std::string& str) {
    return cef_string_utf8_to_utf16(str.data(), str.size(), Writable()) != 0;
}

bool CefString::FromWString(const std::wstring& str) {
    return cef_string_set(str.data(), str.size(), Writable(), 1) != 0;
}

bool CefString::FromASCII(const char* str) {
    return cef_string_ascii_to_utf16(str, str ? std::strlen(str) : 0, Writable()) != 0;
}

std::string CefString::ToString() const {
    return cefimpl::WideToUtf8(ToWString());
}

namespace {

void SetString(const cef_string_t& src, cef_string_t* target, bool copy) {
    cef_string_set(src.str, src.length, target, copy);
}

}  // namespace

void CefSettingsTraits::clear(struct_type* s) {
    for (cef_string_t* str :
         {&s->browser_subprocess_path, &s->cache_path, &s->user_data_path, &s->user_agent,
          &s->product_version, &s->locale, &s->log_file, &s->javascript_flags,
          &s->resources_dir_path, &s->locales_dir_path, &s->accept_language_list}) {
        cef_string_clear(str);
    }
}

void CefSettingsTraits::set(const struct_type* src, struct_type* target, bool copy) {
    target->single_process = src->single_process;
    target->no_sandbox = src->no_sandbox;
    SetString(src->browser_subprocess_path, &target->browser_subprocess_path, copy);
    target->multi_threaded_message_loop = src->multi_threaded_message_loop;
    target->windowless_rendering_enabled = src->windowless_rendering_enabled;
    target->command_line_args_disabled = src->command_line_args_disabled;
    SetString(src->cache_path, &target->cache_path, copy);
    SetString(src->user_data_path, &target->user_data_path, copy);
    target->persist_session_cookies = src->persist_session_cookies;
    target->persist_user_preferences = src->persist_user_preferences;
    SetString(src->user_agent, &target->user_agent, copy);
    SetString(src->product_version, &target->product_version, copy);
    SetString(src->locale, &target->locale, copy);
    SetString(src->log_file, &target->log_file, copy);
    target->log_severity = src->log_severity;
    SetString(src->javascript_flags, &target->javascript_flags, copy);
    SetString(src->resources_dir_path, &target->resources_dir_path, copy);
    SetString(src->locales_dir_path, &target->locales_dir_path, copy);
    target->pack_loading_disabled = src->pack_loading_disabled;
    target->remote_debugging_port = src->remote_debugging_port;
    target->uncaught_exception_stack_size = src->uncaught_exception_stack_size;
    target->context_safety_implementation = src->context_safety_implementation;
    target->ignore_certificate_errors = src->ignore_certificate_errors;
    target->background_color = src->background_color;
    SetString(src->accept_language_list, &target->accept_language_list, copy);
}

void CefBrowserSettingsTraits::clear(struct_type* s) {
    for (cef_string_t* str :
         {&s->standard_font_family, &s->fixed_font_family, &s->serif_font_family,
          &s->sans_serif_font_family, &s->cursive_font_family, &s->fantasy_font_family,
          &s->default_encoding, &s->accept_language_list}) {
        cef_string_clear(str);
    }
}

void CefBrowserSettingsTraits::set(const struct_type* src, struct_type* target, bool copy) {
    // Everything but the strings is plain data: copy it whole, then give the target its own
    // strings (the bitwise copy must not leave it sharing the source's buffers).
    clear(target);
    *target = *src;
    for (cef_string_t* str :
         {&target->standard_font_family, &target->fixed_font_family, &target->serif_font_family,
          &target->sans_serif_font_family, &target->cursive_font_family,
          &target->fantasy_font_family, &target->default_encoding, &target->accept_language_list}) {
        const cef_string_t borrowed = *str;
        *str = cef_string_t();
        SetString(borrowed, str, copy);
    }
}

void CefTime::SetTimeT(time_t r) {
    // time_t counts seconds since 1970; FILETIME counts 100 ns steps since 1601.
    ULARGE_INTEGER ticks;
    ticks.QuadPart = static_cast<ULONGLONG>(r) * 10000000ULL + 116444736000000000ULL;
    FILETIME fileTime{ticks.LowPart, ticks.HighPart};
    SYSTEMTIME system;
    FileTimeToSystemTime(&fileTime, &system);
    year = system.wYear;
    month = system.wMonth;
    day_of_week = system.wDayOfWeek;
    day_of_month = system.wDay;
    hour = system.wHour;
    minute = system.wMinute;
    second = system.wSecond;
    millisecond = system.wMilliseconds;
}

time_t CefTime::GetTimeT() const {
    SYSTEMTIME system{};
    system.wYear = static_cast<WORD>(year);
    system.wMonth = static_cast<WORD>(month);
    system.wDay = static_cast<WORD>(day_of_month);
    system.wHour = static_cast<WORD>(hour);
    system.wMinute = static_cast<WORD>(minute);
    system.wSecond = static_cast<WORD>(second);
    system.wMilliseconds = static_cast<WORD>(millisecond);
    FILETIME fileTime;
    if (!SystemTimeToFileTime(&system, &fileTime)) {
        return 0;
    }
    ULARGE_INTEGER ticks;
    ticks.LowPart = fileTime.dwLowDateTime;
    ticks.HighPart = fileTime.dwHighDateTime;
    return static_cast<time_t>((ticks.QuadPart - 116444736000000000ULL) / 10000000ULL);
}

void CefTime::Now() {
    SetTimeT(std::time(nullptr));
}
