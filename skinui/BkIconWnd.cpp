#include "BkIconWnd.h"

#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstdlib>
#include <map>
#include <mutex>

#include "BkLimits.h"
#include "BkParse.h"

namespace {

// Shell icons by file path, kept for the rest of the run.
class FileIconCache {
public:
    static FileIconCache& Instance() {
        static FileIconCache instance;
        return instance;
    }
    ~FileIconCache() {
        for (const auto& entry : icons_) {
            if (entry.second) {
                DestroyIcon(entry.second);
            }
        }
    }
    HICON Get(const std::string& path) {
        std::lock_guard<std::mutex> guard(lock_);
        const auto found = icons_.find(path);
        if (found != icons_.end()) {
            return found->second;
        }
        SHFILEINFOA info = {};
        SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_DISPLAYNAME);
        icons_[path] = info.hIcon;
        return info.hIcon;
    }

private:
    std::mutex lock_;
    std::map<std::string, HICON> icons_;
};

// Addresses and handles travel as decimal text; 0 when the text is not a number.
UINT_PTR ParseAddress(const std::string& text) {
    return static_cast<UINT_PTR>(std::strtoull(text.c_str(), nullptr, 10));
}

}  // namespace

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

HRESULT CBkDrawFileIcon::SetAttribute(const std::string& name, const std::string& value,
                                      bool loading) {
    const HRESULT result = CBkWindow::SetAttribute(name, value, loading);
    if (result >= 0) {
        return result;
    }
    if (name == "srcfile") {
        if (!value.empty()) {
            path_ = value;
        }
    } else if (name == "iconhandle") {
        if (!value.empty()) {
            icon_ = reinterpret_cast<HICON>(ParseAddress(value));
        }
    } else {
        return E_FAIL;
    }
    return 0;
}

void CBkDrawFileIcon::OnPaint(HDC dc) {
    HICON icon = icon_;
    if (!icon && !path_.empty() && PathFileExistsA(path_.c_str())) {
        icon = FileIconCache::Instance().Get(path_);
    }
    if (icon) {
        DrawIconEx(dc, rect_.left, rect_.top, icon, rect_.right - rect_.left,
                   rect_.bottom - rect_.top, 0, nullptr, DI_NORMAL);
    }
}

HRESULT CBkMemoryImage::SetAttribute(const std::string& name, const std::string& value,
                                     bool loading) {
    const HRESULT result = CBkWindow::SetAttribute(name, value, loading);
    if (result >= 0) {
        return result;
    }
    if (name == "mempointer") {
        image_ = reinterpret_cast<Gdiplus::Image*>(ParseAddress(value));
    } else if (name == "autosize") {
        autoSize_ = ParseInt(value);
    } else {
        return E_FAIL;
    }
    return 0;
}

void CBkMemoryImage::OnPaint(HDC dc) {
    if (!image_ || (autoSize_ != 0 && autoSize_ != 1)) {
        return;
    }
    Gdiplus::Graphics graphics(dc);
    const auto width = static_cast<INT>(image_->GetWidth());
    const auto height = static_cast<INT>(image_->GetHeight());
    if (autoSize_ == 1) {
        const Gdiplus::Rect target(rect_.left, rect_.top, rect_.right - rect_.left,
                                   rect_.bottom - rect_.top);
        graphics.DrawImage(image_, target, 0, 0, width, height, Gdiplus::UnitPixel);
    } else {
        graphics.DrawImage(image_, Gdiplus::Rect(rect_.left, rect_.top, width, height), 0, 0, width,
                           height, Gdiplus::UnitPixel);
    }
}
