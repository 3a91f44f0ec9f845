#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "BkColor.h"
#include "BkFontPool.h"
#include "BkParse.h"
#include "BkPngPool.h"
#include "BkResource.h"
#include "BkSkinPool.h"
#include "BkSkinResources.h"
#include "BkString.h"
#include "BkStyle.h"

namespace {

LOGFONTW FontOf(HFONT font) {
    LOGFONTW info = {};
    GetObjectW(font, sizeof info, &info);
    return info;
}

// A style built from one `class` entry's attributes (UTF-8, as in the resources).
BkStyle StyleFrom(const std::string& attributes) {
    const std::string xml = "<style><class name=\"probe\" " + attributes + "/></style>";
    EXPECT_TRUE(BkStylePool::Instance().LoadXml(xml)) << "the style table was refused: " << xml;
    return GetStyle("probe");
}

}  // namespace

TEST(SkinParse, ColourTextsFollowTheirThreeForms) {
    EXPECT_EQ(0x003C3CE8u, ParseColorRGB("e83c3c"));
    EXPECT_EQ(0x000000FFu, ParseColorRGB("FF"));
    EXPECT_EQ(0u, ParseColorRGB(""));
    EXPECT_EQ(0x00CC00AAu, ParseColorRGB("AAx1CC"));
    EXPECT_EQ(0x00000012u, ParseColorRGB("12F"));

    EXPECT_EQ(0x40F25435u, ParseColorARGB("40f25435"));
    EXPECT_EQ(0xCCCCCC00u, ParseColorARGB("CCCCCC"));
    EXPECT_EQ(0xFF00FFFFu, ParseColorARGB("FFzzFFFF"));

    EXPECT_EQ(0xFFCCCCCCu, ParseColorTableEntry("CCCCCC"));
    EXPECT_EQ(0xFFE83C3Cu, ParseColorTableEntry("e83c3c"));
    EXPECT_EQ(0x80102030u, ParseColorTableEntry("80102030"));
    EXPECT_EQ(0xFF000000u, ParseColorTableEntry(""));

    EXPECT_EQ(0xFFE83C3Cu, OpaqueArgb(ParseColorRGB("e83c3c")));
    EXPECT_EQ(0x003C3CE8u, ArgbToColorRef(0x40E83C3C));
}

TEST(SkinParse, HexAndDecimalTexts) {
    EXPECT_EQ(0x25u, ParseHex("25"));
    EXPECT_EQ(0x1A00u, ParseHex("1A00"));
    EXPECT_EQ(0x1A00u, ParseHex("1a00"));
    EXPECT_EQ(0u, ParseHex("02g0"));
    EXPECT_EQ(0u, ParseHex(" 25"));
    EXPECT_EQ(0u, ParseHex(""));
    EXPECT_EQ(0x12345678u, ParseHex("12345678"));
    EXPECT_EQ(-40, ParseInt("-40"));
    EXPECT_EQ(12, ParseInt("12px"));
    EXPECT_EQ(0, ParseInt("px"));
    // Layouts were written against the shell's reading of numbers: keep it, overflow included.
    for (const char* text : {"", "-", "-0", "--5", "-+5", "+5", " 5", "\t5", "5 ", "0x10", "007",
                             "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967301",
                             "99999999999999999999999", "-99999999999999999999"}) {
        EXPECT_EQ(StrToIntA(text), ParseInt(text)) << "reading \"" << text << "\"";
    }
}

TEST(SkinStyle, AttributesTakeTheirValuesAndReportRepaints) {
    BkStyle style;
    EXPECT_EQ(1, style.SetAttribute("crtext", "e83c3c", true));
    EXPECT_EQ(0x003C3CE8u, style.crtext);
    EXPECT_EQ(0, style.SetAttribute("margin", "7", true));
    EXPECT_EQ(7, style.xMargin);
    EXPECT_EQ(7, style.yMargin);
    EXPECT_EQ(0, style.SetAttribute("y-margin", "3", true));
    EXPECT_EQ(3, style.yMargin);
    EXPECT_EQ(0, style.SetAttribute("linespacing", "18", false));
    EXPECT_EQ(18, style.linespacing);
    EXPECT_EQ(E_FAIL, style.SetAttribute("colour", "FFFFFF", true));
    EXPECT_EQ(E_FAIL, style.SetAttribute("CRTEXT", "FFFFFF", true));
    EXPECT_TRUE(style.IsClass("style")) << "a style does not answer its tag";
    EXPECT_FALSE(style.IsClass("Style")) << "a style answers its tag in another case";
}

