#include "BkImageWnd.h"

#include "BkParse.h"
#include "BkSkin.h"
#include "BkSkinPool.h"

SIZE WithSkinSize(SIZE measured, const CBkSkinBase* skin) {
    const SIZE own = skin ? skin->GetSkinSize() : SIZE{0, 0};
    return SIZE{own.cx ? own.cx : measured.cx, own.cy ? own.cy : measured.cy};
}

HRESULT CBkImageWnd::SetAttribute(const std::string& name, const std::string& value, bool loading) {
    const HRESULT result = CBkWindow::SetAttribute(name, value, loading);
    if (result >= 0) {
        return result;
    }
    if (name == "skin") {
        skin_ = GetSkin(value);
        return 0;
    }
    if (name == "sub") {
        subImage_ = ParseInt(value);
        return 1;
    }
    return E_FAIL;
}

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
