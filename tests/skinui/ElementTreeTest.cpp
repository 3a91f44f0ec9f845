#include <gtest/gtest.h>

#include <tinyxml.h>

#include <memory>
#include <string>

#include "BkContainer.h"
#include "BkPngPool.h"
#include "BkString.h"
#include "BkStyle.h"
#include "DibCanvas.h"
#include "TestHost.h"

namespace {

struct PosCase {
    const char* text;
    int count;
    PosItem first;
    PosItem last;
};

class PosSyntax : public ::testing::TestWithParam<PosCase> {};

RECT RectOf(CBkDialog& root, int id) {
    CBkWindow* element = root.FindById(id);
    EXPECT_NE(nullptr, element) << id;
    return element ? element->GetRect() : RECT{-1, -1, -1, -1};
}

void ExpectRect(const RECT& rect, LONG left, LONG top, LONG right, LONG bottom) {
    EXPECT_EQ(left, rect.left);
    EXPECT_EQ(top, rect.top);
    EXPECT_EQ(right, rect.right);
    EXPECT_EQ(bottom, rect.bottom);
}

// The width of a text in the default font, as the elements measure it.
LONG TextWidth(const wchar_t* text) {
    CBkDialog probe;
    probe.SetText(text);
    SIZE size = {0, 0};
    probe.Send(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&size));
    return size.cx;
}

}  // namespace