TEST(SkinStyle, DefaultsOfANewStyle) {
    const BkStyle style;
    EXPECT_EQ(0xFFFFFFFFu, style.crbg);
    EXPECT_EQ(0x00CCCCCCu, style.crdisabled);
    EXPECT_EQ(0x28u, style.textmode);
    EXPECT_EQ(20, style.linespacing);
    EXPECT_EQ(IDC_ARROW, style.cursor);
    EXPECT_EQ(nullptr, style.font);
}

TEST(SkinStyle, TextModesAndCursorWords) {
    EXPECT_EQ(static_cast<UINT>(DT_SINGLELINE | DT_VCENTER | DT_CENTER),
              StyleFrom("textmode=\"25\"").textmode);
    EXPECT_EQ(static_cast<UINT>(DT_SINGLELINE | DT_VCENTER), StyleFrom("textmode=\"24\"").textmode);
    EXPECT_EQ(static_cast<UINT>(DT_SINGLELINE | DT_VCENTER | DT_RIGHT),
              StyleFrom("textmode=\"26\"").textmode);
    EXPECT_EQ(static_cast<UINT>(DT_SINGLELINE | DT_BOTTOM), StyleFrom("textmode=\"28\"").textmode);
    EXPECT_EQ(0u, StyleFrom("textmode=\"0\"").textmode);
    EXPECT_EQ(0u, StyleFrom("textmode=\"2x\"").textmode);

    EXPECT_EQ(IDC_HAND, StyleFrom("cursor=\"hand\"").cursor);
    EXPECT_EQ(IDC_HAND, StyleFrom("cursor=\"hand\" cursor2=\"x\"").cursor);
    BkStyle style;
    style.SetAttribute("cursor", "hand", true);
    EXPECT_EQ(E_FAIL, style.SetAttribute("cursor", "wait", true));
    EXPECT_EQ(IDC_HAND, style.cursor);
    EXPECT_EQ(1, style.SetAttribute("cursor", "arrow", true));
    EXPECT_EQ(IDC_ARROW, style.cursor);
}

TEST(SkinStylePool, ClassesAccumulateAndUnknownNamesGiveTheDefault) {
    ASSERT_TRUE(BkStylePool::Instance().LoadXml(
        "<style><class name=\"a\" crtext=\"010203\"/><other name=\"b\"/><class crtext=\"FFFFFF\"/>"
        "<class name=\"a\" spacing=\"4\"/></style>"))
        << "the style table was refused";
    EXPECT_EQ(2u, BkStylePool::Instance().Size());
    EXPECT_EQ(0x00030201u, GetStyle("a").crtext);
    EXPECT_EQ(4, GetStyle("a").spacing);
    EXPECT_EQ("", GetStyle("b").name);
    EXPECT_EQ(0xFFFFFFFFu, GetStyle("missing").crtext);

    EXPECT_FALSE(BkStylePool::Instance().LoadXml("<styles><class name=\"a\"/></styles>"))
        << "a table with another root was taken";
    EXPECT_EQ(1u, BkStylePool::Instance().Size());
    EXPECT_EQ(0xFFFFFFFFu, GetStyle("a").crtext);
    EXPECT_FALSE(BkStylePool::Instance().LoadXml("<style><class name=\"a\"></style>"))
        << "a broken table was taken";
}

TEST(SkinFonts, KeysGiveSizeWeightAndStyle) {
    const LOGFONTW step2 = FontOf(GetFont(0x0200));
    EXPECT_EQ(-14, step2.lfHeight);
    EXPECT_EQ(400, step2.lfWeight);
    EXPECT_STREQ(L"Tahoma", step2.lfFaceName);
    EXPECT_EQ(-38, FontOf(GetFont(0x1A00)).lfHeight);
    EXPECT_EQ(-8, FontOf(GetFont(0xFC00)).lfHeight) << "a negative size step makes text smaller";

    const LOGFONTW styled = FontOf(GetFont(0x0007));
    EXPECT_EQ(600, styled.lfWeight);
    EXPECT_TRUE(styled.lfItalic) << "font key 0x0007 is not italic";
    EXPECT_TRUE(styled.lfUnderline) << "font key 0x0007 is not underlined";
    EXPECT_EQ(ANTIALIASED_QUALITY, styled.lfQuality);
    EXPECT_EQ(GetFont(0x0007), GetFont(0x0007));
}

