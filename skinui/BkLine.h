#pragma once

#include "BkWindow.h"

// "hr": a GDI+ line from the rect's left-top to its right-bottom corner.
class CBkLine : public CBkWindow {
public:
    BK_OBJECT_CLASS(CBkLine)
    BK_ATTRIBUTES()

protected:
    void OnPaint(HDC dc) override;

private:
    int dashStyle_ = 0;
    int width_ = 1;
    DWORD color_ = 0xFF000000;
};
