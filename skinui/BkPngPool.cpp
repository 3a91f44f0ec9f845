#include "BkPngPool.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <string>

#include "BkResource.h"

BkPngPool& BkPngPool::Instance() {
    static BkPngPool instance;
    return instance;
}

BkPngPool::BkPngPool() {
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token_, &input, nullptr);
}

BkPngPool::~BkPngPool() {
    for (const auto& entry : images_) {
        delete entry.second.image;
        if (entry.second.memory) {
            GlobalFree(entry.second.memory);
        }
    }
    images_.clear();
    Gdiplus::GdiplusShutdown(token_);
}

Gdiplus::Image* BkPngPool::Get(UINT id) {
    const auto found = images_.find(id);
    if (found != images_.end()) {
        return found->second.image;
    }
    std::string bytes;
    if (!LoadResourceData(id, L"png", bytes)) {
        return nullptr;
    }
    const HGLOBAL memory = GlobalAlloc(GMEM_FIXED, bytes.size());
    if (!memory) {
        return nullptr;
    }
    std::memcpy(memory, bytes.data(), bytes.size());
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, FALSE, &stream))) {
        GlobalFree(memory);
        return nullptr;
    }
    auto* image = new Gdiplus::Image(stream);
    stream->Release();
    images_[id] = Entry{image, memory};
    return image;
}

Gdiplus::Image* GetPng(UINT id) {
    return BkPngPool::Instance().Get(id);
}