TEST(SkinFonts, DefaultFaceServesKeyZeroAndFaceRequestsUseTheLastKey) {
    SetDefaultFont(L"宋体", -12);
    const LOGFONTW base = FontOf(GetFont(0));
    EXPECT_STREQ(L"宋体", base.lfFaceName);
    EXPECT_EQ(-12, base.lfHeight);
    EXPECT_EQ(GetFont(0), StyleFrom("font=\"0q00\"").font) << "a non-hex key is key 0";

    GetFont(0x0400);
    const LOGFONTW byFace = FontOf(StyleFrom(u8"fontname=\"微软雅黑\"").font);
    EXPECT_STREQ(L"微软雅黑", byFace.lfFaceName);
    EXPECT_EQ(-16, byFace.lfHeight);

    const LOGFONTW ordered = FontOf(StyleFrom(u8"font=\"0200\" fontname=\"微软雅黑\"").font);
    EXPECT_EQ(-14, ordered.lfHeight);

    SetDefaultFont(L"黑体", -20);
    EXPECT_STREQ(L"黑体", FontOf(GetFont(0)).lfFaceName);
    EXPECT_EQ(-20, FontOf(GetFont(0)).lfHeight);
    EXPECT_EQ(-22, FontOf(GetFont(0x0200)).lfHeight);
    SetDefaultFont(L"宋体", -12);
}

TEST(SkinTables, StringTableReplacesDuplicatesAndSkipsEntriesWithoutId) {
    BkString& strings = BkString::Instance();
    EXPECT_TRUE(
        strings.LoadXml(u8"\uFEFF<string><s id=\"900\">一</s><s>x</s><t id=\"901\">y</t>"
                        u8"<s id=\"900\">二</s><s id=\"902\"/></string>"))
        << "the string table was refused";
    ASSERT_NE(nullptr, GetString(900));
    EXPECT_EQ(L"二", *GetString(900));
    EXPECT_EQ(nullptr, GetString(901));
    ASSERT_NE(nullptr, GetString(902));
    EXPECT_EQ(L"", *GetString(902));

    EXPECT_FALSE(strings.LoadXml("<strings><s id=\"903\">z</s></strings>"))
        << "a table with another root was taken";
    EXPECT_EQ(nullptr, GetString(903));
    EXPECT_FALSE(strings.LoadXml("<string><s id=\"903\">z</string>")) << "a broken table was taken";
    EXPECT_FALSE(strings.Load(777)) << "a resource that does not exist was loaded";
}

TEST(SkinTables, ColourTableReadsOpaqueAndAlphaEntries) {
    BkColor& colors = BkColor::Instance();
    EXPECT_TRUE(
        colors.LoadXml("<color><cr id=\"900\">123456</cr><cr id=\"901\">80ABCDEF</cr>"
                       "<cr>FFFFFF</cr></color>"))
        << "the colour table was refused";
    EXPECT_EQ(0xFF123456u, GetColor(900));
    EXPECT_EQ(0x80ABCDEFu, GetColor(901));
    EXPECT_EQ(0u, GetColor(902));
    EXPECT_FALSE(colors.LoadXml("<colour><cr id=\"902\">123456</cr></colour>"))
        << "a table with another root was taken";
    EXPECT_EQ(0u, GetColor(902));
}

TEST(SkinTables, SkinTableKnowsOnlyItsKinds) {
    BkSkinPool& skins = BkSkinPool::Instance();
    EXPECT_TRUE(
        skins.LoadXml("<skins><shape name=\"probe1\"/><Shape name=\"probe2\"/>"
                      "<circle name=\"probe3\"/><gradation/></skins>"))
        << "the skin table was refused";
    ASSERT_NE(nullptr, GetSkin("probe1"));
    EXPECT_STREQ("shape", GetSkin("probe1")->GetObjectClass());
    EXPECT_EQ(nullptr, GetSkin("probe2"));
    EXPECT_EQ(nullptr, GetSkin("probe3"));

    EXPECT_TRUE(skins.LoadXml("<skins><gradation name=\"probe1\"/></skins>"))
        << "the skin table was refused";
    EXPECT_STREQ("gradation", GetSkin("probe1")->GetObjectClass());
    EXPECT_FALSE(skins.LoadXml("<skin><shape name=\"probe4\"/></skin>"))
        << "a table with another root was taken";
    EXPECT_EQ(nullptr, GetSkin("probe4"));
}

