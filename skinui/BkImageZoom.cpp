#include "BkImageZoom.h"

#include "BkSkin.h"

SIZE CBkImageZoom::CalcContentSize(bool available, SIZE size) {
    return CBkWindow::CalcContentSize(available, size);
}

void CBkImageZoom::OnPaint(HDC dc) {
    if (skin_) {
        skin_->StretchDraw(dc, rect_, subImage_);
    }
}
