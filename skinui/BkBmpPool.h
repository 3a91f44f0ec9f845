#pragma once

#include <windows.h>

#include <unordered_map>

// Bitmap resources of the program by id; failures are not cached, so a later request retries.
class BkBmpPool {
public:
    static BkBmpPool& Instance();
    virtual ~BkBmpPool();
    BkBmpPool(const BkBmpPool&) = delete;
    BkBmpPool& operator=(const BkBmpPool&) = delete;

    HBITMAP Get(UINT id);

private:
    BkBmpPool() = default;
    std::unordered_map<UINT, HBITMAP> bitmaps_;
};

HBITMAP GetBitmap(UINT id);
