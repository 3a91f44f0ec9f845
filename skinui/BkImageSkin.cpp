#include "BkImageSkin.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "BkBmpPool.h"
#include "BkParse.h"

void BlendOver24(BYTE* target, int targetStride, const BYTE* source, int sourceStride, int width,
                 int height) {
    for (int row = 0; row < height; ++row) {
        BYTE* t = target + row * targetStride;
        const BYTE* s = source + row * sourceStride;
        for (int column = 0; column < width; ++column, t += 3, s += 4) {
            const BYTE alpha = s[3];
            t[0] = BlendChannel(t[0], s[0], alpha);
            t[1] = BlendChannel(t[1], s[1], alpha);
            t[2] = BlendChannel(t[2], s[2], alpha);
        }
    }
}

bool CellSource(SIZE image, int subWidth, int index, BkRect* source) {
    if (image.cx <= 0 || image.cy <= 0) {
        return false;
    }
    if (index == -1) {
        *source = BkRect{0, 0, static_cast<int>(image.cx), static_cast<int>(image.cy)};
        return true;
    }
    if (subWidth <= 0 || index < 0) {
        return false;
    }
    const long long x = static_cast<long long>(index) * subWidth;
    if (x >= image.cx) {
        return false;
    }
    const int width = static_cast<int>(std::min<long long>(subWidth, image.cx - x));
    *source = BkRect{static_cast<int>(x), 0, width, static_cast<int>(image.cy)};
    return true;
}

