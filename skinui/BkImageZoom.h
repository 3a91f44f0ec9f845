#pragma once

#include "BkImageWnd.h"

// "imgZoom": the image stretched over the rect; sized like any element.
class CBkImageZoom : public CBkImageWnd {
public:
    BK_OBJECT_CLASS(CBkImageZoom)

protected:
    SIZE CalcContentSize(bool available, SIZE size) override;
    void OnPaint(HDC dc) override;
};
