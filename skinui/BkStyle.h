#pragma once

#include <map>
#include <string>

#include "BkObject.h"

// A style class: colours, font, text format, margins and skin that elements copy with "class".
class BkStyle : public CBkObject {
public:
    static constexpr COLORREF kNoColor = 0xFFFFFFFF;

    BK_OBJECT_CLASS(BkStyle)
    BK_ATTRIBUTES()

    COLORREF crbg = kNoColor;
    COLORREF crbghover = kNoColor;
    COLORREF crtext = kNoColor;
    COLORREF crhover = kNoColor;
    COLORREF crdisabled = 0x00CCCCCC;
    UINT textmode = DT_SINGLELINE | DT_BOTTOM | DT_LEFT;
    HFONT font = nullptr;
    HFONT hoverfont = nullptr;
    int xMargin = 0;
    int yMargin = 0;
    int spacing = 0;
    int linespacing = 20;
    LPCWSTR cursor = IDC_ARROW;
    std::string skin;
    std::string name;
};

// Style classes by name. An unknown name gives the unnamed default style.
class BkStylePool {
public:
    static BkStylePool& Instance();

    // Replaces every style by the table's; false when the text is not XML or its root is not
    // `style` (the pool then holds only the default style).
    bool LoadXml(const std::string& xml);
    bool Load(unsigned resourceId);
    const BkStyle& Get(const std::string& name);
    size_t Size() const { return styles_.size(); }

private:
    BkStylePool() = default;
    std::map<std::string, BkStyle> styles_;
};

const BkStyle& GetStyle(const std::string& name);