TEST(SkinResources, ResourceDataIsExactAndMissingOnesFail) {
    std::string bytes;
    EXPECT_FALSE(LoadResourceData(9999, L"xml", bytes))
        << "a resource that does not exist was found";
    ASSERT_TRUE(LoadResourceData(kStyleTableId, L"XML", bytes))
        << "the style table's resource is missing (its type in upper case)";
    EXPECT_EQ(0u, bytes.find("<?xml")) << "the style table has no byte-order mark";
    EXPECT_EQ("</style>\r\n", bytes.substr(bytes.size() - 10));
    ASSERT_TRUE(LoadResourceData(kStringTableId, L"xml", bytes))
        << "the string table's resource is missing";
    EXPECT_EQ(0u, bytes.find("\xEF\xBB\xBF<?xml"));
}

TEST(SkinResources, ShippedTablesLoad) {
    LoadSkinResources();
    ASSERT_NE(nullptr, GetString(0));
    EXPECT_EQ(L"宋体", *GetString(0));
    EXPECT_EQ(L"Tessel", *GetString(1));
    EXPECT_EQ(L"微软雅黑", *GetString(2));
    EXPECT_EQ(L"黑体", *GetString(3));

    EXPECT_EQ(0xFFE83C3Cu, GetColor(0));
    EXPECT_EQ(0xFF3C3C3Cu, GetColor(10));
    EXPECT_EQ(0xFFFFFFFFu, GetColor(11));
    EXPECT_EQ(0xFF418DFFu, GetColor(52));
    EXPECT_EQ(0u, GetColor(7));

    const auto kinds = BkSkinPool::Instance().CountByKind();
    EXPECT_EQ(4, kinds.at("png"));
    EXPECT_EQ(2, kinds.at("button"));
    for (const char* name : {"btnSysClose", "btnSysMin", "btnSysMax", "imgMsgBoxTips"}) {
        SCOPED_TRACE(name);
        ASSERT_NE(nullptr, GetSkin(name)) << "the skin is missing";
        EXPECT_STREQ("png", GetSkin(name)->GetObjectClass());
    }
    EXPECT_EQ(12, GetSkin("btnSysClose")->GetSkinSize().cx);
    EXPECT_EQ(96, GetSkin("imgMsgBoxTips")->GetSkinSize().cy);
    EXPECT_STREQ("button", GetSkin("btnRoundRect2")->GetObjectClass());

    const BkStyle& confirm = GetStyle("btnRoundRect2");
    EXPECT_EQ("btnRoundRect2", confirm.skin);
    EXPECT_EQ(0x00FFFFFFu, confirm.crtext);
    EXPECT_EQ(0x00EEEEEEu, confirm.crdisabled);
    EXPECT_EQ(0x25u, confirm.textmode);
    EXPECT_EQ(IDC_HAND, confirm.cursor);
    const LOGFONTW face = FontOf(confirm.font);
    EXPECT_STREQ(L"微软雅黑", face.lfFaceName);
    EXPECT_EQ(-14, face.lfHeight);
    EXPECT_EQ(5, GetStyle("btnRoundRect1").xMargin);
    EXPECT_EQ(0x001F1FD9u, GetStyle("btnRoundRect1").crhover);
    EXPECT_EQ(IDC_HAND, GetStyle("linkimage").cursor);
    EXPECT_STREQ(L"宋体", FontOf(GetFont(0)).lfFaceName);
}

TEST(SkinResources, ShippedImagesHaveTheirSizes) {
    const struct {
        UINT id;
        UINT width;
        UINT height;
    } images[] = {{2, 36, 12}, {3, 36, 12}, {4, 36, 12}, {50, 384, 96}};
    for (const auto& expected : images) {
        SCOPED_TRACE("image " + std::to_string(expected.id));
        Gdiplus::Image* image = GetPng(expected.id);
        ASSERT_NE(nullptr, image) << "the image is missing";
        EXPECT_EQ(Gdiplus::Ok, image->GetLastStatus());
        EXPECT_EQ(expected.width, image->GetWidth());
        EXPECT_EQ(expected.height, image->GetHeight());
        EXPECT_EQ(image, GetPng(expected.id)) << "a second look-up made another image";
    }
    EXPECT_EQ(nullptr, GetPng(51));

    for (const int size : {16, 32}) {
        const HICON icon =
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(100),
                                          IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        EXPECT_NE(nullptr, icon) << size;
        DestroyIcon(icon);
    }
}
