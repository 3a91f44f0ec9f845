#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "BkContainer.h"
#include "BkSkin.h"
#include "BkStyle.h"
#include "BkTabCtrl.h"

// What SetAttribute answers, attribute by attribute, for every kind of element, skin and style:
// taken (S_OK, 0), taken with a repaint (1), or refused (E_FAIL) for an unknown name or a value
// the attribute does not take.

namespace {

constexpr HRESULT kTaken = S_OK;
constexpr HRESULT kRepaint = 1;
constexpr HRESULT kRefused = E_FAIL;

struct AttributeCase {
    const char* tag;
    const char* name;
    const char* value;
    HRESULT result;
};

std::ostream& operator<<(std::ostream& out, const AttributeCase& c) {
    return out << c.tag << " " << c.name << "=\"" << c.value << "\"";
}

std::unique_ptr<CBkObject> MakeElement(const std::string& tag) {
    if (tag == "tab") {
        return std::make_unique<CBkTab>();
    }
    return CreateElementByTag(tag);
}

// The attributes every element takes, whatever its tag.
const AttributeCase kElementCases[] = {
    {"", "class", "1", kTaken},
    {"", "valign", "middle", kTaken},
    {"", "valign", "center", kRefused},
    {"", "align", "right", kTaken},
    {"", "align", "justify", kRefused},
    {"", "align", "Left", kRefused},
    {"", "posmode", "1", kTaken},
    {"", "id", "7", kRepaint},
    {"", "crbg", "ff0000", kRepaint},
    {"", "crtext", "00ff00", kRepaint},
    {"", "font", "4", kRepaint},
    {"", "href", "x", kRepaint},
    {"", "tip", "t", kRepaint},
    {"", "transparent", "1", kRepaint},
    {"", "pos", "", kRepaint},
    {"", "pos", "0,0,10,10", kRepaint},
    {"", "pos", "junk", kRepaint},
    {"", "width", "10", kRefused},
    {"", "height", "10", kRefused},
    {"", "show", "0", kRefused},
    {"", "float", "1", kRefused},
    {"", "ID", "7", kRefused},
    {"", "", "1", kRefused},
    {"", "colour", "1", kRefused},
};

const char* const kElementTags[] = {
    "dlg",      "dlgfile", "text",    "button",   "img",      "imgZoom",
    "progress", "imgbtn",  "realwnd", "hr",       "check",    "icon",
    "tabctrl",  "radio",   "link",    "memimage", "imglisth", "iconfrommodule",
    "imgHover", "slider",  "edit",    "tab",
};

// The attributes of each kind of element beyond the common ones.
const AttributeCase kOwnCases[] = {
    {"dlg", "onlydrawchild", "1", kRepaint},
    {"dlgfile", "onlydrawchild", "1", kRepaint},
    {"tab", "onlydrawchild", "1", kRepaint},
    {"tab", "title", "t", kRepaint},
    {"tab", "hide", "1", kRepaint},
    {"text", "skin", "1", kRefused},
    {"text", "onlydrawchild", "1", kRefused},
    {"button", "sub", "1", kRefused},
    {"link", "check", "1", kRefused},
    {"realwnd", "min", "1", kRefused},
    {"img", "skin", "1", kTaken},
    {"img", "sub", "1", kRepaint},
    {"img", "skinlist", "skin0=a", kRefused},
    {"imgZoom", "skin", "1", kTaken},
    {"imgZoom", "sub", "1", kRepaint},
    {"imgbtn", "skin", "1", kTaken},
    {"imgbtn", "sub", "1", kRepaint},
    {"imgHover", "skin", "1", kTaken},
    {"imgHover", "sub", "1", kRepaint},
    {"progress", "bgskin", "1", kTaken},
    {"progress", "posskin", "1", kTaken},
    {"progress", "min", "1", kRepaint},
    {"progress", "max", "1", kRepaint},
    {"progress", "value", "1", kRepaint},
    {"progress", "showpercent", "1", kRepaint},
    {"progress", "crframe", "ff0000", kRepaint},
    {"progress", "crposbar", "ff0000", kRepaint},
    {"progress", "thumbskin", "1", kRefused},
    {"progress", "offset", "1", kRefused},
    {"slider", "bgskin", "1", kTaken},
    {"slider", "posskin", "1", kTaken},
    {"slider", "min", "1", kRepaint},
    {"slider", "max", "1", kRepaint},
    {"slider", "value", "1", kRepaint},
    {"slider", "showpercent", "1", kRepaint},
    {"slider", "thumbskin", "1", kRepaint},
    {"slider", "offset", "1", kRepaint},
    {"slider", "crframe", "ff0000", kRefused},
    {"hr", "style", "solid", kRepaint},
    {"hr", "style", "dashdotdot", kRepaint},
    {"hr", "style", "wavy", kRefused},
    {"hr", "style", "Solid", kRefused},
    {"hr", "size", "2", kRepaint},
    {"hr", "cr", "ff000000", kTaken},
    {"check", "check", "1", kRepaint},
    {"check", "group", "g", kRefused},
    {"radio", "check", "1", kRepaint},
    {"radio", "group", "g", kRepaint},
    {"icon", "src", "1", kRepaint},
    {"icon", "oem", "1", kRepaint},
    {"icon", "size", "16", kRepaint},
    {"tabctrl", "tabalign", "top", kTaken},
    {"tabctrl", "tabalign", "left", kTaken},
    {"tabctrl", "tabalign", "right", kRefused},
    {"tabctrl", "cursel", "1", kRepaint},
    {"tabctrl", "tabwidth", "1", kRepaint},
    {"tabctrl", "tabheight", "1", kRepaint},
    {"tabctrl", "tabpos", "1", kRepaint},
    {"tabctrl", "tabspacing", "1", kRepaint},
    {"tabctrl", "framepos", "1", kRepaint},
    {"tabctrl", "icon-x", "1", kRepaint},
    {"tabctrl", "icon-y", "1", kRepaint},
    {"tabctrl", "text-x", "1", kRepaint},
    {"tabctrl", "text-y", "1", kRepaint},
    {"tabctrl", "tabskin", "1", kRepaint},
    {"tabctrl", "frameskin", "1", kRepaint},
    {"tabctrl", "iconskin", "1", kRepaint},
    {"tabctrl", "splitterskin", "1", kRepaint},
    {"tabctrl", "onlydrawchild", "1", kRefused},
    {"memimage", "mempointer", "0", kTaken},
    {"memimage", "autosize", "0", kTaken},
    {"imglisth", "skin", "1", kTaken},
    {"imglisth", "sub", "1", kRepaint},
    {"imglisth", "imagecount", "2", kRepaint},
    {"imglisth", "skinlist", "skin0=a", kRepaint},
    {"imglisth", "sublist", "sub0=1", kRepaint},
    {"iconfrommodule", "srcfile", "", kTaken},
    {"iconfrommodule", "srcfile", "a.txt", kTaken},
    {"iconfrommodule", "iconhandle", "", kTaken},
    {"iconfrommodule", "iconhandle", "0", kTaken},
    {"edit", "defaultfont", "4", kRepaint},
    {"edit", "password", "1", kRepaint},
    {"edit", "readonly", "1", kRepaint},
    {"edit", "skin", "1", kRefused},
};

const AttributeCase kSkinCases[] = {
    {"imglst", "src", "1", kTaken},
    {"imglst", "subwidth", "1", kTaken},
    {"imglst", "mode", "mask", kTaken},
    {"imglst", "maskcolor", "ff00ff", kTaken},
    {"imglst", "left", "1", kRefused},
    {"imgframe", "src", "1", kTaken},
    {"imgframe", "subwidth", "1", kTaken},
    {"imgframe", "mode", "alpha", kTaken},
    {"imgframe", "maskcolor", "ff00ff", kTaken},
    {"imgframe", "left", "1", kTaken},
    {"imgframe", "top", "1", kTaken},
    {"imgframe", "crbg", "ffffff", kTaken},
    {"imgframe", "part", "top", kTaken},
    {"imgframe", "skin", "1", kRefused},
    {"imgframeEx", "src", "1", kTaken},
    {"imgframeEx", "mode", "x", kTaken},
    {"imgframeEx", "left", "1", kTaken},
    {"imgframeEx", "top", "1", kTaken},
    {"imgframeEx", "crbg", "ffffff", kRefused},
    {"imgframeEx", "part", "top", kRefused},
    {"imghorzex", "subwidth", "1", kTaken},
    {"imghorzex", "maskcolor", "ff00ff", kTaken},
    {"imghorzex", "left", "1", kTaken},
    {"imghorzex", "top", "1", kRefused},
    {"button", "mode", "1", kTaken},
    {"button", "borderwidth", "1", kTaken},
    {"button", "radius", "1", kTaken},
    {"button", "ignoreState", "1", kTaken},
    {"button", "border", "ff000000", kTaken},
    {"button", "borderdisable", "ff000000", kTaken},
    {"button", "bgnormal", "ff000000", kTaken},
    {"button", "bghover", "ff000000", kTaken},
    {"button", "bgpush", "ff000000", kTaken},
    {"button", "bgdisable", "ff000000", kTaken},
    {"button", "shape", "1", kRefused},
    {"button", "ignorestate", "1", kRefused},
    {"tabButton", "tagpos", "top", kRepaint},
    {"tabButton", "tagpos", "nowhere", kRepaint},
    {"tabButton", "tagsize", "1", kTaken},
    {"tabButton", "ignoreState", "1", kTaken},
    {"tabButton", "bgnormal", "ff000000", kTaken},
    {"tabButton", "bghover", "ff000000", kTaken},
    {"tabButton", "bgselect", "ff000000", kTaken},
    {"tabButton", "crtag", "ff000000", kTaken},
    {"tabButton", "border", "ff000000", kTaken},
    {"tabButton", "bgpush", "ff000000", kRefused},
    {"shape", "shape", "1", kTaken},
    {"shape", "borderwidth", "1", kTaken},
    {"shape", "radius", "1", kTaken},
    {"shape", "ignoreState", "1", kTaken},
    {"shape", "border", "ff0000", kTaken},
    {"shape", "bgnormal", "ff0000", kTaken},
    {"shape", "bghover", "ff0000", kTaken},
    {"shape", "bgpush", "ff0000", kTaken},
    {"shape", "bgdisable", "ff0000", kTaken},
    {"shape", "from", "ff000000", kTaken},
    {"shape", "to", "ff000000", kTaken},
    {"shape", "mode", "1", kRefused},
    {"gradation", "from", "ff0000", kTaken},
    {"gradation", "to", "ff0000", kTaken},
    {"gradation", "size", "1", kTaken},
    {"gradation", "direction", "vert", kTaken},
    {"gradation", "direction", "sideways", kTaken},
    {"gradation", "subwidth", "1", kRefused},
    {"png", "src", "1", kTaken},
    {"png", "subwidth", "1", kTaken},
    {"png", "mode", "1", kRefused},
};

const AttributeCase kStyleCases[] = {
    {"style", "name", "n", kTaken},
    {"style", "skin", "s", kTaken},
    {"style", "textmode", "25", kTaken},
    {"style", "font", "4", kTaken},
    {"style", "hoverfont", "4", kTaken},
    {"style", "fontname", "Arial", kTaken},
    {"style", "x-margin", "1", kTaken},
    {"style", "y-margin", "1", kTaken},
    {"style", "margin", "1", kTaken},
    {"style", "spacing", "1", kTaken},
    {"style", "linespacing", "1", kTaken},
    {"style", "crbg", "ff0000", kRepaint},
    {"style", "crbghover", "ff0000", kRepaint},
    {"style", "crtext", "ff0000", kRepaint},
    {"style", "crhover", "ff0000", kRepaint},
    {"style", "crdisabled", "ff0000", kRepaint},
    {"style", "cursor", "hand", kRepaint},
    {"style", "cursor", "arrow", kRepaint},
    {"style", "cursor", "wait", kRefused},
    {"style", "class", "x", kRefused},
    {"style", "Name", "n", kRefused},
};

class ElementAttributes : public ::testing::TestWithParam<std::tuple<const char*, AttributeCase>> {
};
class OwnAttributes : public ::testing::TestWithParam<AttributeCase> {};
class SkinAttributes : public ::testing::TestWithParam<AttributeCase> {};
class StyleAttributes : public ::testing::TestWithParam<AttributeCase> {};

}  // namespace

