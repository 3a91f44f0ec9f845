#include "BkDrawFileIcon.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <map>
#include <mutex>

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

}  // namespace

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
