#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "BkCheckBox.h"
#include "BkContainer.h"
#include "BkEdit.h"
#include "BkImageSkin.h"
#include "BkImageWnd.h"
#include "MessagePump.h"
#include "BkPngPool.h"
#include "BkProgress.h"
#include "BkSlider.h"
#include "BkSkinPool.h"
#include "DibCanvas.h"
#include "TestHost.h"

namespace {

constexpr DWORD kWhite = 0xFFFFFF;
constexpr DWORD kBar = 0x426190;  // the default bar colour 0x906142 as a pixel
const DWORD kCells[4] = {0xE83C3C, 0x3CE83C, 0x3C3CE8, 0xE8E83C};

template <typename T>
T* Find(CBkDialog& root, int id) {
    T* element = dynamic_cast<T*>(root.FindById(id));
    EXPECT_NE(nullptr, element) << id;
    return element;
}

// Paints a fresh tree on a white canvas.
std::unique_ptr<DibCanvas> Paint(CBkDialog& root, int width, int height) {
    auto canvas = std::make_unique<DibCanvas>(width, height, kWhite);
    root.PaintInRegion(canvas->dc(), nullptr);
    return canvas;
}

// Skin "cells": a strip of four 8 x 6 cells in the colours of kCells.
class CellSkin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        BkPngPool::Instance();
        strip_ = new DibBitmap(32, 6);
        for (int i = 0; i < 4; ++i) {
            strip_->Fill(i * 8, 0, i * 8 + 8, 6, kCells[i]);
        }
        ASSERT_TRUE(BkSkinPool::Instance().LoadXml(
            "<skins><imglst name=\"cells\" subwidth=\"8\"/></skins>"));
        dynamic_cast<CBkImageSkin*>(GetSkin("cells"))->SetBitmap(strip_->handle());
    }
    static DibBitmap* strip_;
};

DibBitmap* CellSkin::strip_ = nullptr;

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

}  // namespace

TEST(Progress, ValueIsClampedAndRangeSwappedAtPaint) {
    auto root = LoadTree(
        "<dlg><progress id=\"1\" pos=\"0,0,100,20\" max=\"100\" value=\"150\"/>"
        "<progress id=\"2\" pos=\"0,30,100,50\" min=\"100\" max=\"0\" value=\"-5\"/>"
        "<progress id=\"3\" pos=\"0,60,100,80\" min=\"7\" max=\"7\" value=\"7\"/></dlg>",
        100, 90);
    auto canvas = Paint(*root, 100, 90);
    auto* full = Find<CBkProgress>(*root, 1);
    EXPECT_EQ(100, full->GetValue());
    EXPECT_EQ(kBar, canvas->Pixel(3, 10));
    EXPECT_EQ(kBar, canvas->Pixel(96, 10)) << "the inner rect is 2..98";
    auto* swapped = Find<CBkProgress>(*root, 2);
    EXPECT_EQ(0, swapped->GetMin());
    EXPECT_EQ(100, swapped->GetMax());
    EXPECT_EQ(0, swapped->GetValue());
    EXPECT_EQ(kWhite, canvas->Pixel(50, 40));
    EXPECT_EQ(kWhite, canvas->Pixel(50, 70)) << "an empty range shows an empty bar";
}

TEST(Progress, OneOfThreeCoversAThirdOfTheInnerWidthTruncated) {
    auto root = LoadTree("<dlg><progress id=\"1\" pos=\"0,0,100,20\" max=\"3\" value=\"1\"/></dlg>",
                         100, 20);
    auto canvas = Paint(*root, 100, 20);
    const int right = 2 + 96 / 3;
    EXPECT_EQ(kBar, canvas->Pixel(right - 1, 10));
    EXPECT_EQ(kWhite, canvas->Pixel(right, 10));
    EXPECT_EQ(0x707070u, canvas->Pixel(0, 10)) << "frame";
}

TEST(Progress, PercentTextIsTruncated) {
    const auto draw = [](int value) {
        auto root = LoadTree(
            "<dlg><progress pos=\"0,0,100,20\" max=\"1000\" showpercent=\"1\" "
            "value=\"" +
                std::to_string(value) + "\"/></dlg>",
            100, 20);
        return Paint(*root, 100, 20);
    };
    // 99.6 % and 99.0 % fill the same 95 pixels and both read "99%" (not 98 by rounding error);
    // 100 % reads differently.
    EXPECT_TRUE(draw(996)->SamePixels(*draw(990)));
    auto hundred = draw(1000);
    EXPECT_FALSE(draw(996)->SamePixels(*hundred));
    auto plain =
        LoadTree("<dlg><progress pos=\"0,0,100,20\" max=\"1000\" value=\"1000\"/></dlg>", 100, 20);
    EXPECT_FALSE(Paint(*plain, 100, 20)->SamePixels(*hundred)) << "the text is drawn";
}

