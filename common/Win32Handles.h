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

// A GDI object (region, brush, pen, bitmap, font) deleted at scope end.
struct GdiObjectDeleter {
    void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
template <typename Handle>
using GdiObjectPtr = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using RegionPtr = GdiObjectPtr<HRGN>;
using BrushPtr = GdiObjectPtr<HBRUSH>;

// A memory device context deleted at scope end.
struct MemoryDcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
using MemoryDcPtr = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

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
