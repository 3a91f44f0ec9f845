#pragma once

#include <windows.h>

#include <string>

#include "BkSkin.h"
#include "Win32Handles.h"

// A rectangle by position and size, the way bitmap parts are laid out.
struct BkRect {
    int x;
    int y;
    int width;
    int height;
};

// One piece of a bitmap painter: where it comes from in the bitmap and where it goes.
struct BkImagePart {
    BkRect source;
    BkRect target;
};

// A source channel with straight (not premultiplied) alpha over a target channel.
inline BYTE BlendChannel(BYTE target, BYTE source, BYTE alpha) {
    return static_cast<BYTE>((target * (255 - alpha) + source * alpha) / 255);
}

// Blends `width` x `height` pixels of 32-bit BGRA source rows over 24-bit BGR target rows.
void BlendOver24(BYTE* target, int targetStride, const BYTE* source, int sourceStride, int width,
                 int height);

// The source of cell `index` of a strip of `subWidth`-wide cells (-1: the whole image). False
// when there is nothing to draw: no image, no cells, or a cell outside the strip.
bool CellSource(SIZE image, int subWidth, int index, BkRect* source);

namespace bkgdi {

// Fills `rect` with `color` the GDI way (opaque ExtTextOutW), leaving the background colour as
// it was.
void FillSolid(HDC dc, const RECT& rect, COLORREF color);

}  // namespace bkgdi

// A painter that is plain GDI: on a GDI+ Graphics it draws through the Graphics' device context.
class CBkGdiSkin : public CBkSkinBase {
public:
    void DrawOnGraphics(Gdiplus::Graphics* graphics, float x, float y, float width, float height,
                        int state) final;
};

enum class BkImageMode { kNone, kMask, kAlpha };

// A bitmap with its cell width and transfer mode. The bitmap handle is not owned: it belongs to
// the bitmap pool (or whoever set it).
class CBkImage {
public:
    void SetBitmap(HBITMAP bitmap) { bitmap_ = bitmap; }
    HBITMAP Bitmap() const { return bitmap_; }
    SIZE BitmapSize() const;
    int SubWidth() const { return subWidth_; }

    // Cell `index` (-1: the whole bitmap) at natural size with its top-left corner at (x, y).
    void DrawCell(HDC dc, int x, int y, int index) const;
    // A part of the bitmap, stretched when the sizes differ. Draws nothing in "alpha" mode.
    void DrawPart(HDC dc, const BkImagePart& part) const;

protected:
    HBITMAP bitmap_ = nullptr;
    int subWidth_ = 0;
    BkImageMode mode_ = BkImageMode::kNone;
    COLORREF maskColor_ = RGB(0xFF, 0x00, 0xFF);

private:
    void Transfer(HDC dc, const BkImagePart& part) const;
    void TransferMasked(HDC dc, const BkImagePart& part) const;
    void Blend(HDC dc, int x, int y, const BkRect& source) const;
};

// "imglst": a strip of bitmap cells drawn at natural size; the state is the cell index. Its
// attributes are the image's: "src", "subwidth", "mode" and "maskcolor".
class CBkImageSkin : public CBkImage, public CBkGdiSkin {
public:
    BK_OBJECT_CLASS(CBkImageSkin)
    BK_ATTRIBUTES()
    void Draw(HDC dc, const RECT& rect, int state) override;
    SIZE GetSkinSize() const override;
    bool IgnoreState() const override { return subWidth_ == 0; }
};