TEST_F(CellSkin, ImageTakesTheSkinSizeAndPaintsItsSubImage) {
    auto root = LoadTree(
        "<dlg><img id=\"1\" pos=\"4,4\" skin=\"cells\" sub=\"2\"/>"
        "<img id=\"2\" pos=\"20,4,60,30\" skin=\"cells\" sub=\"1\"/>"
        "<img id=\"3\" pos=\"70,4\" skin=\"nosuchskin\"/></dlg>",
        100, 40);
    const RECT small = Find<CBkImageWnd>(*root, 1)->GetRect();
    EXPECT_EQ(8, small.right - small.left);
    EXPECT_EQ(6, small.bottom - small.top);
    const RECT large = Find<CBkImageWnd>(*root, 2)->GetRect();
    EXPECT_EQ(40, large.right - large.left);
    auto canvas = Paint(*root, 100, 40);
    EXPECT_EQ(kCells[2], canvas->Pixel(4, 4));
    EXPECT_EQ(kCells[1], canvas->Pixel(27, 9));
    EXPECT_EQ(kWhite, canvas->Pixel(28, 4)) << "the cell is drawn at natural size";
    EXPECT_EQ(nullptr, Find<CBkImageWnd>(*root, 3)->GetSkinObject());
}

TEST_F(CellSkin, ImageButtonCellFollowsTheState) {
    auto root = LoadTree(
        "<dlg><imgbtn id=\"1\" pos=\"0,0\" skin=\"cells\"/><imgHover id=\"2\" pos=\"10,0\" "
        "skin=\"cells\"/></dlg>",
        20, 6);
    CBkWindow* button = root->FindById(1);
    CBkWindow* hover = root->FindById(2);
    const struct {
        DWORD state;
        int buttonCell;
        int hoverCell;
    } cases[] = {{0, 0, 0},
                 {StateHover, 1, 1},
                 {StateHover | StatePushed, 2, 1},
                 {StateHover | StatePushed | StateDisabled, 3, 1}};
    for (const auto& c : cases) {
        button->ModifyState(c.state, ~c.state);
        hover->ModifyState(c.state, ~c.state);
        auto canvas = Paint(*root, 20, 6);
        EXPECT_EQ(kCells[c.buttonCell], canvas->Pixel(2, 2)) << c.state;
        EXPECT_EQ(kCells[c.hoverCell], canvas->Pixel(12, 2)) << c.state;
    }
    root->ModifyState(StateDisabled, 0);
    button->ModifyState(0, ~0u);
    EXPECT_EQ(kCells[3], Paint(*root, 20, 6)->Pixel(2, 2)) << "a disabled ancestor counts";
}

TEST_F(CellSkin, ImageListDrawsEachSkinAfterTheOther) {
    auto root = LoadTree(
        "<dlg><imglisth pos=\"0,0,40,6\" skinlist=\"skin0=cells,skin2=cells\" "
        "sublist=\"sub0=3,sub2=1\" imagecount=\"3\"/></dlg>",
        40, 6);
    auto canvas = Paint(*root, 40, 6);
    EXPECT_EQ(kCells[3], canvas->Pixel(1, 1));
    EXPECT_EQ(kCells[1], canvas->Pixel(9, 1)) << "index 1 has no skin and takes no room";
    EXPECT_EQ(kWhite, canvas->Pixel(17, 1));
}

TEST_F(CellSkin, HugeCountsAndSizesAreBounded) {
    auto root = LoadTree(
        "<dlg><imglisth pos=\"0,0,40,6\" skinlist=\"skin0=cells,skin2=cells\" "
        "sublist=\"sub0=3,sub2=1\" imagecount=\"2000000000\"/>"
        "<icon pos=\"0,6,40,12\" src=\"100\" size=\"2000000000\"/></dlg>",
        40, 12);
    auto canvas = Paint(*root, 40, 12);
    EXPECT_EQ(kCells[3], canvas->Pixel(1, 1)) << "the row still draws its first image";
    EXPECT_EQ(kCells[1], canvas->Pixel(9, 1));
}

