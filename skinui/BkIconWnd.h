#pragma once

#include <string>

#include "BkWindow.h"

// "icon": an icon of the program's resources ("src", "size") or a system icon ("oem" 1),
// drawn over the whole rect.
class CBkIconWnd : public CBkWindow {
public:
    ~CBkIconWnd() override;
    BK_OBJECT_CLASS(CBkIconWnd)
    int Load(const TiXmlElement* xml) override;
    BK_ATTRIBUTES()

    // Drawn when no icon could be loaded; the caller keeps ownership.
    void SetFallbackIcon(HICON icon) { fallback_ = icon; }
    HICON GetIcon() const { return icon_; }

protected:
    void OnPaint(HDC dc) override;

private:
    void Reload();

    HICON icon_ = nullptr;
    int iconId_ = -1;
    int loadedId_ = 0;
    int size_ = 16;
    int oem_ = 0;
    HICON fallback_ = nullptr;
};
