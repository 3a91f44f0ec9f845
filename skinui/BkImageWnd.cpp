#include "BkImageWnd.h"

#include "BkParse.h"
#include "BkSkin.h"
#include "BkSkinPool.h"

SIZE WithSkinSize(SIZE measured, const CBkSkinBase* skin) {
    const SIZE own = skin ? skin->GetSkinSize() : SIZE{0, 0};
    return SIZE{own.cx ? own.cx : measured.cx, own.cy ? own.cy : measured.cy};
}

BK_DEFINE_ATTRIBUTES(CBkImageWnd, CBkWindow,
                     {"skin", A::Field<GetSkin, &CBkImageWnd::skin_>, kAttrTaken},
                     {"sub", A::Field<ParseInt, &CBkImageWnd::subImage_>, kAttrRepaint})

SIZE CBkImageWnd::CalcContentSize(bool available, SIZE size) {
    const SIZE base = CBkWindow::CalcContentSize(available, size);
    // A four-item "pos" is the rectangle the skin draws into.
    return GetPosCount() == 4 ? base : WithSkinSize(base, skin_);
}

void CBkImageWnd::OnPaint(HDC dc) {
    if (skin_) {
        skin_->Draw(dc, rect_, PaintIndex());
    }
}