TEST(CheckAndRadio, CheckTogglesOnReleaseAndStartsUnchecked) {
    auto root =
        LoadTree("<dlg><check id=\"1\" pos=\"0,0,80,20\" check=\"1\">on</check></dlg>", 100, 20);
    CBkWindow* box = root->FindById(1);
    EXPECT_FALSE(box->GetState() & StateChecked);
    box->Send(WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_TRUE(box->GetState() & StateChecked);
    box->Send(WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_FALSE(box->GetState() & StateChecked);
    EXPECT_TRUE(box->RepaintsOnStateChange());
}

TEST(CheckAndRadio, TheGlyphShowsTheCheckAndTheLabelFollowsIt) {
    for (const char* tag : {"check", "radio"}) {
        const std::string xml =
            std::string("<dlg><") + tag + " id=\"1\" pos=\"0,0,80,20\">on</" + tag + "></dlg>";
        auto root = LoadTree(xml, 80, 20);
        auto unchecked = Paint(*root, 80, 20);
        root->FindById(1)->Send(WM_LBUTTONUP);
        auto checked = Paint(*root, 80, 20);
        EXPECT_FALSE(unchecked->SamePixels(*checked, 0, 13)) << tag;
        EXPECT_TRUE(unchecked->SamePixels(*checked, 14, 80)) << tag;
        DibCanvas blank(80, 20, kWhite);
        EXPECT_FALSE(unchecked->SamePixels(blank, 14, 80)) << tag << ": the label";
    }
}

TEST(CheckAndRadio, RadioClearsOnlyItsOwnGroup) {
    auto root = LoadTree(
        "<dlg><radio id=\"1\" group=\"6\"/><radio id=\"2\" group=\"6\"/>"
        "<radio id=\"3\" group=\"5\"/><radio id=\"4\"/><radio id=\"5\"/></dlg>",
        100, 100);
    const auto checked = [&](int id) { return (root->FindById(id)->GetState() & StateChecked); };
    root->FindById(3)->Send(WM_LBUTTONUP);
    root->FindById(1)->Send(WM_LBUTTONUP);
    root->FindById(4)->Send(WM_LBUTTONUP);
    EXPECT_TRUE(checked(1) && checked(3) && checked(4));
    root->FindById(2)->Send(WM_LBUTTONUP);
    EXPECT_FALSE(checked(1));
    EXPECT_TRUE(checked(2));
    EXPECT_TRUE(checked(3)) << "group 5 is left alone";
    root->FindById(2)->Send(WM_LBUTTONUP);
    EXPECT_TRUE(checked(2)) << "clicking the checked box keeps it";
    root->FindById(5)->Send(WM_LBUTTONUP);
    EXPECT_FALSE(checked(4)) << "boxes without a group share the group \"\"";
}

TEST(CheckAndRadio, ARadioBoxLeavesItsGroupWhenDestroyed) {
    auto keep = LoadTree("<dlg><radio id=\"1\" group=\"g\"/></dlg>", 10, 10);
    {
        auto gone = LoadTree("<dlg><radio id=\"1\" group=\"g\"/></dlg>", 10, 10);
        gone->FindById(1)->Send(WM_LBUTTONUP);
    }
    keep->FindById(1)->Send(WM_LBUTTONUP);
    EXPECT_TRUE(keep->FindById(1)->GetState() & StateChecked);
}

TEST(Slider, PointerAndValueMapBothWays) {
    auto root = LoadTree(
        "<dlg><slider id=\"1\" pos=\"10,0,230,20\" offset=\"10\" min=\"-50\" max=\"150\"/></dlg>",
        240, 20);
    auto* slider = Find<CBkSlider>(*root, 1);
    for (int value = -50; value <= 150; value += 7) {
        slider->SetAttribute("value", std::to_string(value), false);
        const int x = slider->ThumbCentre();
        slider->SetAttribute("value", "0", false);
        slider->Send(WM_LBUTTONDBLCLK, 0, At(x, 10));
        EXPECT_EQ(value, slider->GetValue()) << x;
    }
    slider->Send(WM_LBUTTONDBLCLK, 0, At(20, 10));
    EXPECT_EQ(-50, slider->GetValue()) << "the track's left end";
    slider->Send(WM_LBUTTONDBLCLK, 0, At(220, 10));
    EXPECT_EQ(150, slider->GetValue()) << "the track's right end";

    slider->SetAttribute("min", "-2147483648", false);
    slider->SetAttribute("max", "2147483647", false);
    slider->Send(WM_LBUTTONDBLCLK, 0, At(120, 10));
    EXPECT_NEAR(0, slider->GetValue(), 1 << 24) << "the middle of the widest range";
    slider->Send(WM_LBUTTONDBLCLK, 0, At(220, 10));
    EXPECT_EQ(2147483647, slider->GetValue()) << "and its right end";
}

TEST(Slider, DraggingClampsAndOnlyStartsInside) {
    auto root = LoadTree("<dlg><slider id=\"1\" pos=\"0,0,100,20\" max=\"100\"/></dlg>", 300, 50);
    auto* slider = Find<CBkSlider>(*root, 1);
    slider->Send(WM_LBUTTONDOWN, 0, At(150, 10));
    slider->Send(WM_MOUSEMOVE, 0, At(50, 10));
    EXPECT_EQ(0, slider->GetValue()) << "a press outside starts no drag";
    slider->Send(WM_LBUTTONDOWN, 0, At(30, 10));
    EXPECT_TRUE(slider->IsDragging());
    slider->Send(WM_MOUSEMOVE, 0, At(250, 40));
    EXPECT_EQ(100, slider->GetValue());
    slider->Send(WM_MOUSEMOVE, 0, At(-40, 40));
    EXPECT_EQ(0, slider->GetValue());
    root->Send(WM_MOUSEMOVE, 0, At(25, 45));
    EXPECT_EQ(25, slider->GetValue()) << "the dialog forwards the pointer to its sliders";
    slider->Send(WM_LBUTTONUP, 0, At(500, 10));
    EXPECT_FALSE(slider->IsDragging());
    EXPECT_EQ(25, slider->GetValue()) << "a release outside applies nothing";
}

TEST(Line, ColourAlphaAndPlacement) {
    auto root = LoadTree(
        "<dlg><hr pos=\"0,5,-0,5\" cr=\"FF000000\"/><hr pos=\"0,15,-0,15\" cr=\"80000000\"/>"
        "<hr id=\"3\" pos=\"30,20,30,-0\" cr=\"FF0000FF\" size=\"1\"/></dlg>",
        40, 30);
    auto canvas = Paint(*root, 40, 30);
    EXPECT_EQ(0x000000u, canvas->Pixel(10, 5));
    EXPECT_EQ(kWhite, canvas->Pixel(10, 3));
    EXPECT_EQ(kWhite, canvas->Pixel(10, 7));
    const DWORD half = canvas->Pixel(10, 15) & 0xFF;
    EXPECT_GT(half, 0x60u);
    EXPECT_LT(half, 0xA0u) << "half-transparent black over white";
    EXPECT_EQ(0x0000FFu, canvas->Pixel(30, 25)) << "a vertical line";
    EXPECT_EQ(E_FAIL, root->FindById(3)->SetAttribute("style", "wavy", false));
    EXPECT_EQ(1, root->FindById(3)->SetAttribute("style", "dashdot", false));
}

TEST(MemoryImage, NaturalSizeOrStretched) {
    BkPngPool::Instance();
    Gdiplus::Bitmap image(4, 4, PixelFormat32bppARGB);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            image.SetPixel(x, y, Gdiplus::Color(0xFF, 0x20, 0x40, 0xC0));
        }
    }
    const std::string address = std::to_string(reinterpret_cast<UINT_PTR>(&image));
    // An address in the layout text is no image the owner gave: it is ignored, not drawn from.
    auto root = LoadTree(
        "<dlg><memimage id=\"1\" pos=\"0,0,20,20\" autosize=\"0\" mempointer=\"1\"/>"
        "<memimage id=\"2\" pos=\"20,0,40,20\" mempointer=\"" +
            address + "\"/></dlg>",
        40, 20);
    EXPECT_TRUE(Paint(*root, 40, 20)->SamePixels(DibCanvas(40, 20, kWhite), 0, 40))
        << "addresses written in a layout draw nothing";
    root->FindById(1)->SetAttribute("mempointer", address, false);
    root->FindById(2)->SetAttribute("mempointer", address, false);
    auto canvas = Paint(*root, 40, 20);
    EXPECT_EQ(0x2040C0u, canvas->Pixel(1, 1));
    EXPECT_EQ(kWhite, canvas->Pixel(10, 10));
    EXPECT_EQ(0x2040C0u, canvas->Pixel(30, 10));
}

