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

HRESULT CBkIconWnd::SetAttribute(const std::string& name, const std::string& value, bool loading) {
    const HRESULT result = CBkWindow::SetAttribute(name, value, loading);
    if (result >= 0) {
        return result;
    }
    if (name == "src") {
        iconId_ = ParseInt(value);
    } else if (name == "oem") {
        oem_ = ParseInt(value);
    } else if (name == "size") {
        size_ = BkClamp(ParseInt(value), 0, kBkMaxIconSize);
    } else {
        return E_FAIL;
    }
    return 1;
}

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
