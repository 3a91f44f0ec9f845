#pragma once

#include "BkImageWnd.h"

// "imgHover": cell 1 while hovered, else 0.
class CBkImageHover : public CBkImageWnd {
public:
    BK_OBJECT_CLASS(CBkImageHover)
    bool RepaintsOnStateChange() override { return true; }

protected:
    int PaintIndex() const override { return (state_ & StateHover) ? 1 : 0; }
};
