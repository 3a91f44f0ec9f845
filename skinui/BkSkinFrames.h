#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "BkImageSkin.h"

// Edges of a nine-part frame.
enum BkFrameEdge : UINT {
    kFrameLeft = 0x1,
    kFrameTop = 0x2,
    kFrameRight = 0x4,
    kFrameBottom = 0x8,
    kFrameAll = 0xF,
};

// The edges a "part" word draws; unknown words draw all four.
UINT FrameEdges(const std::string& part);

// "imgframe" geometry: a `bitmap`-sized image cut at column `left` and row `top`, whose
// one-pixel slices there stretch over `target`. Only the listed edges (and the corners between
// two of them) are drawn; `inner` receives the centre that is left.
std::vector<BkImagePart> ImgFrameParts(SIZE bitmap, int left, int top, UINT edges,
                                       const RECT& target, RECT* inner);

// "imgframeEx" geometry: `left` x `top` corners, the bands between them stretched.
std::vector<BkImagePart> ImgFrameExParts(SIZE bitmap, int left, int top, const RECT& target);

// The "imghorzex" cell for an element state: disabled 3, pushed 2, hover 1, else 0 (-1 stays).
int HorzExtendCell(int state);

// "imghorzex" geometry for `cell` of a strip of `subWidth`-wide cells (0: one cell). A cell
// outside the strip, or -1, uses the first. A target narrower than the bitmap is widened to it.
std::vector<BkImagePart> HorzExtendParts(SIZE bitmap, int subWidth, int cell, int left,
                                         const RECT& target);

// A painter that lays out parts of an "imglst" image, its left part `left` pixels wide. The
// image's own attributes come first, then "left", then the kind's others.
class CBkImageFrameSkin : public CBkGdiSkin {
public:
    BK_ATTRIBUTES()
    bool IgnoreState() const override { return image_.IgnoreState(); }

    CBkImageSkin& ImageSkin() { return image_; }

protected:
    CBkImageSkin image_;
    int left_ = 0;
};

// "imgframe": nine parts with one-pixel stretch slices and an optional centre colour.
class CBkSkinImgFrame : public CBkImageFrameSkin {
public:
    BK_OBJECT_CLASS(CBkSkinImgFrame)
    BK_ATTRIBUTES()
    void Draw(HDC dc, const RECT& rect, int state) override;

private:
    int top_ = 0;
    COLORREF crbg_ = 0xFFFFFFFF;
    UINT edges_ = kFrameAll;
};

// "imgframeEx": nine parts whose bands and centre are stretched from the bitmap's middle.
class CBkSkinImgFrameEx : public CBkImageFrameSkin {
public:
    BK_OBJECT_CLASS(CBkSkinImgFrameEx)
    BK_ATTRIBUTES()
    void Draw(HDC dc, const RECT& rect, int state) override;

private:
    int top_ = 0;
};

// "imghorzex": left part, stretched one-pixel column, right part; one cell per state.
class CBkSkinImgHorzExtend : public CBkImageFrameSkin {
public:
    BK_OBJECT_CLASS(CBkSkinImgHorzExtend)
    void Draw(HDC dc, const RECT& rect, int state) override;
    SIZE GetSkinSize() const override { return SIZE{0, image_.BitmapSize().cy}; }
};