TEST_P(PosSyntax, ItemsAndCount) {
    const PosCase& c = GetParam();
    PosItem items[kMaxPosItems];
    ASSERT_EQ(c.count, ParsePos(c.text, items));
    const PosItem& last = items[c.count > 0 ? c.count - 1 : 0];
    EXPECT_EQ(c.first.center, items[0].center);
    EXPECT_EQ(c.first.fromEnd, items[0].fromEnd);
    EXPECT_EQ(c.first.value, items[0].value);
    EXPECT_EQ(c.last.center, last.center);
    EXPECT_EQ(c.last.fromEnd, last.fromEnd);
    EXPECT_EQ(c.last.value, last.value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PosSyntax,
    ::testing::Values(
        PosCase{"10,20", 2, {0, 0, 10}, {0, 0, 20}}, PosCase{"1,2,3", 3, {0, 0, 1}, {0, 0, 3}},
        PosCase{"0,0,-0,-0", 4, {0, 0, 0}, {0, 1, 0}},
        PosCase{"1,2,3,4,5", 4, {0, 0, 1}, {0, 0, 4}}, PosCase{"80,|", 2, {0, 0, 80}, {1, 0, 0}},
        PosCase{"|-480,|-270,|480,|270", 4, {1, 1, 480}, {1, 0, 270}},
        PosCase{"0,|,-0,|40", 4, {0, 0, 0}, {1, 0, 40}}, PosCase{"", 0, {0, 0, 0}, {0, 0, 0}},
        // Numbers beyond any screen are clamped, so that resolving them cannot overflow.
        PosCase{"2147483647,|-99999999999", 2, {0, 0, 1 << 20}, {1, 1, 1 << 20}}));

TEST(PosResolve, EachFormAgainstASpan) {
    EXPECT_EQ(110, ResolvePosItem({0, 0, 10}, 100, 400));
    EXPECT_EQ(500, ResolvePosItem({0, 1, 0}, 100, 400));
    EXPECT_EQ(300, ResolvePosItem({1, 0, 0}, 100, 400));
    EXPECT_EQ(260, ResolvePosItem({1, 1, 40}, 100, 400));
    EXPECT_EQ(2, ResolvePosItem({1, 0, 0}, 0, 5)) << "half lengths round toward zero";
}

TEST(ElementLayout, FourItemBoxesAgainstTheContainer) {
    auto root = LoadTree(
        "<dlg><dlg id=\"1\" pos=\"0,0,-0,-0\"/><dlg id=\"2\" pos=\"-200,8,-120,-15\"/>"
        "<dlg id=\"3\" pos=\"|-480,|-270,|480,|270\"/><dlg id=\"4\" pos=\"0,|,-0,|40\"/></dlg>",
        1920, 1080);
    ExpectRect(RectOf(*root, 1), 0, 0, 1920, 1080);
    ExpectRect(RectOf(*root, 2), 1720, 8, 1800, 1065);
    ExpectRect(RectOf(*root, 3), 480, 270, 1440, 810);
    ExpectRect(RectOf(*root, 4), 0, 540, 1920, 580);
    EXPECT_EQ(4, root->FindById(1)->GetPosCount());
}

TEST(ElementLayout, MarginsShrinkTheContentRectangle) {
    ASSERT_TRUE(BkStylePool::Instance().LoadXml(
        "<style><class name=\"inset\" x-margin=\"10\" y-margin=\"4\"/></style>"));
    auto root = LoadTree(
        "<dlg><dlg id=\"1\" class=\"inset\" pos=\"20,30,-20,-30\">"
        "<dlg id=\"2\" pos=\"0,0,-0,-0\"/></dlg></dlg>",
        400, 300);
    ExpectRect(RectOf(*root, 1), 20, 30, 380, 270);
    ExpectRect(RectOf(*root, 2), 30, 34, 370, 266);
}

TEST(ElementLayout, TwoItemsTakeTheMeasuredTextAndPosModeCentres) {
    auto root = LoadTree(
        "<dlg><dlg id=\"1\" pos=\"10,20\">Tessel</dlg><dlg id=\"2\" pos=\"80,|\" posmode=\"1\">"
        "Tessel</dlg><dlg id=\"3\" pos=\"1,2,3\">Tessel</dlg></dlg>",
        400, 300);
    const LONG width = TextWidth(L"Tessel");
    ASSERT_GT(width, 0);
    const RECT first = RectOf(*root, 1);
    EXPECT_EQ(10, first.left);
    EXPECT_EQ(20, first.top);
    EXPECT_EQ(width, first.right - first.left);
    EXPECT_GT(first.bottom - first.top, 0);

    const RECT centred = RectOf(*root, 2);
    EXPECT_EQ(80 - width / 2, centred.left);
    EXPECT_EQ(150 - (centred.bottom - centred.top) / 2, centred.top);

    const CBkWindow* three = root->FindById(3);
    EXPECT_EQ(0, three->GetPosCount()) << "three items are no position";
    EXPECT_EQ(width, three->GetRect().right - three->GetRect().left) << "sized by its text";
}

TEST(ElementLayout, WidthsWithoutPosition) {
    auto root = LoadTree(
        "<dlg><dlg id=\"1\" width=\"full\" height=\"30\">x</dlg><dlg id=\"2\" width=\"120\">x</dlg>"
        "<dlg id=\"3\">Tessel</dlg><dlg id=\"4\" width=\"-5\" height=\"full\">Tessel</dlg></dlg>",
        400, 300);
    ExpectRect(RectOf(*root, 1), 0, 0, 400, 30);
    EXPECT_EQ(120, RectOf(*root, 2).right);
    EXPECT_EQ(TextWidth(L"Tessel"), RectOf(*root, 3).right);
    EXPECT_EQ(TextWidth(L"Tessel"), RectOf(*root, 4).right);
    EXPECT_EQ(300, RectOf(*root, 4).bottom);
    EXPECT_EQ(SizeWidthFull | SizeHeightFixed | SizeNotFloat, root->FindById(1)->GetSizeMode());
}

TEST(ElementLayout, RunTimePosChangeRelaysOutAtOnce) {
    auto root = LoadTree("<dlg><dlg id=\"1\" pos=\"0,0,10,10\"/></dlg>", 400, 300);
    CBkWindow* child = root->FindById(1);
    EXPECT_EQ(1, child->SetAttribute("pos", "-50,-50,-0,-0", false));
    ExpectRect(child->GetRect(), 350, 250, 400, 300);
}

TEST(ElementHitTest, TransparentElementsLetThePointThroughAndFloatingWins) {
    auto root = LoadTree(
        "<dlg><dlg id=\"1\" pos=\"0,0,100,100\"/><dlg id=\"2\" pos=\"0,0,100,100\" "
        "transparent=\"1\"/><dlg id=\"3\" width=\"50\" height=\"50\" float=\"1\"/>"
        "<dlg id=\"4\" pos=\"0,0,60,60\"/><dlg id=\"5\" pos=\"0,0,100,100\" show=\"0\"/></dlg>",
        400, 300);
    EXPECT_EQ(root->FindById(3)->GetHandle(), root->HitTest(POINT{10, 10}));
    EXPECT_EQ(root->FindById(4)->GetHandle(), root->HitTest(POINT{55, 55}));
    EXPECT_EQ(root->FindById(1)->GetHandle(), root->HitTest(POINT{80, 80}));
    EXPECT_EQ(root->GetHandle(), root->HitTest(POINT{200, 200}));
    EXPECT_EQ(0, root->HitTest(POINT{500, 10}));
}

TEST(ElementHitTest, OnlyDrawChildStopsAtTheContainer) {
    auto root = LoadTree(
        "<dlg><dlg id=\"1\" pos=\"0,0,100,100\" onlydrawchild=\"1\"><dlg id=\"2\" "
        "pos=\"0,0,-0,-0\"/></dlg></dlg>",
        400, 300);
    EXPECT_EQ(root->FindById(1)->GetHandle(), root->HitTest(POINT{10, 10}));
}

TEST(ElementTree, EachTagMakesItsElementExactlyAndItAnswersItsTag) {
    for (const char* tag :
         {"dlg",    "dlgfile",  "text",     "button",         "img",      "imgZoom", "progress",
          "imgbtn", "realwnd",  "hr",       "check",          "icon",     "tabctrl", "radio",
          "link",   "memimage", "imglisth", "iconfrommodule", "imgHover", "slider",  "edit"}) {
        std::unique_ptr<CBkWindow> element = CreateElementByTag(tag);
        ASSERT_NE(nullptr, element) << tag;
        EXPECT_STREQ(tag, element->GetObjectClass());
    }
    for (const char* tag : {"Dlg", "IMG", "imghover", "tab", "style", "layer", ""}) {
        EXPECT_EQ(nullptr, CreateElementByTag(tag)) << tag;
    }
}

TEST(ElementTree, FindByIdPrefersADirectChild) {
    auto root = LoadTree(
        "<dlg><dlg id=\"1\"><dlg id=\"7\" name=\"deep\"/></dlg><dlg id=\"7\"/>"
        "<unknown id=\"8\"><dlg id=\"9\"/></unknown></dlg>",
        400, 300);
    EXPECT_EQ(root->FindById(7)->GetParentHandle(), root->GetHandle());
    EXPECT_EQ(nullptr, root->FindById(8));
    EXPECT_EQ(nullptr, root->FindById(9)) << "an unknown tag's subtree is skipped";
    EXPECT_EQ(2u, root->Children().size());
}

TEST(ElementTree, ALayoutMakesBoundedElementsAndNesting) {
    std::string flat = "<dlg>";
    for (int i = 0; i < 10050; ++i) {
        flat += i % 2 ? "<text/>" : "<tabctrl><tab/></tabctrl>";
    }
    auto root = LoadTree(flat + "</dlg>", 100, 100);
    EXPECT_EQ(6667u, root->Children().size())
        << "10,000 elements in all, tab pages counted: two for every tab control";

    std::string deep;
    for (int i = 1; i <= 100; ++i) {
        deep += "<dlg id=\"" + std::to_string(i) + "\">";
    }
    for (int i = 0; i < 100; ++i) {
        deep += "</dlg>";
    }
    root = LoadTree("<dlg>" + deep + "</dlg>", 100, 100);
    EXPECT_NE(nullptr, root->FindById(64)) << "containers nest 64 deep";
    EXPECT_EQ(nullptr, root->FindById(65)) << "and no deeper";
}

TEST(ElementTree, HandlesAreNeverReusedAndStaleOnesFindNothing) {
    int handle = 0;
    {
        auto root = LoadTree("<dlg><dlg id=\"1\"/></dlg>", 10, 10);
        handle = root->FindById(1)->GetHandle();
        EXPECT_EQ(root->FindById(1), ElementFromHandle(handle));
        EXPECT_EQ(root.get(), root->FindById(1)->GetParent());
    }
    EXPECT_EQ(nullptr, ElementFromHandle(handle));
    CBkDialog later;
    EXPECT_GT(later.GetHandle(), handle);
}

TEST(ElementTree, HiddenAncestorsHideAndDisableDescendants) {
    auto root = LoadTree("<dlg><dlg id=\"1\" show=\"0\"><dlg id=\"2\"/></dlg><dlg id=\"3\"/></dlg>",
                         10, 10);
    EXPECT_FALSE(root->FindById(2)->IsVisible(true));
    EXPECT_TRUE(root->FindById(2)->IsVisible(false));
    root->FindById(1)->Send(WM_SHOWWINDOW, 1);
    EXPECT_TRUE(root->FindById(2)->IsVisible(true));
    root->ModifyState(StateDisabled, 0);
    EXPECT_TRUE(root->FindById(3)->IsDisabled(true));
    EXPECT_FALSE(root->FindById(3)->IsDisabled(false));
}

TEST(ElementAttributes, ClassAfterCrtextDiscardsTheColourAndWordsAreChecked) {
    ASSERT_TRUE(BkStylePool::Instance().LoadXml("<style><class name=\"plain\"/></style>"));
    auto root = LoadTree(
        "<dlg><dlg id=\"1\" crtext=\"112233\" class=\"plain\"/><dlg id=\"2\" class=\"plain\" "
        "crtext=\"112233\" valign=\"middle\" align=\"right\"/></dlg>",
        10, 10);
    EXPECT_EQ(0xFFFFFFFFu, root->FindById(1)->GetStyle().crtext);
    EXPECT_EQ(0x00332211u, root->FindById(2)->GetStyle().crtext);
    EXPECT_EQ(0x1000, root->FindById(2)->GetVAlign());
    EXPECT_EQ(0x8000, root->FindById(2)->GetAlign());

    CBkWindow* element = root->FindById(2);
    EXPECT_EQ(E_FAIL, element->SetAttribute("align", "justify", true));
    EXPECT_EQ(0x8000, element->GetAlign());
    EXPECT_EQ(E_FAIL, element->SetAttribute("colour", "1", true));
    EXPECT_EQ(1, element->SetAttribute("pos", "", false));
}

TEST(StringSubstitution, EntriesOfTheStringTable) {
    ASSERT_TRUE(BkString::Instance().LoadXml(
        "<string><s id=\"5\">five</s><s id=\"6\">%str5%</s><s id=\"7\"></s></string>"));
    EXPECT_EQ(L"a five b", SubstituteStrings(L"a %str5% b"));
    EXPECT_EQ(L"fivefive", SubstituteStrings(L"%str5%%str5%"));
    EXPECT_EQ(L"x %str0% %str5%", SubstituteStrings(L"x %str0% %str5%"));
    EXPECT_EQ(L"y %str5", SubstituteStrings(L"y %str5"));
    EXPECT_EQ(L"[]", SubstituteStrings(L"[%str99%]"));
    EXPECT_EQ(L"[%str5%]", SubstituteStrings(L"[%str6%]")) << "replacements are not rescanned";
}

TEST(ElementPaint, BackgroundColourAndRegionClipping) {
    BkPngPool::Instance();
    auto root = LoadTree(
        "<dlg><dlg id=\"1\" pos=\"10,10,30,30\" crbg=\"e83c3c\"/>"
        "<dlg id=\"2\" pos=\"50,10,70,30\" crbg=\"418dff\"/></dlg>",
        100, 50);
    DibCanvas canvas(100, 50, 0xFFFFFF);
    const HRGN region = CreateRectRgn(0, 0, 40, 50);
    EXPECT_TRUE(root->PaintInRegion(canvas.dc(), region));
    DeleteObject(region);
    EXPECT_EQ(0xE83C3Cu, canvas.Pixel(10, 10));
    EXPECT_EQ(0xE83C3Cu, canvas.Pixel(29, 29));
    EXPECT_EQ(0xFFFFFFu, canvas.Pixel(30, 30));
    EXPECT_EQ(0xFFFFFFu, canvas.Pixel(60, 20)) << "outside the region nothing is painted";
    EXPECT_TRUE(root->PaintInRegion(canvas.dc(), nullptr));
    EXPECT_EQ(0x418DFFu, canvas.Pixel(60, 20));
}

TEST(ElementHost, HoverRepaintsWithTheHoverColourAndClicksReachTheElement) {
    ASSERT_TRUE(BkStylePool::Instance().LoadXml(
        "<style><class name=\"hot\" crbg=\"418dff\" crbghover=\"e83c3c\"/></style>"));
    TestHost host(
        "<dlg><dlg id=\"1\" class=\"hot\" pos=\"10,10,50,50\"/>"
        "<check id=\"2\" pos=\"60,10\">Tessel</check></dlg>",
        120, 60);
    CBkWindow* hot = host.root().FindById(1);
    EXPECT_TRUE(hot->RepaintsOnStateChange());

    DibCanvas canvas(120, 60, 0xFFFFFF);
    host.Paint(canvas);
    EXPECT_EQ(0x418DFFu, canvas.Pixel(20, 20));
    host.MouseMove(20, 20);
    EXPECT_TRUE(hot->GetState() & StateHover);
    host.Paint(canvas);
    EXPECT_EQ(0xE83C3Cu, canvas.Pixel(20, 20));
    host.MouseLeave();
    host.Paint(canvas);
    EXPECT_EQ(0x418DFFu, canvas.Pixel(20, 20));

    CBkWindow* check = host.root().FindById(2);
    host.Click(check->GetRect().left + 2, check->GetRect().top + 2);
    EXPECT_TRUE(check->GetState() & StateChecked);
    EXPECT_FALSE(check->GetState() & StatePushed);
    host.Click(check->GetRect().left + 2, check->GetRect().top + 2);
    EXPECT_FALSE(check->GetState() & StateChecked);
}
