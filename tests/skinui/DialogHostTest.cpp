#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "BkDialogImpl.h"
#include "BkEdit.h"
#include "BkPngPool.h"
#include "BkSkinResources.h"
#include "BkTabCtrl.h"
#include "DibCanvas.h"
#include "DialogTestSupport.h"
#include "TempFolder.h"

namespace {

// A 300 x 200 window: a header strip with a text and a button, two buttons below, one without
// an id, a link-like text with an href slot and a real-window slot.
std::string Layout(const std::string& layerAttributes = "", const std::string& href = "") {
    return u8"<layer width=\"300\" height=\"200\" crbg=\"F0F0F0\" Headerheight=\"40\" "
           u8"title=\"ignored\" " +
           layerAttributes +
           u8">"
           u8"<text id=\"5\" pos=\"10,10,60,30\">标题</text>"
           u8"<button id=\"6\" pos=\"100,10,160,30\">X</button>"
           u8"<button id=\"7\" class=\"btnRoundRect2\" pos=\"20,100,120,140\" tip=\"Press "
           u8"me\">OK</button>"
           u8"<button pos=\"140,100,200,140\">zero</button>"
           u8"<text id=\"9\" pos=\"20,150,120,170\" href=\"" +
           href +
           u8"\">link</text>"
           u8"<realwnd id=\"15\" pos=\"220,150,-10,-10\"/>"
           u8"</layer>";
}

class DialogHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        BkPngPool::Instance();
        LoadSkinResources();
    }
};

// The centre of element `id`, in view coordinates.
POINT CentreOf(TestDialog& dialog, int id) {
    const RECT rect = dialog.GetView().FindElement(id)->GetRect();
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void Click(TestDialog& dialog, int id) {
    const POINT centre = CentreOf(dialog, id);
    ClickAt(dialog.view(), centre.x, centre.y);
}

TEST_F(DialogHost, ClickOnAButtonInAModalRunReportsItsIdAndTag) {
    OwnerWindow owner(100, 100, 600, 400);
    TestDialog dialog(Layout());
    dialog.endOnCommand = true;
    bool ownerEnabledDuringRun = true;
    HWND view = nullptr;
    dialog.script = [&](TestDialog& d) {
        ownerEnabledDuringRun = IsWindowEnabled(owner.hwnd()) != FALSE;
        view = d.view();
        Click(d, 7);
    };
    EXPECT_EQ(7, dialog.DoModal(owner.hwnd()));
    EXPECT_FALSE(ownerEnabledDuringRun) << "the owner stayed enabled during the modal run";
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd())) << "the owner was not enabled again";
    EXPECT_FALSE(dialog.IsWindow()) << "the ended dialog's window still exists";
    ASSERT_EQ(std::vector<int>{7}, dialog.CommandIds());
    const SeenCommand& command = dialog.seen.back();
    EXPECT_EQ("button", command.elementClass);
    EXPECT_EQ(1000u, command.idFrom);
    EXPECT_EQ(view, command.from);
}

TEST_F(DialogHost, PressMovedOffBeforeReleaseIsNoClick) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    ShowWindow(dialog.m_hWnd, SW_SHOWNA);
    CBkWindow* button = dialog.GetView().FindElement(7);
    const POINT at = CentreOf(dialog, 7);
    SendMouse(dialog.view(), WM_MOUSEMOVE, at.x, at.y);
    SendMouse(dialog.view(), WM_LBUTTONDOWN, at.x, at.y, MK_LBUTTON);
    EXPECT_EQ(StateHover | StatePushed, button->GetState() & (StateHover | StatePushed));
    EXPECT_EQ(dialog.view(), GetCapture());
    SendMouse(dialog.view(), WM_MOUSEMOVE, 250, 60, MK_LBUTTON);
    EXPECT_EQ(0u, button->GetState() & StateHover);
    SendMouse(dialog.view(), WM_LBUTTONUP, 250, 60);
    EXPECT_EQ(0u, button->GetState() & StatePushed);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_TRUE(dialog.CommandIds().empty()) << "a press released off the button was a click";

    // Dragged out of the window: the capture brings the moves and the release from outside.
    for (const POINT outside : {POINT{-30, at.y}, POINT{at.x, 260}}) {
        SCOPED_TRACE("released at " + std::to_string(outside.x) + "," + std::to_string(outside.y));
        SendMouse(dialog.view(), WM_MOUSEMOVE, at.x, at.y);
        SendMouse(dialog.view(), WM_LBUTTONDOWN, at.x, at.y, MK_LBUTTON);
        SendMouse(dialog.view(), WM_MOUSEMOVE, outside.x, outside.y, MK_LBUTTON);
        EXPECT_EQ(0u, button->GetState() & StateHover) << "hover stays outside the window";
        SendMouse(dialog.view(), WM_LBUTTONUP, outside.x, outside.y);
        EXPECT_TRUE(dialog.CommandIds().empty()) << "a release outside the window was a click";
    }
    // Released outside without a move in between.
    SendMouse(dialog.view(), WM_MOUSEMOVE, at.x, at.y);
    SendMouse(dialog.view(), WM_LBUTTONDOWN, at.x, at.y, MK_LBUTTON);
    SendMouse(dialog.view(), WM_LBUTTONUP, 310, at.y);
    EXPECT_TRUE(dialog.CommandIds().empty()) << "a release outside the element was a click";

    // A button without an id is clickable but reports nothing.
    Click(dialog, 7);
    const RECT zero = {140, 100, 200, 140};
    ClickAt(dialog.view(), (zero.left + zero.right) / 2, (zero.top + zero.bottom) / 2);
    EXPECT_EQ(std::vector<int>{7}, dialog.CommandIds());
}

