#include "BkDrawFileIcon.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <map>
#include <mutex>

#include "BkParse.h"

namespace {

// An icon handle in decimal.
HICON IconOf(const std::string& value) {
    return reinterpret_cast<HICON>(ParseAddress(value));
}

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

BK_DEFINE_ATTRIBUTES(CBkDrawFileIcon, CBkWindow,
                     {"srcfile", A::FieldIfGiven<bkattr::Text, &CBkDrawFileIcon::path_>,
                      kAttrTaken},
                     {"iconhandle", A::FieldIfGiven<IconOf, &CBkDrawFileIcon::icon_>, kAttrTaken})

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