TEST_P(ElementAttributes, EveryTagTakesTheCommonOnes) {
    const char* tag = std::get<0>(GetParam());
    const AttributeCase& c = std::get<1>(GetParam());
    const std::unique_ptr<CBkObject> element = MakeElement(tag);
    ASSERT_NE(nullptr, element) << tag;
    EXPECT_EQ(c.result, element->SetAttribute(c.name, c.value, false)) << tag << c;
    EXPECT_EQ(c.result, element->SetAttribute(c.name, c.value, true)) << tag << c << " (loading)";
}
INSTANTIATE_TEST_SUITE_P(AllTags, ElementAttributes,
                         ::testing::Combine(::testing::ValuesIn(kElementTags),
                                            ::testing::ValuesIn(kElementCases)));

TEST_P(OwnAttributes, ResultOfEachAttribute) {
    const AttributeCase& c = GetParam();
    const std::unique_ptr<CBkObject> element = MakeElement(c.tag);
    ASSERT_NE(nullptr, element) << c.tag;
    EXPECT_EQ(c.result, element->SetAttribute(c.name, c.value, false)) << c;
}
INSTANTIATE_TEST_SUITE_P(Elements, OwnAttributes, ::testing::ValuesIn(kOwnCases));

TEST_P(SkinAttributes, ResultOfEachAttribute) {
    const AttributeCase& c = GetParam();
    const std::unique_ptr<CBkSkinBase> skin = CreateSkin(c.tag);
    ASSERT_NE(nullptr, skin) << c.tag;
    EXPECT_EQ(c.result, skin->SetAttribute(c.name, c.value, true)) << c;
}
INSTANTIATE_TEST_SUITE_P(Skins, SkinAttributes, ::testing::ValuesIn(kSkinCases));

TEST_P(StyleAttributes, ResultOfEachAttribute) {
    const AttributeCase& c = GetParam();
    BkStyle style;
    EXPECT_EQ(c.result, style.SetAttribute(c.name, c.value, true)) << c;
}
INSTANTIATE_TEST_SUITE_P(Styles, StyleAttributes, ::testing::ValuesIn(kStyleCases));
