#include "BkIconWnd.h"

#include "BkLimits.h"
#include "BkParse.h"

CBkIconWnd::~CBkIconWnd() {
    if (icon_) {
        DestroyIcon(icon_);
    }
}

int CBkIconWnd::Load(const TiXmlElement* xml) {
    CBkWindow::Load(xml);
    Reload();
    return 1;
}

BK_DEFINE_ATTRIBUTES(CBkIconWnd, CBkWindow,
                     {"src", A::Field<ParseInt, &CBkIconWnd::iconId_>, kAttrRepaint},
                     {"oem", A::Field<ParseInt, &CBkIconWnd::oem_>, kAttrRepaint},
                     {"size", A::Field<bkattr::ClampedInt<0, kBkMaxIconSize>, &CBkIconWnd::size_>,
                      kAttrRepaint})

void CBkIconWnd::Reload() {
    if (icon_) {
        DestroyIcon(icon_);
        icon_ = nullptr;
    }
    if (oem_) {
        // System icons are shared; a copy is what may be destroyed.
        const HICON shared = LoadIconW(nullptr, MAKEINTRESOURCEW(iconId_));
        icon_ = shared ? CopyIcon(shared) : nullptr;
    } else {
        icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId_),
                                              IMAGE_ICON, size_, size_, LR_DEFAULTCOLOR));
    }
    loadedId_ = iconId_;
}

void CBkIconWnd::OnPaint(HDC dc) {
    if (loadedId_ != iconId_) {
        Reload();
    }
    const HICON icon = icon_ ? icon_ : fallback_;
    if (icon) {
        DrawIconEx(dc, rect_.left, rect_.top, icon, rect_.right - rect_.left,
                   rect_.bottom - rect_.top, 0, nullptr, DI_NORMAL);
    }
}
