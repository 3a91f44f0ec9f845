#include "BkSkinFrames.h"

#include "BkParse.h"

UINT FrameEdges(const std::string& part) {
    if (part == "top") {
        return kFrameTop | kFrameLeft | kFrameRight;
    }
    if (part == "middle") {
        return kFrameLeft | kFrameRight;
    }
    if (part == "bottom") {
        return kFrameBottom | kFrameLeft | kFrameRight;
    }
    if (part == "left") {
        return kFrameTop | kFrameBottom | kFrameLeft;
    }
    if (part == "center") {
        return kFrameTop | kFrameBottom;
    }
    if (part == "right") {
        return kFrameTop | kFrameBottom | kFrameRight;
    }
    return kFrameAll;
}

std::vector<BkImagePart> ImgFrameParts(SIZE bitmap, int left, int top, UINT edges,
                                       const RECT& target, RECT* inner) {
    const int w = bitmap.cx;
    const int h = bitmap.cy;
    const int right = w - left - 1;
    const int bottom = h - top - 1;
    const bool hasLeft = edges & kFrameLeft;
    const bool hasTop = edges & kFrameTop;
    const bool hasRight = edges & kFrameRight;
    const bool hasBottom = edges & kFrameBottom;

    RECT in = target;
    in.left += hasLeft ? left : 0;
    in.top += hasTop ? top : 0;
    in.right -= hasRight ? right : 0;
    in.bottom -= hasBottom ? bottom : 0;
    const int innerWidth = in.right - in.left;
    const int innerHeight = in.bottom - in.top;
    if (inner) {
        *inner = in;
    }

    std::vector<BkImagePart> parts;
    if (hasTop && hasLeft) {
        parts.push_back({{0, 0, left, top}, {target.left, target.top, left, top}});
    }
    if (hasTop && hasRight) {
        parts.push_back({{left + 1, 0, right, top}, {in.right, target.top, right, top}});
    }
    // The bottom corners are as high as the bottom part, so they end at the target's bottom.
    if (hasBottom && hasLeft) {
        parts.push_back({{0, top + 1, left, bottom}, {target.left, in.bottom, left, bottom}});
    }
    if (hasBottom && hasRight) {
        parts.push_back({{left + 1, top + 1, right, bottom}, {in.right, in.bottom, right, bottom}});
    }
    if (hasTop) {
        parts.push_back({{left, 0, 1, top}, {in.left, target.top, innerWidth, top}});
    }
    if (hasLeft) {
        parts.push_back({{0, top, left, 1}, {target.left, in.top, left, innerHeight}});
    }
    if (hasBottom) {
        parts.push_back(
            {{left, top + 1, 1, bottom}, {in.left, target.bottom - bottom, innerWidth, bottom}});
    }
    if (hasRight) {
        parts.push_back({{left + 1, top, right, 1}, {in.right, in.top, right, innerHeight}});
    }
    return parts;
}

std::vector<BkImagePart> ImgFrameExParts(SIZE bitmap, int left, int top, const RECT& target) {
    const int w = bitmap.cx;
    const int h = bitmap.cy;
    const int k = left;
    const int r = top;
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    std::vector<BkImagePart> parts;
    if (width <= 0 || r == 0) {
        return parts;
    }
    const int L = target.left;
    const int T = target.top;
    const int R = target.right;
    const int B = target.bottom;
    parts.push_back({{0, 0, k, r}, {L, T, k, r}});
    parts.push_back({{0, r, k, h - 2 * r}, {L, T + r, k, height - 2 * r}});
    parts.push_back({{0, h - r, k, r}, {L, B - r, k, r}});
    if (width - k <= 0) {
        return parts;
    }
    parts.push_back({{k, 0, w - 2 * k, r}, {L + k, T, width - 2 * k, r}});
    parts.push_back({{k, r, w - 2 * k, h - 2 * r}, {L + k, T + r, width - 2 * k, height - 2 * r}});
    parts.push_back({{k, h - r, w - 2 * k, r}, {L + k, B - r, width - 2 * k, r}});
    if (k > 0) {
        parts.push_back({{w - k, 0, k, r}, {R - k, T, k, r}});
        parts.push_back({{w - k, r, k, h - 2 * r}, {R - k, T + r, k, height - 2 * r}});
        parts.push_back({{w - k, h - r, k, r}, {R - k, B - r, k, r}});
    }
    return parts;
}

