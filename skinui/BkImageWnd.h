#pragma once

#include <string>

#include "BkWindow.h"

class CBkSkinBase;

// "img": a skin drawn over the rect with the sub-image index as its state; a two-item "pos"
// makes the element exactly as large as the skin's image.
class CBkImageWnd : public CBkWindow {
public:
    BK_OBJECT_CLASS(CBkImageWnd)
    BK_ATTRIBUTES()

    CBkSkinBase* GetSkinObject() const { return skin_; }
    int GetSubImage() const { return subImage_; }

protected:
    SIZE CalcContentSize(bool available, SIZE size) override;
    void OnPaint(HDC dc) override;
    // The index the skin paints with.
    virtual int PaintIndex() const { return subImage_; }

    int subImage_ = -1;
    CBkSkinBase* skin_ = nullptr;
};

// Each non-zero component of the skin's size replaces the measured one.
SIZE WithSkinSize(SIZE measured, const CBkSkinBase* skin);