TEST_F(DialogHost, DisabledElementsGetNoHoverPushOrClick) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    CBkWindow* button = dialog.GetView().FindElement(7);
    button->ModifyState(StateDisabled, 0);
    Click(dialog, 7);
    EXPECT_EQ(0u, button->GetState() & (StateHover | StatePushed));
    EXPECT_TRUE(dialog.CommandIds().empty()) << "a disabled button was clicked";
}

TEST_F(DialogHost, MouseEnterAndLeaveAreReportedAndLeaveClearsStates) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    CBkWindow* button = dialog.GetView().FindElement(7);
    const POINT at = CentreOf(dialog, 7);
    SendMouse(dialog.view(), WM_MOUSEMOVE, at.x, at.y);
    SendMouse(dialog.view(), WM_LBUTTONDOWN, at.x, at.y, MK_LBUTTON);
    SendMessageW(dialog.view(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(0u, button->GetState() & (StateHover | StatePushed));
    ASSERT_GE(dialog.seen.size(), 2u);
    EXPECT_EQ(BKNM_MOUSEENTER, dialog.seen.front().code);
    EXPECT_EQ(BKNM_MOUSELEAVE, dialog.seen.back().code);
    SendMouse(dialog.view(), WM_LBUTTONUP, at.x, at.y);
    EXPECT_TRUE(dialog.CommandIds().empty()) << "a release after the mouse left was a click";
}

TEST_F(DialogHost, EnterEscapeAndCloseAreClicksOnElementsOneAndTwo) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    const HWND window = dialog.m_hWnd;
    SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageW(window, WM_CLOSE, 0, 0);
    SendMessageW(window, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ((std::vector<int>{2, 1, 2}), dialog.CommandIds());
    EXPECT_EQ("", dialog.seen.back().elementClass);
    EXPECT_EQ(window, dialog.seen.back().from);
    EXPECT_EQ(1000u, dialog.seen.back().idFrom);

    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(3u, dialog.CommandIds().size());

    EnableWindow(window, FALSE);
    SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(3u, dialog.CommandIds().size());
}

TEST_F(DialogHost, HeaderStripDragsOnTextButPressesButtons) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    ShowWindow(dialog.m_hWnd, SW_SHOWNA);
    const POINT text = CentreOf(dialog, 5);
    SendMouse(dialog.view(), WM_LBUTTONDOWN, text.x, text.y, MK_LBUTTON);
    EXPECT_EQ(std::vector<WPARAM>{0xF012}, dialog.sysCommands);
    EXPECT_EQ(nullptr, GetCapture());
    SendMouse(dialog.view(), WM_LBUTTONUP, text.x, text.y);

    // The empty strip (the root element) drags too; below it nothing does.
    SendMouse(dialog.view(), WM_LBUTTONDOWN, 250, 20, MK_LBUTTON);
    SendMouse(dialog.view(), WM_LBUTTONUP, 250, 20);
    SendMouse(dialog.view(), WM_LBUTTONDOWN, 250, 60, MK_LBUTTON);
    SendMouse(dialog.view(), WM_LBUTTONUP, 250, 60);
    EXPECT_EQ((std::vector<WPARAM>{0xF012, 0xF012}), dialog.sysCommands);

    Click(dialog, 6);
    EXPECT_EQ(2u, dialog.sysCommands.size());
    EXPECT_EQ(std::vector<int>{6}, dialog.CommandIds());
}

TEST_F(DialogHost, MaximisedWindowIsNotDraggedAndDoubleClickRestoresOnlyWhenResizable) {
    TestDialog fixed(Layout());
    ASSERT_TRUE(fixed.Create(nullptr)) << "the dialog window was not created";
    SendMouse(fixed.view(), WM_LBUTTONDBLCLK, 250, 20, MK_LBUTTON);
    EXPECT_TRUE(fixed.sysCommands.empty())
        << "a double click on a fixed-size window's strip did something";

    TestDialog noMax(Layout("resize=\"1\" nomaxsize=\"1\""));
    ASSERT_TRUE(noMax.Create(nullptr)) << "the dialog window was not created";
    SendMouse(noMax.view(), WM_LBUTTONDBLCLK, 250, 20, MK_LBUTTON);
    EXPECT_TRUE(noMax.sysCommands.empty())
        << "a double click maximized a window that may not be maximized";

    TestDialog resizable(Layout("resize=\"1\""));
    ASSERT_TRUE(resizable.Create(nullptr)) << "the dialog window was not created";
    SendMouse(resizable.view(), WM_LBUTTONDBLCLK, 250, 20, MK_LBUTTON);
    SendMouse(resizable.view(), WM_LBUTTONDBLCLK, 130, 20, MK_LBUTTON);  // on the button
    SendMouse(resizable.view(), WM_LBUTTONDBLCLK, 250, 60, MK_LBUTTON);  // below the strip
    EXPECT_EQ(std::vector<WPARAM>{SC_MAXIMIZE | HTCAPTION}, resizable.sysCommands);

    ShowWindow(resizable.m_hWnd, SW_MAXIMIZE);
    resizable.sysCommands.clear();
    SendMouse(resizable.view(), WM_LBUTTONDOWN, 250, 20, MK_LBUTTON);
    SendMouse(resizable.view(), WM_LBUTTONUP, 250, 20);
    SendMouse(resizable.view(), WM_LBUTTONDBLCLK, 250, 20, MK_LBUTTON);
    EXPECT_EQ(std::vector<WPARAM>{SC_RESTORE | HTCAPTION}, resizable.sysCommands);
}

