#include <windows.h>

#include <gtest/gtest.h>

#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

#include "BkContainer.h"
#include "BkTabCtrl.h"

namespace {

// A real host window that records the notifications elements send it and can refuse page
// changes.
class RecordingHost {
public:
    RecordingHost() {
        static const ATOM registered = Register();
        (void)registered;
        window_ = CreateWindowExW(0, L"TesselTestHost", L"host", WS_POPUP, 0, 0, 400, 300, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), this);
    }
    ~RecordingHost() { DestroyWindow(window_); }
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    HWND window() const { return window_; }

    bool refusePageChange = false;
    std::vector<RECT> redraws;
    std::vector<BKNMTABSELCHANGE> pageChanges;

private:
    static ATOM Register() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TesselTestHost";
        return RegisterClassW(&wc);
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<RecordingHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NOTIFY && self) {
            const auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->code == BKNM_REDRAW) {
                self->redraws.push_back(reinterpret_cast<BKNMREDRAW*>(lParam)->rect);
            } else if (header->code == BKNM_TAB_SELCHANGE) {
                auto* change = reinterpret_cast<BKNMTABSELCHANGE*>(lParam);
                self->pageChanges.push_back(*change);
                change->cancel = self->refusePageChange ? 1 : 0;
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
};

std::unique_ptr<CBkDialog> LoadTree(const std::string& xml, HWND host = nullptr) {
    TiXmlDocument document;
    document.Parse(xml.c_str(), nullptr, TIXML_ENCODING_UTF8);
    EXPECT_FALSE(document.Error()) << xml;
    document.RootElement()->SetAttribute("width", "full");
    document.RootElement()->SetAttribute("height", "full");
    auto root = std::make_unique<CBkDialog>();
    root->AttachHostWindow(host);
    root->Load(document.RootElement());
    WINDOWPOS pos = {};
    pos.cx = 400;
    pos.cy = 300;
    root->Send(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return root;
}

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
        "</dlg>");
    CBkWindow* file = root->FindById(30);
    ASSERT_NE(nullptr, file);
    EXPECT_TRUE(file->IsClass("dlgfile"));
    EXPECT_FALSE(file->IsClass("dlg"));
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
        "<dlgfile id=\"3\" src=\"\"/></dlg>");
    for (const int id : {1, 2, 3}) {
        auto* file = static_cast<CBkContainerWnd*>(root->FindById(id));
        ASSERT_NE(nullptr, file);
        EXPECT_TRUE(file->Children().empty()) << id;
    }
    EXPECT_EQ(50, root->FindById(1)->GetRect().right);
    EXPECT_EQ(root->FindById(1)->GetHandle(), root->HitTest(POINT{20, 20}));
}

TEST(TabCtrl, PagesFillThePageAreaBelowTheStrip) {
    auto root = LoadTree(kTwoPages);
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
    EXPECT_TRUE(root->FindById(11)->IsVisible(false));
    EXPECT_FALSE(root->FindById(13)->IsVisible(false));
    EXPECT_EQ(root->FindById(12)->GetHandle(), root->HitTest(POINT{100, 100}));
    EXPECT_EQ(tabs->GetHandle(), root->HitTest(POINT{100, 10}));
}

TEST(TabCtrl, AHiddenFirstPageSelectsTheSecond) {
    auto root = LoadTree(
        "<dlg><tabctrl id=\"10\" pos=\"0,0,-0,-0\" tabwidth=\"60\" tabheight=\"20\">"
        "<tab id=\"11\" hide=\"1\"/><tab id=\"13\"/><tab id=\"15\"/></tabctrl></dlg>");
    CBkTabCtrl* tabs = TabCtrlOf(*root, 10);
    EXPECT_EQ(1, tabs->GetCurSel());
    EXPECT_TRUE(root->FindById(13)->IsVisible(false));
    EXPECT_FALSE(root->FindById(11)->IsVisible(false));
    const RECT hiddenTab = tabs->TabRect(0);
    EXPECT_TRUE(IsRectEmpty(&hiddenTab));
    EXPECT_EQ(0, tabs->TabRect(1).left) << "hidden pages take no place in the strip";
    EXPECT_EQ(60, tabs->TabRect(2).left);
}

TEST(TabCtrl, ClicksSelectOtherTabsAndRedrawThem) {
    RecordingHost host;
    auto root = LoadTree(kTwoPages, host.window());
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
    EXPECT_TRUE(root->FindById(13)->IsVisible(false));
    EXPECT_FALSE(root->FindById(11)->IsVisible(false));
    EXPECT_FALSE(host.redraws.empty());
    EXPECT_EQ(root->FindById(14)->GetHandle(), root->HitTest(POINT{100, 100}));

    EXPECT_FALSE(tabs->SelectPage(5));
    EXPECT_EQ(1, tabs->GetCurSel());
}

TEST(TabCtrl, ACancelledChangeChangesAndRedrawsNothing) {
    RecordingHost host;
    auto root = LoadTree(kTwoPages, host.window());
    CBkTabCtrl* tabs = TabCtrlOf(*root, 10);
    host.refusePageChange = true;
    host.redraws.clear();
    EXPECT_FALSE(tabs->SelectPage(1));
    EXPECT_EQ(1u, host.pageChanges.size());
    EXPECT_EQ(0, tabs->GetCurSel());
    EXPECT_TRUE(root->FindById(11)->IsVisible(false));
    EXPECT_TRUE(host.redraws.empty());
}

TEST(TabCtrl, LeftAlignmentStacksTabsDownwards) {
    auto root = LoadTree(
        "<dlg><tabctrl id=\"10\" pos=\"0,0,-0,-0\" tabalign=\"left\" tabwidth=\"80\" "
        "tabheight=\"24\" tabspacing=\"2\" framepos=\"5\"><tab/><tab/><tab/></tabctrl></dlg>");
    CBkTabCtrl* tabs = TabCtrlOf(*root, 10);
    EXPECT_EQ(0, tabs->TabRect(0).top);
    EXPECT_EQ(26, tabs->TabRect(1).top);
    EXPECT_EQ(52, tabs->TabRect(2).top);
    EXPECT_EQ(0, tabs->TabRect(2).left);
    EXPECT_EQ(85, tabs->PageArea().left);
    EXPECT_EQ(0, tabs->PageArea().top);
    EXPECT_EQ(E_FAIL, tabs->SetAttribute("tabalign", "right", true));
}
