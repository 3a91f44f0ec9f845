#include "BkBmpPool.h"

BkBmpPool& BkBmpPool::Instance() {
    static BkBmpPool instance;
    return instance;
}

BkBmpPool::~BkBmpPool() {
    for (const auto& entry : bitmaps_) {
        DeleteObject(entry.second);
    }
}

HBITMAP BkBmpPool::Get(UINT id) {
    const auto found = bitmaps_.find(id);
    if (found != bitmaps_.end()) {
        return found->second;
    }
    const HBITMAP bitmap = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
    if (bitmap) {
        bitmaps_[id] = bitmap;
    }
    return bitmap;
}

HBITMAP GetBitmap(UINT id) {
    return BkBmpPool::Instance().Get(id);
}
