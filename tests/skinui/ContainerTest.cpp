#include <windows.h>

#include <gtest/gtest.h>

#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

#include "BkContainer.h"
#include "BkTabCtrl.h"
#include "TestHost.h"

namespace {

CBkTabCtrl* TabCtrlOf(CBkDialog& root, int id) {
    return static_cast<CBkTabCtrl*>(root.FindById(id));
}

LPARAM PointParam(int x, int y) {
    return MAKELPARAM(x, y);
}

const char kTwoPages[] =
    "<dlg><tabctrl id=\"10\" pos=\"0,0,-0,-0\" tabwidth=\"60\" tabheight=\"20\" "
    "tabspacing=\"4\" tabpos=\"2\" framepos=\"3\">"
    "<tab id=\"11\" title=\"One\"><dlg id=\"12\" pos=\"0,0,-0,-0\"/></tab>"
    "<tab id=\"13\" title=\"Two\"><dlg id=\"14\" pos=\"0,0,-0,-0\"/></tab>"
    "<dlg id=\"15\"/></tabctrl></dlg>";

}  // namespace

TEST(DialogFile, ChildrenComeFromTheNamedResource) {
    auto root = LoadTree(
        "<dlg><dlgfile id=\"30\" src=\"900\" pos=\"10,10,-10,-10\"><dlg id=\"39\"/></dlgfile>"
        "</dlg>",
        400, 300);
    CBkWindow* file = root->FindById(30);
    ASSERT_NE(nullptr, file);
    EXPECT_TRUE(file->IsClass("dlgfile")) << "the included file's element does not answer its tag";
    EXPECT_FALSE(file->IsClass("dlg"))
        << "the included file's element answers the plain dialog's tag";
    ASSERT_NE(nullptr, root->FindById(33));
    EXPECT_EQ(nullptr, root->FindById(39)) << "its own XML children are ignored";
    const RECT inner = root->FindById(33)->GetRect();
    EXPECT_EQ(15, inner.left);
    EXPECT_EQ(35, inner.top);
    EXPECT_EQ(file->GetHandle(), root->FindById(31)->GetParentHandle());
}

TEST(DialogFile, MissingOrForeignResourcesLeaveItEmpty) {
    auto root = LoadTree(
        "<dlg><dlgfile id=\"1\" src=\"999\" pos=\"0,0,50,50\"/><dlgfile id=\"2\" src=\"901\"/>"
        "<dlgfile id=\"3\" src=\"\"/></dlg>",
        400, 300);
    for (const int id : {1, 2, 3}) {
        SCOPED_TRACE("dlgfile " + std::to_string(id));
        auto* file = static_cast<CBkContainerWnd*>(root->FindById(id));
        ASSERT_NE(nullptr, file) << "the element is missing";
        EXPECT_TRUE(file->Children().empty()) << "it loaded children";
    }
    EXPECT_EQ(50, root->FindById(1)->GetRect().right);
    EXPECT_EQ(root->FindById(1)->GetHandle(), root->HitTest(POINT{20, 20}));
}

size_t ChildCount(CBkDialog& root, int id) {
    auto* container = static_cast<CBkContainerWnd*>(root.FindById(id));
    return container ? container->Children().size() : 999;
}

TEST(DialogFile, AFileOnItsOwnIncludePathIsLeftEmpty) {
    auto root = LoadTree(
        "<dlg><dlgfile id=\"1\" src=\"902\" pos=\"0,0,-0,100\"/>"
        "<dlgfile id=\"2\" src=\"903\" pos=\"0,100,-0,-0\"/></dlg>",
        400, 300);
    ASSERT_EQ(2u, ChildCount(*root, 1)) << "the file that includes itself loads once";
    EXPECT_EQ(0u, ChildCount(*root, 42)) << "its inclusion of itself stays empty";
    ASSERT_EQ(2u, ChildCount(*root, 2));
    ASSERT_EQ(2u, ChildCount(*root, 52)) << "the second file of a cycle loads";
    EXPECT_EQ(0u, ChildCount(*root, 62)) << "its inclusion of the first stays empty";

    // The same file side by side, not nested, loads each time.
    auto twice = LoadTree(
        "<dlg><dlgfile id=\"1\" src=\"900\"/><dlgfile id=\"2\" src=\"900\"/></dlg>", 400, 300);
    EXPECT_EQ(2u, ChildCount(*twice, 1));
    EXPECT_EQ(2u, ChildCount(*twice, 2));
}

TEST(TabCtrl, PagesFillThePageAreaBelowTheStrip) {
    auto root = LoadTree(kTwoPages, 400, 300);
    CBkTabCtrl* tabs = TabCtrlOf(*root, 10);
    ASSERT_EQ(2u, tabs->Children().size()) << "only tab children become pages";
    const RECT area = tabs->PageArea();
    EXPECT_EQ(23, area.top);
    EXPECT_EQ(0, area.left);
    const RECT page = root->FindById(12)->GetRect();
    EXPECT_EQ(area.top, page.top);
    EXPECT_EQ(area.bottom, page.bottom);

    const RECT first = tabs->TabRect(0);
    const RECT second = tabs->TabRect(1);
    EXPECT_EQ(2, first.left);
    EXPECT_EQ(62, first.right);
    EXPECT_EQ(66, second.left);
    EXPECT_EQ(20, second.bottom);

    EXPECT_EQ(0, tabs->GetCurSel());
    EXPECT_TRUE(root->FindById(11)->IsVisible(false)) << "the first page is hidden";
    EXPECT_FALSE(root->FindById(13)->IsVisible(false))
        << "the second page shows before it is selected";
    EXPECT_EQ(root->FindById(12)->GetHandle(), root->HitTest(POINT{100, 100}));
    EXPECT_EQ(tabs->GetHandle(), root->HitTest(POINT{100, 10}));
}