TEST_F(DialogHost, ElementWithHrefOpensItInsteadOfNotifying) {
    TempFolder folder;
    const std::wstring target = folder.path() + L"\\href_target.exe";
    ASSERT_TRUE(CopyFileW((ExecutableFolder() + L"href_target.exe").c_str(), target.c_str(), FALSE))
        << "the href target program could not be copied";
    TestDialog dialog(Layout("", folder.narrowPath() + "\\href_target.exe"));
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    Click(dialog, 9);
    EXPECT_TRUE(dialog.CommandIds().empty()) << "an element with an href notified its window";
    const std::wstring marker = target + L".ran";
    for (int i = 0; i < 200 && GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
        Sleep(50);
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(marker.c_str()));
    Sleep(200);  // let the started program end before its folder goes
}

TEST_F(DialogHost, EndDialogFromATimerEndsTheModalRunWithItsCode) {
    OwnerWindow owner(0, 0, 200, 200);
    TestDialog dialog(Layout());
    HWND duringRun = nullptr;
    dialog.script = [&](TestDialog& d) {
        duringRun = d.m_hWnd;
        AddOpenWindow(d.m_hWnd);
        d.EndDialog(42);
    };
    EXPECT_EQ(42, dialog.DoModal(owner.hwnd()));
    EXPECT_FALSE(IsWindow(duringRun)) << "the ended dialog's window still exists";
    const std::vector<HWND> open = OpenWindows();
    EXPECT_EQ(0, std::count(open.begin(), open.end(), duringRun))
        << "the ended dialog is still among the open windows";
}

TEST_F(DialogHost, NestedModalWindowIsOwnedByTheCurrentOne) {
    TestDialog outer(Layout());
    HWND innerOwner = nullptr;
    bool outerEnabledDuringInner = true;
    outer.script = [&](TestDialog& o) {
        TestDialog inner(Layout());
        inner.script = [&](TestDialog& i) {
            innerOwner = GetWindow(i.m_hWnd, GW_OWNER);
            outerEnabledDuringInner = IsWindowEnabled(o.m_hWnd) != FALSE;
            i.EndDialog(1);
        };
        EXPECT_EQ(1, inner.DoModal());
        EXPECT_TRUE(IsWindowEnabled(o.m_hWnd)) << "the outer dialog was not enabled again";
        o.EndDialog(2);
    };
    HWND outerWindow = nullptr;
    outer.onInit = [&](TestDialog& o) { outerWindow = o.m_hWnd; };
    EXPECT_EQ(2, outer.DoModal());
    EXPECT_EQ(outerWindow, innerOwner);
    EXPECT_FALSE(outerEnabledDuringInner)
        << "the outer dialog stayed enabled while the inner one ran";
}

TEST_F(DialogHost, QuitRequestEndsTheModalRunAndStaysForTheOuterLoop) {
    TestDialog dialog(Layout());
    dialog.script = [](TestDialog&) { PostQuitMessage(3); };
    EXPECT_EQ(0, dialog.DoModal());
    MSG message = {};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the quit request was not left for the outer loop";
    EXPECT_EQ(3u, message.wParam);
}

TEST_F(DialogHost, MissingOrBadLayoutOpensNothingAndFreesTheOwner) {
    OwnerWindow owner(0, 0, 100, 100);
    TestDialog dialog("<dlg/>");
    EXPECT_EQ(0, dialog.DoModal(owner.hwnd()));
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd())) << "the owner was not enabled again";
    CBkDialogEx missing(9999, 1000);
    EXPECT_EQ(nullptr, missing.Create(nullptr));
}

TEST_F(DialogHost, NonLayerXmlEmptiesTheViewAndPaintsOnlyTheBackground) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    EXPECT_NE(nullptr, dialog.GetView().FindElement(7));
    EXPECT_FALSE(dialog.SetXml("<dlg><button id=\"7\" pos=\"0,0,10,10\"/></dlg>"))
        << "a layout without a layer root was taken";
    EXPECT_FALSE(dialog.SetXml("<layer")) << "broken XML was taken";
    EXPECT_FALSE(dialog.GetView().IsLayoutLoaded()) << "the view still has a layout";
    EXPECT_TRUE(dialog.GetView().Root().Children().empty()) << "the view kept its elements";
    EXPECT_EQ(nullptr, dialog.GetView().FindElement(7));
    DibCanvas canvas(300, 200, 0x123456);
    SendMessageW(dialog.view(), WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    for (int y = 0; y < 200; y += 7) {
        for (int x = 0; x < 300; x += 7) {
            ASSERT_EQ(0xF0F0F0u, canvas.Pixel(x, y)) << x << "," << y;
        }
    }
}

