#pragma once

#include <windows.h>

#include <unordered_map>

namespace Gdiplus {
class Image;
}

// PNG resources of the program decoded with GDI+, by id. The pool keeps GDI+ started for as
// long as it holds images. An image that failed to decode is cached too and draws nothing.
class BkPngPool {
public:
    static BkPngPool& Instance();
    virtual ~BkPngPool();
    BkPngPool(const BkPngPool&) = delete;
    BkPngPool& operator=(const BkPngPool&) = delete;

    Gdiplus::Image* Get(UINT id);

private:
    BkPngPool();
    struct Entry {
        Gdiplus::Image* image;
        HGLOBAL memory;
    };
    std::unordered_map<UINT, Entry> images_;
    ULONG_PTR token_ = 0;
};

Gdiplus::Image* GetPng(UINT id);
