#pragma once

#include <string>

#include "BkWindow.h"

namespace Gdiplus {
class Image;
}

// "icon": an icon of the program's resources ("src", "size") or a system icon ("oem" 1),
// drawn over the whole rect.
class CBkIconWnd : public CBkWindow {
public:
    ~CBkIconWnd() override;
    const char* GetObjectClass() const override { return "icon"; }
    int Load(const TiXmlElement* xml) override;
    HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

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

// "iconfrommodule": an icon handle given as a number ("iconhandle"), else the shell icon of
// the file at "srcfile".
class CBkDrawFileIcon : public CBkWindow {
public:
    const char* GetObjectClass() const override { return "iconfrommodule"; }
    HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

protected:
    void OnPaint(HDC dc) override;

private:
    std::string path_;
    HICON icon_ = nullptr;
};

// "memimage": a GDI+ image of this process, owned by whoever set "mempointer" (its address in
// decimal); "autosize" 1 stretches it over the rect, 0 draws it at natural size.
class CBkMemoryImage : public CBkWindow {
public:
    const char* GetObjectClass() const override { return "memimage"; }
    HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;

protected:
    void OnPaint(HDC dc) override;

private:
    Gdiplus::Image* image_ = nullptr;
    int autoSize_ = 1;
};