int HorzExtendCell(int state) {
    if (state == -1) {
        return -1;
    }
    if (state & 0x10) {
        return 3;
    }
    if (state & 0x02) {
        return 2;
    }
    return state & 0x01 ? 1 : 0;
}

std::vector<BkImagePart> HorzExtendParts(SIZE bitmap, int subWidth, int cell, int left,
                                         const RECT& target) {
    const int bw = bitmap.cx;
    const int bh = bitmap.cy;
    const int g = subWidth > 0 ? subWidth : bw;
    int cellX = cell > 0 ? cell * g : 0;
    if (cellX + g > bw) {
        cellX = 0;
    }
    const int L = target.left;
    const int T = target.top;
    const int R = target.right - L < bw ? L + bw : target.right;
    const int right = g - left - 1;
    return {
        {{cellX, 0, left, bh}, {L, T, left, bh}},
        {{cellX + left + 1, 0, right, bh}, {R - right, T, right, bh}},
        {{cellX + left, 0, 1, bh}, {L + left, T, R - L - g + 1, bh}},
    };
}

// The image's attributes ("src", "subwidth", "mode", "maskcolor") go to the image, then "left".
const BkAttributeTable& CBkImageFrameSkin::AttributeTable() {
    using A = BkAttributes<CBkImageFrameSkin>;
    static const A table(&CBkImageSkin::AttributeTable(),
                         {{"left", A::Field<ParseInt, &CBkImageFrameSkin::left_>, kAttrTaken}},
                         [](CBkImageFrameSkin& skin) -> CBkObject& { return skin.image_; });
    return table;
}

BK_DEFINE_ATTRIBUTES(CBkSkinImgFrame, CBkImageFrameSkin,
                     {"top", A::Field<ParseInt, &CBkSkinImgFrame::top_>, kAttrTaken},
                     {"crbg", A::Field<ParseColorRGB, &CBkSkinImgFrame::crbg_>, kAttrTaken},
                     {"part", A::Field<FrameEdges, &CBkSkinImgFrame::edges_>, kAttrTaken})

void CBkSkinImgFrame::Draw(HDC dc, const RECT& rect, int) {
    if (!image_.Bitmap()) {
        return;
    }
    RECT inner;
    for (const BkImagePart& part :
         ImgFrameParts(image_.BitmapSize(), left_, top_, edges_, rect, &inner)) {
        image_.DrawPart(dc, part);
    }
    if (crbg_ != 0xFFFFFFFF && inner.right > inner.left && inner.bottom > inner.top) {
        bkgdi::FillSolid(dc, inner, crbg_);
    }
}

BK_DEFINE_ATTRIBUTES(CBkSkinImgFrameEx, CBkImageFrameSkin,
                     {"top", A::Field<ParseInt, &CBkSkinImgFrameEx::top_>, kAttrTaken})

void CBkSkinImgFrameEx::Draw(HDC dc, const RECT& rect, int) {
    if (!image_.Bitmap()) {
        return;
    }
    for (const BkImagePart& part : ImgFrameExParts(image_.BitmapSize(), left_, top_, rect)) {
        image_.DrawPart(dc, part);
    }
}

void CBkSkinImgHorzExtend::Draw(HDC dc, const RECT& rect, int state) {
    if (!image_.Bitmap()) {
        return;
    }
    const int cell = HorzExtendCell(state);
    for (const BkImagePart& part :
         HorzExtendParts(image_.BitmapSize(), image_.SubWidth(), cell, left_, rect)) {
        image_.DrawPart(dc, part);
    }
}
