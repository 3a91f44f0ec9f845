#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>

// Fonts by font key (bit 0 italic, bit 1 underline, bit 2 bold, high byte a signed size step on
// the base height). The default face serves key 0; every other key is drawn in Tahoma, unless a
// face is asked for by name.
class BkFontPool {
public:
    static BkFontPool& Instance();
    virtual ~BkFontPool();
    BkFontPool(const BkFontPool&) = delete;
    BkFontPool& operator=(const BkFontPool&) = delete;

    HFONT GetFont(WORD key);
    // The font of `face` at the most recently requested key.
    HFONT GetFontByFace(const std::wstring& face);
    void SetDefaultFont(const std::wstring& face, LONG height);

    WORD LastKey() const { return lastKey_; }
    const std::wstring& DefaultFace() const { return defaultFace_; }

private:
    BkFontPool();
    static std::wstring CacheKey(const std::wstring& face, WORD key);
    HFONT Create(const wchar_t* face, WORD key);

    std::unordered_map<std::wstring, HFONT> fonts_;
    std::wstring defaultFace_;
    LONG defaultHeight_ = -12;
    LOGFONTW base_ = {};
    WORD lastKey_ = 0;
};

HFONT GetFont(WORD key);
HFONT GetFontByFace(const std::wstring& face);
void SetDefaultFont(const std::wstring& face, LONG height);
