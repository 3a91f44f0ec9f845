#pragma once

#include <cstring>
#include <string>

#include "include/base/cef_basictypes.h"

// The library's string is UTF-16. A string struct may own its buffer (dtor set) or borrow it.
typedef struct _cef_string_utf16_t {
    char16* str;
    size_t length;
    void (*dtor)(char16* str);
} cef_string_utf16_t;
typedef cef_string_utf16_t cef_string_t;

extern "C" {
// Sets `output` to `src`; with `copy` the characters are copied and owned, else borrowed.
int cef_string_utf16_set(const char16* src, size_t src_len, cef_string_utf16_t* output, int copy);
void cef_string_utf16_clear(cef_string_utf16_t* str);
int cef_string_utf16_cmp(const cef_string_utf16_t* str1, const cef_string_utf16_t* str2);
int cef_string_utf8_to_utf16(const char* src, size_t src_len, cef_string_utf16_t* output);
int cef_string_ascii_to_utf16(const char* src, size_t src_len, cef_string_utf16_t* output);
}

#define cef_string_set cef_string_utf16_set
#define cef_string_clear cef_string_utf16_clear
#define cef_string_cmp cef_string_utf16_cmp

// A string of the library: a cef_string_t it owns, or one it was attached to. Narrow texts going
// in and out are UTF-8, as the library has it.
class CefString {
public:
    typedef cef_string_t struct_type;
    typedef char16 char_type;

    CefString() : string_(nullptr), owner_(false) {}
    CefString(const CefString& str) : CefString() { FromString(str.c_str(), str.length(), true); }
    CefString(const std::string& src) : CefString() { FromString(src); }
    CefString(const char* src) : CefString() {
        if (src) {
            FromString(std::string(src));
        }
    }
    CefString(const std::wstring& src) : CefString() { FromWString(src); }
    CefString(const wchar_t* src) : CefString() {
        if (src) {
            FromWString(std::wstring(src));
        }
    }
    CefString(const char16* src, size_t length, bool copy) : CefString() {
        FromString(src, length, copy);
    }
    // Attaches to a struct owned elsewhere: writes through this object change that struct.
    CefString(struct_type* str) : string_(str), owner_(false) {}
    // Copies a struct owned elsewhere.
    CefString(const struct_type* str) : CefString() {
        if (str) {
            FromString(str->str, str->length, true);
        }
    }
    ~CefString() { ClearAndFree(); }

    const char16* c_str() const { return string_ ? string_->str : nullptr; }
    size_t length() const { return string_ ? string_->length : 0; }
    size_t size() const { return length(); }
    bool empty() const { return length() == 0; }
    int compare(const CefString& str) const;
    void clear() {
        if (string_) {
            cef_string_clear(string_);
        }
    }
    void swap(CefString& str);

    bool IsOwner() const { return owner_; }
    const struct_type* GetStruct() const { return string_; }
    struct_type* GetWritableStruct() { return string_; }
    void ClearAndFree();
    void Attach(struct_type* str, bool owner);
    struct_type* Detach();

    bool FromString(const char16* src, size_t length, bool copy);
    bool FromString(const std::string& str);
    bool FromWString(const std::wstring& str);
    bool FromASCII(const char* str);

    std::string ToString() const;
    std::wstring ToWString() const { return std::wstring(c_str() ? c_str() : L"", length()); }
    std::wstring ToString16() const { return ToWString(); }

    operator std::string() const { return ToString(); }
    operator std::wstring() const { return ToWString(); }

    CefString& operator=(const CefString& str) {
        if (this != &str) {
            FromString(str.c_str(), str.length(), true);
        }
        return *this;
    }
    CefString& operator=(const std::string& str) {
        FromString(str);
        return *this;
    }
    CefString& operator=(const char* str) {
        FromString(std::string(str ? str : ""));
        return *this;
    }
    CefString& operator=(const std::wstring& str) {
        FromWString(str);
        return *this;
    }
    CefString& operator=(const wchar_t* str) {
        FromWString(std::wstring(str ? str : L""));
        return *this;
    }

private:
    // The struct this object writes to, allocated on first write when it has none yet.
    struct_type* Writable();

    struct_type* string_;
    bool owner_;
};

inline bool operator<(const CefString& a, const CefString& b) {
    return a.compare(b) < 0;
}
inline bool operator==(const CefString& a, const CefString& b) {
    return a.compare(b) == 0;
}
inline bool operator!=(const CefString& a, const CefString& b) {
    return a.compare(b) != 0;
}