TEST_F(DialogHost, ANewLayoutInAnOpenWindowIsLaidOutAtOnce) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    ASSERT_TRUE(dialog.SetXml("<layer><button id=\"3\" pos=\"-50,-40,-10,-10\"/></layer>"))
        << "the new layout was refused";
    const RECT rect = dialog.GetView().FindElement(3)->GetRect();
    EXPECT_EQ(250, rect.left);
    EXPECT_EQ(160, rect.top);
    EXPECT_EQ(290, rect.right);
    EXPECT_EQ(190, rect.bottom);
}

TEST_F(DialogHost, ViewPaintsElementsThroughTheBackBufferWithTheBorderLine) {
    TestDialog dialog(Layout("ShowBorder=\"1\" crborder=\"0000FF\""));
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    DibCanvas canvas(300, 200, 0x123456);
    SendMessageW(dialog.view(), WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    EXPECT_EQ(0xF0F0F0u, canvas.Pixel(150, 80));
    EXPECT_EQ(0x0000FFu, canvas.Pixel(150, 0));
    EXPECT_EQ(0x0000FFu, canvas.Pixel(0, 100));
    EXPECT_EQ(0x0000FFu, canvas.Pixel(299, 100));
    EXPECT_EQ(0x0000FFu, canvas.Pixel(150, 199));
    // The red button's fill; its white caption sits in the middle.
    EXPECT_EQ(0xE73C3Cu, canvas.Pixel(25, 105));
    EXPECT_EQ(0xE73C3Cu, canvas.Pixel(115, 135));
}

TEST_F(DialogHost, WindowHasTheStringTableTitleAndNoNonClientArea) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    wchar_t title[64] = {};
    GetWindowTextW(dialog.m_hWnd, title, 64);
    EXPECT_STREQ(L"Tessel", title);
    RECT window = {}, client = {};
    GetWindowRect(dialog.m_hWnd, &window);
    GetClientRect(dialog.m_hWnd, &client);
    EXPECT_EQ(300, window.right - window.left);
    EXPECT_EQ(200, window.bottom - window.top);
    EXPECT_EQ(300, client.right);
    EXPECT_EQ(200, client.bottom);
    RECT view = {};
    GetClientRect(dialog.view(), &view);
    EXPECT_EQ(300, view.right);
    EXPECT_EQ(200, view.bottom);
    EXPECT_EQ(WS_POPUP | WS_SYSMENU, static_cast<DWORD>(GetWindowLongW(dialog.m_hWnd, GWL_STYLE)) &
                                         (WS_POPUP | WS_SYSMENU | WS_CAPTION | WS_THICKFRAME));
}

TEST_F(DialogHost, ConstructorSizeWinsOverTheLayoutsUnlessEitherIsZero) {
    TestDialog sized(Layout(), 500, 350);
    ASSERT_TRUE(sized.Create(nullptr)) << "the dialog window was not created";
    RECT client = {};
    GetClientRect(sized.m_hWnd, &client);
    EXPECT_EQ(500, client.right);
    EXPECT_EQ(350, client.bottom);
    // The tree fills the larger window: the real-window slot ends 10 pixels from its corner.
    EXPECT_EQ(490, sized.GetView().FindElement(15)->GetRect().right);
    EXPECT_EQ(340, sized.GetView().FindElement(15)->GetRect().bottom);

    TestDialog half(Layout(), 500, 0);
    ASSERT_TRUE(half.Create(nullptr)) << "the dialog window was not created";
    GetClientRect(half.m_hWnd, &client);
    EXPECT_EQ(300, client.right);
    EXPECT_EQ(200, client.bottom);
}

TEST_F(DialogHost, RoundBorderCutsTwoPixelsOffEveryCorner) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    const HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(dialog.m_hWnd, region));
    struct Probe {
        int x, y;
        bool inside;
    };
    const Probe probes[] = {
        {0, 0, false},    {1, 0, false},     {2, 0, true},     {0, 1, false},    {1, 1, true},
        {0, 2, true},     {297, 0, true},    {298, 0, false},  {298, 1, true},   {299, 1, false},
        {299, 2, true},   {0, 197, true},    {0, 198, false},  {1, 198, true},   {1, 199, false},
        {2, 199, true},   {299, 198, false}, {298, 198, true}, {297, 199, true}, {298, 199, false},
        {150, 100, true}, {299, 197, true},
    };
    for (const Probe& probe : probes) {
        EXPECT_EQ(probe.inside, PtInRegion(region, probe.x, probe.y) != FALSE)
            << probe.x << "," << probe.y;
    }
    DeleteObject(region);

    TestDialog square(Layout("RoundBorder=\"0\""));
    ASSERT_TRUE(square.Create(nullptr)) << "the dialog window was not created";
    const HRGN none = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(ERROR, GetWindowRgn(square.m_hWnd, none));
    DeleteObject(none);
}