namespace bkgdi {

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    const gdi::BackColor background(dc, color);
    ExtTextOutW(dc, rect.left, rect.top, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

}  // namespace bkgdi

namespace {

class GraphicsDc {
public:
    explicit GraphicsDc(Gdiplus::Graphics* graphics)
        : graphics_(graphics), dc_(graphics->GetHDC()) {}
    ~GraphicsDc() {
        if (dc_) {
            graphics_->ReleaseHDC(dc_);
        }
    }
    GraphicsDc(const GraphicsDc&) = delete;
    GraphicsDc& operator=(const GraphicsDc&) = delete;
    HDC dc() const { return dc_; }

private:
    Gdiplus::Graphics* graphics_;
    HDC dc_;
};

BITMAPINFO TopDownInfo(int width, int height, WORD bitCount) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitCount;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// "src": the bitmap of that resource id, from the bitmap pool.
HBITMAP BitmapOf(const std::string& value) {
    return ::GetBitmap(static_cast<UINT>(ParseInt(value)));
}

// "mode": "mask", "alpha", or anything else for a plain transfer.
BkImageMode ImageModeOf(const std::string& value) {
    return value == "mask"    ? BkImageMode::kMask
           : value == "alpha" ? BkImageMode::kAlpha
                              : BkImageMode::kNone;
}

}  // namespace

void CBkGdiSkin::DrawOnGraphics(Gdiplus::Graphics* graphics, float x, float y, float width,
                                float height, int state) {
    if (!graphics) {
        return;
    }
    GraphicsDc dc(graphics);
    if (!dc.dc()) {
        return;
    }
    const RECT rect{std::lround(x), std::lround(y), std::lround(x + width),
                    std::lround(y + height)};
    Draw(dc.dc(), rect, state);
}

SIZE CBkImage::BitmapSize() const {
    BITMAP info{};
    if (!bitmap_ || !GetObjectW(bitmap_, sizeof info, &info)) {
        return SIZE{0, 0};
    }
    return SIZE{info.bmWidth, std::abs(info.bmHeight)};
}

void CBkImage::DrawCell(HDC dc, int x, int y, int index) const {
    BkRect source;
    if (!bitmap_ || !CellSource(BitmapSize(), subWidth_, index, &source)) {
        return;
    }
    if (mode_ == BkImageMode::kAlpha) {
        Blend(dc, x, y, source);
    } else {
        Transfer(dc, BkImagePart{source, BkRect{x, y, source.width, source.height}});
    }
}

void CBkImage::DrawPart(HDC dc, const BkImagePart& part) const {
    if (mode_ != BkImageMode::kAlpha) {
        Transfer(dc, part);
    }
}

void CBkImage::Transfer(HDC dc, const BkImagePart& part) const {
    const BkRect& s = part.source;
    const BkRect& t = part.target;
    // A negative size would mirror the part; an empty one has nothing to draw.
    if (!bitmap_ || s.width <= 0 || s.height <= 0 || t.width <= 0 || t.height <= 0) {
        return;
    }
    if (mode_ == BkImageMode::kMask) {
        TransferMasked(dc, part);
        return;
    }
    gdi::MemoryDc source(dc);
    gdi::Selection selected(source, bitmap_);
    if (!selected.ok()) {
        return;
    }
    if (s.width == t.width && s.height == t.height) {
        BitBlt(dc, t.x, t.y, t.width, t.height, source, s.x, s.y, SRCCOPY);
    } else {
        gdi::StretchMode stretch(dc, COLORONCOLOR);
        StretchBlt(dc, t.x, t.y, t.width, t.height, source, s.x, s.y, s.width, s.height, SRCCOPY);
    }
}

void CBkImage::TransferMasked(HDC dc, const BkImagePart& part) const {
    const BkRect& s = part.source;
    const BkRect& t = part.target;
    gdi::MemoryDc source(dc);
    gdi::Selection sourceSelected(source, bitmap_);
    if (!sourceSelected.ok()) {
        return;
    }

    // A 24-bit copy of the part, so that the mask colour is matched on red, green and blue
    // alone and not on the unused fourth byte of 32-bit pixels.
    BITMAPINFO copyInfo = TopDownInfo(s.width, s.height, 24);
    void* bits = nullptr;
    gdi::Object<HBITMAP> copy(CreateDIBSection(dc, &copyInfo, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!copy) {
        return;
    }
    gdi::MemoryDc copyDc(dc);
    gdi::Selection copySelected(copyDc, copy);
    if (!copySelected.ok()) {
        return;
    }
    BitBlt(copyDc, 0, 0, s.width, s.height, source, s.x, s.y, SRCCOPY);

    // One bit per pixel: set where the part has the mask colour.
    gdi::Object<HBITMAP> mask(CreateBitmap(s.width, s.height, 1, 1, nullptr));
    gdi::MemoryDc maskDc(dc);
    gdi::Selection maskSelected(maskDc, mask);
    if (!mask || !maskSelected.ok()) {
        return;
    }
    {
        gdi::BackColor background(copyDc, maskColor_);
        BitBlt(maskDc, 0, 0, s.width, s.height, copyDc, 0, 0, SRCCOPY);
    }

    // Turn the mask-colour pixels of the copy black, ready to be ORed in.
    {
        gdi::BackColor background(copyDc, RGB(0, 0, 0));
        gdi::TextColor text(copyDc, RGB(0xFF, 0xFF, 0xFF));
        BitBlt(copyDc, 0, 0, s.width, s.height, maskDc, 0, 0, SRCAND);
    }

    // Clear the target where the part is drawn, then OR the part in.
    gdi::BackColor background(dc, RGB(0xFF, 0xFF, 0xFF));
    gdi::TextColor text(dc, RGB(0, 0, 0));
    gdi::StretchMode stretch(dc, COLORONCOLOR);
    StretchBlt(dc, t.x, t.y, t.width, t.height, maskDc, 0, 0, s.width, s.height, SRCAND);
    StretchBlt(dc, t.x, t.y, t.width, t.height, copyDc, 0, 0, s.width, s.height, SRCPAINT);
}

void CBkImage::Blend(HDC dc, int x, int y, const BkRect& source) const {
    BITMAP info{};
    if (!GetObjectW(bitmap_, sizeof info, &info) || info.bmBitsPixel != 32) {
        return;
    }
    const int bitmapWidth = info.bmWidth;
    const int bitmapHeight = std::abs(info.bmHeight);

    // The bitmap's pixels as top-down 32-bit rows, whether it is a section or a device bitmap.
    BITMAPINFO pixelsInfo = TopDownInfo(bitmapWidth, bitmapHeight, 32);
    std::vector<BYTE> pixels(static_cast<size_t>(bitmapWidth) * bitmapHeight * 4);
    if (GetDIBits(dc, bitmap_, 0, bitmapHeight, pixels.data(), &pixelsInfo, DIB_RGB_COLORS) !=
        bitmapHeight) {
        return;
    }

    BITMAPINFO bufferInfo = TopDownInfo(source.width, source.height, 24);
    void* bits = nullptr;
    gdi::Object<HBITMAP> buffer(
        CreateDIBSection(dc, &bufferInfo, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!buffer || !bits) {
        return;
    }
    gdi::MemoryDc bufferDc(dc);
    gdi::Selection bufferSelected(bufferDc, buffer);
    if (!bufferSelected.ok()) {
        return;
    }
    BitBlt(bufferDc, 0, 0, source.width, source.height, dc, x, y, SRCCOPY);
    GdiFlush();
    const int bufferStride = (source.width * 3 + 3) & ~3;
    const BYTE* first =
        pixels.data() + (static_cast<size_t>(source.y) * bitmapWidth + source.x) * 4;
    BlendOver24(static_cast<BYTE*>(bits), bufferStride, first, bitmapWidth * 4, source.width,
                source.height);
    BitBlt(dc, x, y, source.width, source.height, bufferDc, 0, 0, SRCCOPY);
}

BK_DEFINE_ATTRIBUTES(CBkImageSkin, CBkObject,
                     {"src", A::Field<BitmapOf, &CBkImageSkin::bitmap_>, kAttrTaken},
                     {"subwidth", A::Field<ParseInt, &CBkImageSkin::subWidth_>, kAttrTaken},
                     {"mode", A::Field<ImageModeOf, &CBkImageSkin::mode_>, kAttrTaken},
                     {"maskcolor", A::Field<ParseColorRGB, &CBkImageSkin::maskColor_>, kAttrTaken})

void CBkImageSkin::Draw(HDC dc, const RECT& rect, int state) {
    DrawCell(dc, rect.left, rect.top, state);
}

SIZE CBkImageSkin::GetSkinSize() const {
    const SIZE bitmap = BitmapSize();
    return SIZE{subWidth_ > 0 ? subWidth_ : bitmap.cx, bitmap.cy};
}
