#pragma once

#include <windows.h>

#include <cstdio>
#include <memory>
#include <type_traits>

// Owners for the handles the program creates, so that every path out of a scope releases them.

// Saves a device context's state and restores it at scope end.
class CDcState {
public:
    explicit CDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~CDcState() {
        if (saved_) {
            RestoreDC(dc_, saved_);
        }
    }
    CDcState(const CDcState&) = delete;
    CDcState& operator=(const CDcState&) = delete;

private:
    HDC dc_;
    int saved_;
};

// A GDI object (region, brush, pen, bitmap, font) an owner keeps, deleted with it; may be reset
// or moved. For a handle that lives only in a scope, gdi::Object below.
struct GdiObjectDeleter {
    void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
template <typename Handle>
using GdiObjectPtr = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using RegionPtr = GdiObjectPtr<HRGN>;
using BrushPtr = GdiObjectPtr<HBRUSH>;

// A kernel handle closed at scope end; null and INVALID_HANDLE_VALUE are both "none".
class CScopedHandle {
public:
    explicit CScopedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~CScopedHandle() { close(); }
    CScopedHandle(const CScopedHandle&) = delete;
    CScopedHandle& operator=(const CScopedHandle&) = delete;

    bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    void reset(HANDLE handle) {
        close();
        handle_ = handle;
    }
    // Closes the handle now; false when closing failed.
    bool close() {
        const bool closed = !valid() || CloseHandle(handle_);
        handle_ = nullptr;
        return closed;
    }

private:
    HANDLE handle_;
};

// A C stream closed at scope end.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Small scopes for GDI state so that every exit path gives back what it took.
namespace gdi {

class MemoryDc {
public:
    explicit MemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
    ~MemoryDc() {
        if (dc_) {
            DeleteDC(dc_);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    operator HDC() const { return dc_; }

private:
    HDC dc_;
};

template <typename Handle>
class Object {
public:
    explicit Object(Handle handle) : handle_(handle) {}
    ~Object() {
        if (handle_) {
            DeleteObject(handle_);
        }
    }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    operator Handle() const { return handle_; }

private:
    Handle handle_;
};

class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() {
        if (previous_ && previous_ != HGDI_ERROR) {
            SelectObject(dc_, previous_);
        }
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    bool ok() const { return previous_ && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

class BackColor {
public:
    BackColor(HDC dc, COLORREF color) : dc_(dc), previous_(SetBkColor(dc, color)) {}
    ~BackColor() { SetBkColor(dc_, previous_); }
    BackColor(const BackColor&) = delete;
    BackColor& operator=(const BackColor&) = delete;

private:
    HDC dc_;
    COLORREF previous_;
};

class TextColor {
public:
    TextColor(HDC dc, COLORREF color) : dc_(dc), previous_(SetTextColor(dc, color)) {}
    ~TextColor() { SetTextColor(dc_, previous_); }
    TextColor(const TextColor&) = delete;
    TextColor& operator=(const TextColor&) = delete;

private:
    HDC dc_;
    COLORREF previous_;
};

class StretchMode {
public:
    StretchMode(HDC dc, int mode) : dc_(dc), previous_(SetStretchBltMode(dc, mode)) {}
    ~StretchMode() {
        if (previous_) {
            SetStretchBltMode(dc_, previous_);
        }
    }
    StretchMode(const StretchMode&) = delete;
    StretchMode& operator=(const StretchMode&) = delete;

private:
    HDC dc_;
    int previous_;
};

}  // namespace gdi