TEST_F(DialogHost, RealWindowSlotPlacesTheChildAndTheViewPassesItsNotificationOn) {
    TestDialog dialog(Layout());
    HWND child = nullptr;
    dialog.onInit = [&](TestDialog& d) {
        child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, d.view(),
                                reinterpret_cast<HMENU>(15), GetModuleHandleW(nullptr), nullptr);
    };
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    RECT placed = {};
    GetWindowRect(child, &placed);
    MapWindowPoints(nullptr, dialog.view(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(220, placed.left);
    EXPECT_EQ(150, placed.top);
    EXPECT_EQ(290, placed.right);
    EXPECT_EQ(190, placed.bottom);
    bool passedOn = false;
    for (const SeenCommand& seen : dialog.seen) {
        passedOn = passedOn || (seen.code == 2 && seen.from == dialog.view());
    }
    EXPECT_TRUE(passedOn) << "the real window's notification did not reach the window";
}

TEST_F(DialogHost, HoverSetsTheToolTipText) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    const POINT at = CentreOf(dialog, 7);
    SendMouse(dialog.view(), WM_MOUSEMOVE, at.x, at.y);
    wchar_t text[64] = {};
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = dialog.m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(dialog.view());
    tool.lpszText = text;
    SendMessageW(dialog.GetView().GetToolTip(), TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(L"Press me", text);

    ASSERT_TRUE(dialog.GetView().SetItemAttribute(6, "tip", u8"关闭 %str1%"))
        << "the button's tip could not be set";
    const POINT close = CentreOf(dialog, 6);
    SendMouse(dialog.view(), WM_MOUSEMOVE, close.x, close.y);
    SendMessageW(dialog.GetView().GetToolTip(), TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(L"关闭 Tessel", text) << "tips take the string table like every element text";
}

// Edit boxes: one with id 1 (the id Enter reports), one on a panel, one on each of two pages.
const char kEdits[] =
    "<layer width=\"300\" height=\"200\" crbg=\"F0F0F0\">"
    "<edit id=\"1\" pos=\"10,10,140,40\"/>"
    "<dlg id=\"20\" pos=\"10,50,140,90\"><edit id=\"21\" pos=\"0,0,-0,-0\"/></dlg>"
    "<tabctrl id=\"30\" pos=\"150,10,-10,-10\" tabwidth=\"60\" tabheight=\"20\">"
    "<tab id=\"31\" title=\"One\"><edit id=\"32\" pos=\"5,5,-5,30\"/></tab>"
    "<tab id=\"33\" title=\"Two\"><edit id=\"34\" pos=\"5,5,-5,30\"/></tab>"
    "</tabctrl></layer>";

HWND EditWindowOf(TestDialog& dialog, int id) {
    return static_cast<CBkEdit*>(dialog.GetView().FindElement(id))->GetEditWindow();
}

TEST_F(DialogHost, TypedTextReachesTheEditElementAndIsNoEnter) {
    TestDialog dialog(kEdits);
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    const HWND edit = EditWindowOf(dialog, 1);
    ASSERT_NE(nullptr, edit);
    for (const wchar_t c : std::wstring(L"发票 1")) {
        SendMessageW(edit, WM_CHAR, c, 1);
    }
    EXPECT_EQ(L"发票 1", dialog.GetView().FindElement(1)->GetText())
        << "the view did not pass the edit box's change on to its element";
    EXPECT_TRUE(dialog.CommandIds().empty()) << "typing in the edit box with id 1 was an Enter";
    SendMessageW(dialog.m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(std::vector<int>{1}, dialog.CommandIds()) << "Enter itself still is";

    const HDC dc = GetDC(edit);
    EXPECT_NE(0, SendMessageW(dialog.view(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(edit)))
        << "the element paints its edit box's background";
    ReleaseDC(edit, dc);
}

TEST_F(DialogHost, EditWindowsAreShownOnlyWhereTheirElementIs) {
    TestDialog dialog(kEdits);
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    ShowWindow(dialog.m_hWnd, SW_SHOWNA);
    for (const int id : {1, 21, 32, 34}) {
        ASSERT_NE(nullptr, EditWindowOf(dialog, id)) << id;
    }
    EXPECT_TRUE(IsWindowVisible(EditWindowOf(dialog, 32))) << "the first page's edit box is hidden";
    EXPECT_FALSE(IsWindowVisible(EditWindowOf(dialog, 34))) << "its page is behind the first";
    auto* tabs = static_cast<CBkTabCtrl*>(dialog.GetView().FindElement(30));
    ASSERT_TRUE(tabs->SelectPage(1)) << "the second page could not be selected";
    EXPECT_FALSE(IsWindowVisible(EditWindowOf(dialog, 32)))
        << "the edit box of the page left still shows";
    EXPECT_TRUE(IsWindowVisible(EditWindowOf(dialog, 34)))
        << "the selected page's edit box is hidden";

    dialog.GetView().SetItemVisible(20, false);
    EXPECT_FALSE(IsWindowVisible(EditWindowOf(dialog, 21))) << "its panel is hidden";
    dialog.GetView().SetItemVisible(30, false);
    EXPECT_FALSE(IsWindowVisible(EditWindowOf(dialog, 34))) << "its tab control is hidden";
    dialog.GetView().SetItemVisible(1, false);
    EXPECT_FALSE(IsWindowVisible(EditWindowOf(dialog, 1))) << "the element itself is hidden";

    dialog.GetView().SetItemVisible(20, true);
    dialog.GetView().SetItemVisible(30, true);
    dialog.GetView().SetItemVisible(1, true);
    EXPECT_TRUE(IsWindowVisible(EditWindowOf(dialog, 21)))
        << "the panel's edit box did not show again";
    EXPECT_TRUE(IsWindowVisible(EditWindowOf(dialog, 34)))
        << "the tab control's edit box did not show again";
    EXPECT_FALSE(IsWindowVisible(EditWindowOf(dialog, 32))) << "its page is still behind";
    EXPECT_TRUE(IsWindowVisible(EditWindowOf(dialog, 1)))
        << "the edit element's box did not show again";
}

// The part of the view waiting for a paint.
RECT PendingPaint(HWND view) {
    RECT pending = {};
    GetUpdateRect(view, &pending, FALSE);
    return pending;
}

TEST_F(DialogHost, ItemSettersChangeElementsAndAskForRepaint) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    ShowWindow(dialog.m_hWnd, SW_SHOWNA);
    const RECT button = dialog.GetView().FindElement(7)->GetRect();
    ValidateRect(dialog.view(), nullptr);
    EXPECT_TRUE(dialog.SetItemVisible(7, false)) << "hiding the button was refused";
    EXPECT_FALSE(dialog.GetView().FindElement(7)->IsVisible(true))
        << "the hidden button is visible";
    const RECT hiddenPending = PendingPaint(dialog.view());
    EXPECT_TRUE(EqualRect(&button, &hiddenPending))
        << "the hidden button's place was not repainted";
    EXPECT_TRUE(dialog.SetItemVisible(7, true)) << "showing the button was refused";
    EXPECT_TRUE(dialog.GetView().FindElement(7)->IsVisible(true)) << "the shown button is hidden";

    ValidateRect(dialog.view(), nullptr);
    EXPECT_TRUE(dialog.SetItemAttribute(7, "pos", "30,60,90,90"))
        << "moving the button was refused";
    EXPECT_EQ(30, dialog.GetView().FindElement(7)->GetRect().left);
    RECT both = {};
    const RECT moved = {30, 60, 90, 90};
    UnionRect(&both, &button, &moved);
    const RECT movedPending = PendingPaint(dialog.view());
    EXPECT_TRUE(EqualRect(&both, &movedPending))
        << "the old place and the new were not both repainted";

    EXPECT_TRUE(dialog.SetItemIntAttribute(5, "transparent", 1))
        << "the transparent attribute was refused";
    EXPECT_TRUE(dialog.GetView().FindElement(5)->IsTransparent()) << "the text is not transparent";
    EXPECT_FALSE(dialog.SetItemAttribute(404, "pos", "0,0"))
        << "an attribute was set on an element that does not exist";
    EXPECT_FALSE(dialog.SetItemVisible(404, true)) << "an element that does not exist was shown";
}

TEST_F(DialogHost, OnlyTheUpdateRegionIsRepaintedIntoTheBackBuffer) {
    TestDialog dialog(
        "<layer width=\"200\" height=\"100\" crbg=\"FFFFFF\">"
        "<button id=\"1\" class=\"btnRoundRect2\" pos=\"10,10,90,90\"/>"
        "<button id=\"2\" class=\"btnRoundRect2\" pos=\"110,10,190,90\"/></layer>");
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    DibCanvas canvas(200, 100);
    SendMessageW(dialog.view(), WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    EXPECT_EQ(0xE73C3Cu, canvas.Pixel(50, 50));
    // Both buttons turn "hovered" behind the view's back; only the first one's rectangle is
    // handed to the view, so only it shows the change.
    for (const int id : {1, 2}) {
        dialog.GetView().FindElement(id)->ModifyState(StateHover, 0);
    }
    dialog.GetView().InvalidateElementRect(dialog.GetView().FindElement(1)->GetRect());
    SendMessageW(dialog.view(), WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    EXPECT_EQ(0xBF0A11u, canvas.Pixel(50, 50));
    EXPECT_EQ(0xE73C3Cu, canvas.Pixel(150, 50));
    dialog.GetView().RedrawAll();
    SendMessageW(dialog.view(), WM_PRINT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    EXPECT_EQ(0xBF0A11u, canvas.Pixel(150, 50));
}

TEST_F(DialogHost, TabPageChangesArePassedToTheWindowWhichMayRefuseThem) {
    TestDialog dialog(
        "<layer width=\"300\" height=\"200\"><tabctrl id=\"10\" pos=\"0,0,-0,-0\" "
        "tabwidth=\"60\" tabheight=\"20\" tabspacing=\"4\" tabpos=\"2\" framepos=\"3\">"
        "<tab id=\"11\" title=\"One\"><dlg id=\"12\" pos=\"0,0,-0,-0\"/></tab>"
        "<tab id=\"13\" title=\"Two\"><dlg id=\"14\" pos=\"0,0,-0,-0\"/></tab>"
        "</tabctrl></layer>");
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    auto* tabs = static_cast<CBkTabCtrl*>(dialog.GetView().FindElement(10));
    dialog.refusePageChange = true;
    ClickAt(dialog.view(), 90, 10);
    EXPECT_EQ(0, tabs->GetCurSel());
    dialog.refusePageChange = false;
    ClickAt(dialog.view(), 90, 10);
    EXPECT_EQ(1, tabs->GetCurSel());
    int changes = 0;
    for (const SeenCommand& seen : dialog.seen) {
        changes += seen.code == BKNM_TAB_SELCHANGE && seen.from == dialog.view() ? 1 : 0;
    }
    EXPECT_EQ(2, changes);
}

TEST_F(DialogHost, LostCaptureEndsThePress) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    OwnerWindow other(0, 0, 50, 50);
    const POINT at = CentreOf(dialog, 7);
    SendMouse(dialog.view(), WM_MOUSEMOVE, at.x, at.y);
    SendMouse(dialog.view(), WM_LBUTTONDOWN, at.x, at.y, MK_LBUTTON);
    SetCapture(other.hwnd());
    EXPECT_EQ(0u, dialog.GetView().FindElement(7)->GetState() & StatePushed);
    ReleaseCapture();
    SendMouse(dialog.view(), WM_LBUTTONUP, at.x, at.y);
    EXPECT_TRUE(dialog.CommandIds().empty()) << "a press ended by a lost capture was a click";
    Click(dialog, 7);  // the next press works
    EXPECT_EQ(std::vector<int>{7}, dialog.CommandIds());
}

TEST_F(DialogHost, HiddenByItsOwnerAtInitAndPlacedByARectangle) {
    OwnerWindow owner(0, 0, 100, 100);
    TestDialog hidden(Layout());
    hidden.onInit = [](TestDialog& d) { d.SetShowFlag(false); };
    bool visible = true;
    hidden.script = [&](TestDialog& d) {
        visible = IsWindowVisible(d.m_hWnd) != FALSE;
        d.EndDialog(1);
    };
    EXPECT_EQ(1, hidden.DoModal(owner.hwnd()));
    EXPECT_FALSE(visible) << "the window hidden at its start was shown";

    // With a rectangle the window sits there (no centring) and a real window created at
    // WM_INITDIALOG still gets its slot.
    TestDialog placed(Layout());
    HWND child = nullptr;
    placed.onInit = [&](TestDialog& d) {
        child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, d.view(),
                                reinterpret_cast<HMENU>(15), GetModuleHandleW(nullptr), nullptr);
    };
    RECT window = {}, slot = {};
    placed.script = [&](TestDialog& d) {
        GetWindowRect(d.m_hWnd, &window);
        GetWindowRect(child, &slot);
        MapWindowPoints(nullptr, d.view(), reinterpret_cast<POINT*>(&slot), 2);
        d.EndDialog(1);
    };
    const RECT rect = {40, 30, 340, 230};
    EXPECT_EQ(1, placed.DoModal(owner.hwnd(), &rect));
    EXPECT_TRUE(EqualRect(&rect, &window)) << "the window is not at the given rectangle";
    const RECT expected = {220, 150, 290, 190};
    EXPECT_TRUE(EqualRect(&expected, &slot)) << "the real window is not in its slot";
}

TEST_F(DialogHost, TheSameObjectRunsModallyTwice) {
    TestDialog dialog(Layout());
    RECT view = {};
    dialog.script = [&](TestDialog& d) {
        GetClientRect(d.view(), &view);
        d.EndDialog(5);
    };
    EXPECT_EQ(5, dialog.DoModal());
    dialog.script = [&](TestDialog& d) {
        GetClientRect(d.view(), &view);
        d.EndDialog(6);
    };
    EXPECT_EQ(6, dialog.DoModal());
    EXPECT_EQ(300, view.right);
    EXPECT_EQ(200, view.bottom);
}

TEST(LayerAttributes, SizesStylesAndColours) {
    const BkExtent screen = {1920, 1080};
    const BkExtent work = {1920, 1040};
    auto parse = [&](const char* xml) {
        TiXmlDocument document;
        document.Parse(xml);
        return ParseLayerAttributes(*document.RootElement(), screen, work);
    };
    BkLayerAttributes a = parse("<layer/>");
    EXPECT_EQ(1920, a.width);
    EXPECT_EQ(1040, a.height);
    EXPECT_EQ(0x80080000u, a.style);
    EXPECT_EQ(0x300u, a.exStyle);
    EXPECT_FALSE(a.maximizable) << "a plain layer is maximizable";
    EXPECT_EQ(0u, a.crbg);
    EXPECT_EQ(0x40000000u, a.crborder);
    EXPECT_EQ(1, a.roundBorder);
    EXPECT_EQ(0, a.showBorder);

    a = parse("<layer fullscreen=\"1\" width=\"800\"/>");
    EXPECT_EQ(800, a.width);
    EXPECT_EQ(1080, a.height);
    a = parse("<layer fullscreen=\"2\" height=\"x\"/>");
    EXPECT_EQ(1040, a.height);
    a = parse("<layer width=\"2000000000\" height=\"-5\" Headerheight=\"-3\"/>");
    EXPECT_EQ(8192, a.width) << "no layout makes a window wider than an 8K screen";
    EXPECT_EQ(1040, a.height) << "a negative size counts as missing";
    EXPECT_EQ(0, a.headerHeight);

    a = parse("<layer resize=\"1\" appwin=\"1\" toolwin=\"1\"/>");
    EXPECT_EQ(0x80080000u | 0x70000u, a.style);
    EXPECT_EQ(0x40000u | 0x88u, a.exStyle);
    EXPECT_TRUE(a.maximizable) << "a resizable layer is not maximizable";
    a = parse("<layer resize=\"1\" nomaxsize=\"1\"/>");
    EXPECT_EQ(0x80080000u | 0x60000u, a.style);
    EXPECT_FALSE(a.maximizable) << "a layer with nomaxsize is maximizable";
    a = parse("<layer nomaxsize=\"1\"/>");
    EXPECT_EQ(0x80080000u, a.style);
    a = parse("<layer child=\"1\"/>");
    EXPECT_EQ((0x80080000u & 0x3F3FFF7Fu) | WS_CHILD, a.style);
    EXPECT_EQ(0x100u, a.exStyle);

    EXPECT_EQ(RGB(0x11, 0x22, 0x33), parse("<layer crbg=\"112233\"/>").crbg);
    EXPECT_EQ(0u, parse("<layer crbg=\"FFF\"/>").crbg);
    EXPECT_EQ(0u, parse("<layer crbg=\"FFFFFFFF\"/>").crbg);
    EXPECT_EQ(0xFF112233u, parse("<layer crborder=\"112233\"/>").crborder);
    EXPECT_EQ(0x80112233u, parse("<layer crborder=\"80112233\"/>").crborder);
    EXPECT_EQ(0x40000000u, parse("<layer crborder=\"1122\"/>").crborder);
    EXPECT_EQ(1, parse("<layer RoundBorder=\"round\"/>").roundBorder);
    EXPECT_EQ(0, parse("<layer RoundBorder=\"0\"/>").roundBorder);
    EXPECT_EQ(40, parse("<layer Headerheight=\"40\"/>").headerHeight);
}

TEST(WindowGeometry, MaximisedPlacementOverlapsTheWorkAreaByOnePixel) {
    const BkMaxPlacement top = MaximizedPlacement({0, 0, 1920, 1080}, {0, 40, 1920, 1080});
    EXPECT_EQ(-1, top.position.x);
    EXPECT_EQ(39, top.position.y);
    EXPECT_EQ(1922, top.size.cx);
    EXPECT_EQ(1042, top.size.cy);
    const BkMaxPlacement second = MaximizedPlacement({1920, 0, 3840, 1080}, {1920, 0, 3800, 1080});
    EXPECT_EQ(-1, second.position.x);
    EXPECT_EQ(1882, second.size.cx);
}

TEST(WindowGeometry, CentringStaysInsideTheWorkAreaLeftAndTopWinning) {
    const RECT work = {0, 0, 1000, 800};
    EXPECT_EQ(350, CenteredPosition({0, 0, 300, 200}, {200, 200, 800, 600}, work).x);
    EXPECT_EQ(300, CenteredPosition({0, 0, 300, 200}, {200, 200, 800, 600}, work).y);
    const POINT pushedBack = CenteredPosition({0, 0, 300, 200}, {900, 700, 1000, 800}, work);
    EXPECT_EQ(700, pushedBack.x);
    EXPECT_EQ(600, pushedBack.y);
    const POINT tooBig = CenteredPosition({0, 0, 1200, 900}, {0, 0, 1000, 800}, work);
    EXPECT_EQ(0, tooBig.x);
    EXPECT_EQ(0, tooBig.y);
}

TEST_F(DialogHost, MinMaxInfoAndCentringUseTheWindowsMonitor) {
    TestDialog dialog(Layout());
    ASSERT_TRUE(dialog.Create(nullptr)) << "the dialog window was not created";
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(dialog.m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    MINMAXINFO info = {};
    SendMessageW(dialog.m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    const BkMaxPlacement expected = MaximizedPlacement(monitor.rcMonitor, monitor.rcWork);
    EXPECT_EQ(expected.position.x, info.ptMaxPosition.x);
    EXPECT_EQ(expected.size.cx, info.ptMaxSize.x);
    EXPECT_EQ(expected.size.cy, info.ptMaxTrackSize.y);

    OwnerWindow owner(100, 100, 700, 500);
    dialog.CenterWindow(owner.hwnd());
    RECT placed = {};
    GetWindowRect(dialog.m_hWnd, &placed);
    EXPECT_EQ(300, placed.left);
    EXPECT_EQ(250, placed.top);
}

}  // namespace
