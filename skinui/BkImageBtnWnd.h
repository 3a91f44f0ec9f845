#pragma once

#include "BkImageWnd.h"

// "imgbtn": an image whose cell follows the state: 3 disabled, 2 pushed, 1 hovered, else 0.
class CBkImageBtnWnd : public CBkImageWnd {
public:
    BK_OBJECT_CLASS(CBkImageBtnWnd)
    bool RepaintsOnStateChange() override { return true; }

protected:
    int PaintIndex() const override;
};