TEST(TabCtrl, AHiddenFirstPageSelectsTheSecond) {
    auto root = LoadTree(
        "<dlg><tabctrl id=\"10\" pos=\"0,0,-0,-0\" tabwidth=\"60\" tabheight=\"20\">"
        "<tab id=\"11\" hide=\"1\"/><tab id=\"13\"/><tab id=\"15\"/></tabctrl></dlg>",
        400, 300);
    CBkTabCtrl* tabs = TabCtrlOf(*root, 10);
    EXPECT_EQ(1, tabs->GetCurSel());
    EXPECT_TRUE(root->FindById(13)->IsVisible(false)) << "the selected page is hidden";
    EXPECT_FALSE(root->FindById(11)->IsVisible(false)) << "the page left shows";
    const RECT hiddenTab = tabs->TabRect(0);
    EXPECT_TRUE(IsRectEmpty(&hiddenTab)) << "the hidden tab's area is not empty";
    EXPECT_EQ(0, tabs->TabRect(1).left) << "hidden pages take no place in the strip";
    EXPECT_EQ(60, tabs->TabRect(2).left);
}

TEST(TabCtrl, ClicksSelectOtherTabsAndRedrawThem) {
    TestHost host(kTwoPages, 400, 300);
    CBkDialog* root = &host.root();
    CBkTabCtrl* tabs = TabCtrlOf(*root, 10);

    tabs->Send(WM_LBUTTONDOWN, 0, PointParam(10, 10));
    EXPECT_TRUE(host.pageChanges.empty()) << "clicking the current tab does nothing";

    tabs->Send(WM_MOUSEMOVE, 0, PointParam(70, 10));
    EXPECT_EQ(1, tabs->GetHoverTab());
    tabs->Send(WM_LBUTTONDOWN, 0, PointParam(70, 10));
    ASSERT_EQ(1u, host.pageChanges.size());
    EXPECT_EQ(10, host.pageChanges[0].tabCtrlId);
    EXPECT_EQ(1, host.pageChanges[0].newIndex);
    EXPECT_EQ(0, host.pageChanges[0].oldIndex);
    EXPECT_EQ(1, tabs->GetCurSel());
    EXPECT_TRUE(root->FindById(13)->IsVisible(false)) << "the selected page is hidden";
    EXPECT_FALSE(root->FindById(11)->IsVisible(false)) << "the page left shows";
    EXPECT_FALSE(host.redraws.empty()) << "selecting a page repainted nothing";
    EXPECT_EQ(root->FindById(14)->GetHandle(), root->HitTest(POINT{100, 100}));

    EXPECT_FALSE(tabs->SelectPage(5)) << "a page that does not exist was selected";
    EXPECT_EQ(1, tabs->GetCurSel());
}

TEST(TabCtrl, ACancelledChangeChangesAndRedrawsNothing) {
    TestHost host(kTwoPages, 400, 300);
    CBkDialog* root = &host.root();
    CBkTabCtrl* tabs = TabCtrlOf(*root, 10);
    host.refusePageChange = true;
    host.redraws.clear();
    EXPECT_FALSE(tabs->SelectPage(1)) << "the refused page change was carried out";
    EXPECT_EQ(1u, host.pageChanges.size());
    EXPECT_EQ(0, tabs->GetCurSel());
    EXPECT_TRUE(root->FindById(11)->IsVisible(false)) << "the shown page changed";
    EXPECT_TRUE(host.redraws.empty()) << "a refused selection repainted";
}

TEST(TabCtrl, LeftAlignmentStacksTabsDownwards) {
    auto root = LoadTree(
        "<dlg><tabctrl id=\"10\" pos=\"0,0,-0,-0\" tabalign=\"left\" tabwidth=\"80\" "
        "tabheight=\"24\" tabspacing=\"2\" framepos=\"5\"><tab/><tab/><tab/></tabctrl></dlg>",
        400, 300);
    CBkTabCtrl* tabs = TabCtrlOf(*root, 10);
    EXPECT_EQ(0, tabs->TabRect(0).top);
    EXPECT_EQ(26, tabs->TabRect(1).top);
    EXPECT_EQ(52, tabs->TabRect(2).top);
    EXPECT_EQ(0, tabs->TabRect(2).left);
    EXPECT_EQ(85, tabs->PageArea().left);
    EXPECT_EQ(0, tabs->PageArea().top);
    EXPECT_EQ(E_FAIL, tabs->SetAttribute("tabalign", "right", true));
}
