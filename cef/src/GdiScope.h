#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace cefimpl {

// An object selected into a device context for the life of this.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectScope() { SelectObject(dc_, old_); }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

struct GdiObjectDeleter {
    void operator()(void* object) const { DeleteObject(object); }
};
// A GDI object (bitmap, brush, font) deleted with this.
using GdiObject = std::unique_ptr<void, GdiObjectDeleter>;

struct MemoryDcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
// A memory device context deleted with this.
using MemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

}  // namespace cefimpl
