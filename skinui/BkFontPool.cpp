#include "BkFontPool.h"

#include <cwchar>

namespace {

constexpr WORD kItalic = 0x01;
constexpr WORD kUnderline = 0x02;
constexpr WORD kBold = 0x04;

}  // namespace

BkFontPool& BkFontPool::Instance() {
    static BkFontPool instance;
    return instance;
}

BkFontPool::BkFontPool() {
    SetDefaultFont(L"楷体", -12);
}

BkFontPool::~BkFontPool() {
    for (const auto& entry : fonts_) {
        DeleteObject(entry.second);
    }
}

std::wstring BkFontPool::CacheKey(const std::wstring& face, WORD key) {
    return face + L"-" + std::to_wstring(key);
}

HFONT BkFontPool::Create(const wchar_t* face, WORD key) {
    LOGFONTW font = base_;
    font.lfWeight = key & kBold ? 600 : 400;
    font.lfUnderline = key & kUnderline ? TRUE : FALSE;
    font.lfItalic = key & kItalic ? TRUE : FALSE;
    font.lfHeight = base_.lfHeight - static_cast<signed char>(key >> 8);
    font.lfQuality = ANTIALIASED_QUALITY;
    wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    font.lfFaceName[LF_FACESIZE - 1] = L'\0';
    return CreateFontIndirectW(&font);
}

HFONT BkFontPool::GetFont(WORD key) {
    lastKey_ = key;
    const std::wstring cacheKey = CacheKey(defaultFace_, key);
    const auto found = fonts_.find(cacheKey);
    if (found != fonts_.end()) {
        return found->second;
    }
    const HFONT font = Create(L"Tahoma", key);
    if (font) {
        fonts_[cacheKey] = font;
    }
    return font;
}

HFONT BkFontPool::GetFontByFace(const std::wstring& face) {
    const std::wstring cacheKey = CacheKey(face, lastKey_);
    const auto found = fonts_.find(cacheKey);
    if (found != fonts_.end()) {
        return found->second;
    }
    const HFONT font = Create(face.c_str(), lastKey_);
    if (font) {
        fonts_[cacheKey] = font;
    }
    return font;
}

void BkFontPool::SetDefaultFont(const std::wstring& face, LONG height) {
    defaultFace_ = face;
    defaultHeight_ = height;
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof base_, &base_);
    base_.lfHeight = height;
    base_.lfQuality = ANTIALIASED_QUALITY;
    wcsncpy(base_.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    base_.lfFaceName[LF_FACESIZE - 1] = L'\0';

    HFONT& slot = fonts_[CacheKey(face, 0)];
    if (slot) {
        DeleteObject(slot);
    }
    slot = CreateFontIndirectW(&base_);
}

HFONT GetFont(WORD key) {
    return BkFontPool::Instance().GetFont(key);
}
HFONT GetFontByFace(const std::wstring& face) {
    return BkFontPool::Instance().GetFontByFace(face);
}
void SetDefaultFont(const std::wstring& face, LONG height) {
    BkFontPool::Instance().SetDefaultFont(face, height);
}