TEST(Icons, SystemIconAndIconHandleAreDrawnOverTheRect) {
    const HICON shared = LoadIconW(nullptr, IDI_APPLICATION);
    ASSERT_NE(nullptr, shared);
    const std::string handle = std::to_string(reinterpret_cast<UINT_PTR>(shared));
    auto root = LoadTree(
        "<dlg><icon pos=\"0,0,32,32\" oem=\"1\" src=\"32512\"/><iconfrommodule "
        "pos=\"40,0,72,32\" iconhandle=\"" +
            handle +
            "\"/><icon pos=\"80,0,112,32\" src=\"4242\"/><iconfrommodule pos=\"120,0,152,32\" "
            "srcfile=\"C:\\no\\such\\file.exe\"/></dlg>",
        160, 32);
    auto canvas = Paint(*root, 160, 32);
    DibCanvas blank(160, 32, kWhite);
    EXPECT_FALSE(canvas->SamePixels(blank, 0, 32));
    EXPECT_FALSE(canvas->SamePixels(blank, 40, 72));
    EXPECT_TRUE(canvas->SamePixels(blank, 72, 160)) << "missing icons and files draw nothing";
}

namespace {

// A plain top-level window that plays the host: it reflects WM_COMMAND to `reflectTo` and
// records the notification codes it is sent.
struct HostWindow {
    static CBkWindow* reflectTo;
    static std::vector<UINT> codes;

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_COMMAND && reflectTo) {
            return reflectTo->Send(WM_COMMAND + 0x2000, wParam, lParam);
        }
        if (message == WM_NOTIFY) {
            codes.push_back(reinterpret_cast<const NMHDR*>(lParam)->code);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HostWindow() {
        static const ATOM atom = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"ControlsTestHost";
            return RegisterClassW(&wc);
        }();
        EXPECT_NE(0, atom);
        window = CreateWindowExW(0, L"ControlsTestHost", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400,
                                 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(window, SW_SHOWNORMAL);
        codes.clear();
    }
    ~HostWindow() {
        reflectTo = nullptr;
        DestroyWindow(window);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Child(const wchar_t* type, int id) const {
        return CreateWindowExW(0, type, L"", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
    }

    HWND window = nullptr;
};

CBkWindow* HostWindow::reflectTo = nullptr;
std::vector<UINT> HostWindow::codes;

RECT ClientRectOf(HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool HasStyle(HWND window, DWORD style) {
    return (GetWindowLongW(window, GWL_STYLE) & style) == style;
}

std::wstring WindowText(HWND window) {
    wchar_t text[64] = {};
    GetWindowTextW(window, text, 64);
    return text;
}

}  // namespace

TEST(Edit, ClickCreatesTheWindowAndTypingReachesTheElement) {
    HostWindow host;
    auto root = LoadTree("<dlg><edit id=\"5\" pos=\"10,10,110,40\">hi</edit></dlg>", 400, 300);
    auto* edit = Find<CBkEdit>(*root, 5);
    EXPECT_EQ(nullptr, edit->GetEditWindow()) << "no host yet";
    root->AttachHostWindow(host.window);
    HostWindow::reflectTo = edit;
    edit->Send(WM_LBUTTONDOWN, 0, At(20, 20));
    const HWND window = edit->GetEditWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(host.window, GetParent(window));
    EXPECT_EQ(5, GetDlgCtrlID(window));
    const RECT placed = ClientRectOf(window);
    EXPECT_EQ(12, placed.left);
    EXPECT_EQ(12, placed.top);
    EXPECT_EQ(108, placed.right);
    EXPECT_EQ(38, placed.bottom);
    EXPECT_TRUE(HasStyle(window, WS_VISIBLE | ES_MULTILINE));
    EXPECT_EQ(L"hi", WindowText(window));
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(0u, start);
    EXPECT_EQ(2u, end) << "the click selects everything";

    SendMessageW(window, WM_CHAR, L'x', 1);
    SendMessageW(window, WM_CHAR, L'y', 1);
    EXPECT_EQ(L"xy", WindowText(window));
    EXPECT_EQ(L"xy", edit->GetText());
    EXPECT_NE(HostWindow::codes.end(),
              std::find(HostWindow::codes.begin(), HostWindow::codes.end(), BKNM_REDRAW));

    root->Send(WM_DESTROY);
    EXPECT_FALSE(IsWindow(window)) << "the element owns its edit window";
}

TEST(Edit, WithoutKeepOpenTheWindowClosesOnFocusLoss) {
    HostWindow host;
    auto root = LoadTree("<dlg><edit id=\"5\" pos=\"10,10,110,40\"/></dlg>", 400, 300);
    auto* edit = Find<CBkEdit>(*root, 5);
    edit->SetKeepOpen(false);
    root->AttachHostWindow(host.window);
    edit->Send(WM_LBUTTONDOWN, 0, At(20, 20));
    const HWND window = edit->GetEditWindow();
    ASSERT_NE(nullptr, window);
    SendMessageW(window, WM_KILLFOCUS, 0, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, edit->GetEditWindow()) << "the element forgets the closed window";
}

TEST(Edit, LayoutWithAHostCreatesAndPlacesThePasswordWindow) {
    HostWindow host;
    auto root = LoadTree("<dlg><edit id=\"6\" pos=\"0,0,100,30\" password=\"1\">abc</edit></dlg>",
                         400, 300, host.window);
    const HWND window = Find<CBkEdit>(*root, 6)->GetEditWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(HasStyle(window, ES_PASSWORD | ES_MULTILINE | WS_TABSTOP));
    EXPECT_NE(HostWindow::codes.end(),
              std::find(HostWindow::codes.begin(), HostWindow::codes.end(), 2u));
}

TEST(Edit, PasswordPaintsOneStarPerCharacterAndTheFrame) {
    auto secret =
        LoadTree("<dlg><edit pos=\"0,0,100,30\" password=\"1\">abc</edit></dlg>", 100, 30);
    auto stars = LoadTree("<dlg><edit pos=\"0,0,100,30\">***</edit></dlg>", 100, 30);
    auto plain = LoadTree("<dlg><edit pos=\"0,0,100,30\">abc</edit></dlg>", 100, 30);
    auto shown = Paint(*secret, 100, 30);
    EXPECT_TRUE(shown->SamePixels(*Paint(*stars, 100, 30)));
    EXPECT_FALSE(shown->SamePixels(*Paint(*plain, 100, 30)));
    EXPECT_EQ(0xBBBBBBu, shown->Pixel(0, 15)) << "the inactive border";
}

TEST(RealWindow, FollowsItsSlotAndItsContainersVisibility) {
    HostWindow host;
    const HWND shown = host.Child(L"STATIC", 7);
    const HWND hidden = host.Child(L"STATIC", 8);
    auto root = LoadTree(
        "<dlg><dlg id=\"1\" pos=\"0,0,-0,-0\"><dlg id=\"2\" pos=\"0,0,-0,-0\">"
        "<realwnd id=\"7\" pos=\"10,20,60,80\"/><realwnd id=\"8\" pos=\"0,0,5,5\" show=\"0\"/>"
        "</dlg></dlg></dlg>",
        400, 300, host.window);
    const RECT placed = ClientRectOf(shown);
    EXPECT_EQ(10, placed.left);
    EXPECT_EQ(20, placed.top);
    EXPECT_EQ(60, placed.right);
    EXPECT_EQ(80, placed.bottom);
    EXPECT_NE(HostWindow::codes.end(),
              std::find(HostWindow::codes.begin(), HostWindow::codes.end(), 2u));

    root->FindById(1)->Send(WM_SHOWWINDOW, 0);
    EXPECT_FALSE(HasStyle(shown, WS_VISIBLE));
    EXPECT_FALSE(HasStyle(hidden, WS_VISIBLE));
    root->FindById(1)->Send(WM_SHOWWINDOW, 1);
    EXPECT_TRUE(HasStyle(shown, WS_VISIBLE));
    EXPECT_FALSE(HasStyle(hidden, WS_VISIBLE)) << "its own show=0 keeps it hidden";

    root->FindById(7)->Send(WM_SHOWWINDOW, 0);
    EXPECT_FALSE(HasStyle(shown, WS_VISIBLE));
    root->FindById(1)->Send(WM_SHOWWINDOW, 0);
    root->FindById(7)->Send(WM_SHOWWINDOW, 1);
    EXPECT_FALSE(HasStyle(shown, WS_VISIBLE)) << "a hidden ancestor keeps it hidden";
    root->FindById(1)->Send(WM_SHOWWINDOW, 1);
    EXPECT_TRUE(HasStyle(shown, WS_VISIBLE));
    root->Send(WM_DESTROY);
    EXPECT_TRUE(IsWindow(shown)) << "the owner destroys it, not the element";
    EXPECT_FALSE(HasStyle(shown, WS_VISIBLE));
}
