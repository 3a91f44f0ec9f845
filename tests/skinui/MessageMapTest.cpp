#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "BkMessageMap.h"

// The typed handlers of the message maps: what each one hands its handler, read from the
// message's parameters, and the result the message gets.

namespace {

const HWND kControl = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234));
const HBRUSH kBrush = reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(0x5678));

// A map that writes down each call, arguments and all.
class Recorder : public CBkMessageMap {
public:
    std::string calls;

    BK_BEGIN_MSG_MAP(Recorder)
    BK_MSG_WM_SIZE(OnSize)
    BK_MSG_WM_MOVE(OnMove)
    BK_MSG_WM_SHOWWINDOW(OnShowWindow)
    BK_MSG_WM_WINDOWPOSCHANGED(OnWindowPosChanged)
    BK_MSG_WM_PAINT(OnPaint)
    BK_MSG_WM_MOUSEMOVE(OnMouseMove)
    BK_MSG_WM_LBUTTONDOWN(OnLButtonDown)
    BK_MSG_WM_LBUTTONUP(OnLButtonUp)
    BK_MSG_WM_LBUTTONDBLCLK(OnLButtonDblClk)
    BK_MSG_WM_MOUSEWHEEL(OnMouseWheel)
    BK_MSG_SIMPLE(WM_MOUSELEAVE, OnMouseLeave)
    BK_MSG_WM_COMMAND(OnCommand)
    BK_MSG_OCM_COMMAND(OnReflectedCommand)
    BK_MSG_OCM_CTLCOLOR(WM_CTLCOLOREDIT, OnCtlColor)
    BK_MSG_WM_SYSCOMMAND(OnSysCommand)
    BK_MSG_WM_NOTIFY(OnNotify)
    BK_MSG_WM_TIMER(OnTimer)
    BK_MESSAGE_HANDLER(WM_TIMER, OnTimerPassedOn)
    BK_MSG_WM_KEYDOWN(OnKeyDown)
    BK_MSG_WM_GETMINMAXINFO(OnGetMinMaxInfo)
    BK_MSG_WM_NCCALCSIZE(OnNcCalcSize)
    BK_END_MSG_MAP()

private:
    std::ostream& Call(const char* name) { return out_ << (out_.tellp() > 0 ? "; " : "") << name; }
    void Done() { calls = out_.str(); }
    void Point(POINT point) { out_ << " (" << point.x << "," << point.y << ")"; }

    void OnSize(UINT type, SIZE size) {
        Call("size") << " " << type << " " << size.cx << "x" << size.cy;
        Done();
    }
    void OnMove(POINT position) {
        Call("move");
        Point(position);
        Done();
    }
    void OnShowWindow(bool show, UINT status) {
        Call("show") << " " << show << " " << status;
        Done();
    }
    void OnWindowPosChanged(const WINDOWPOS& position) {
        Call("placed") << " " << position.x << "," << position.y << " " << position.cx << "x"
                       << position.cy;
        Done();
    }
    void OnPaint(HDC dc) {
        Call("paint") << " " << reinterpret_cast<UINT_PTR>(dc);
        Done();
    }
    void Mouse(const char* name, UINT keys, POINT point) {
        Call(name) << " " << keys;
        Point(point);
        Done();
    }
    void OnMouseMove(UINT keys, POINT point) { Mouse("move", keys, point); }
    void OnLButtonDown(UINT keys, POINT point) { Mouse("down", keys, point); }
    void OnLButtonUp(UINT keys, POINT point) { Mouse("up", keys, point); }
    void OnLButtonDblClk(UINT keys, POINT point) { Mouse("double", keys, point); }
    void OnMouseWheel(UINT keys, short delta, POINT point) {
        Call("wheel") << " " << keys << " " << delta;
        Point(point);
        Done();
    }
    void OnMouseLeave() {
        Call("leave");
        Done();
    }
    void OnCommand(UINT code, int id, HWND control) {
        Call("command") << " " << code << " " << id << " " << reinterpret_cast<UINT_PTR>(control);
        Done();
    }
    void OnReflectedCommand(UINT code, int id, HWND control) {
        Call("reflected") << " " << code << " " << id << " " << reinterpret_cast<UINT_PTR>(control);
        Done();
    }
    HBRUSH OnCtlColor(HDC dc, HWND control) {
        Call("colour") << " " << reinterpret_cast<UINT_PTR>(dc) << " "
                       << reinterpret_cast<UINT_PTR>(control);
        Done();
        return kBrush;
    }
    void OnSysCommand(UINT command, POINT point) {
        Call("syscommand") << " " << std::hex << command << std::dec;
        Point(point);
        Done();
    }
    LRESULT OnNotify(int id, NMHDR* header) {
        Call("notify") << " " << id << " " << header->code;
        Done();
        return 77;
    }
    // Timer 99 is passed on to the next handler of the map.
    void OnTimer(UINT_PTR id) {
        Call("timer") << " " << id;
        Done();
        if (id == 99) {
            SetMsgHandled(false);
        }
    }
    LRESULT OnTimerPassedOn(UINT, WPARAM wParam, LPARAM) {
        Call("timer passed on") << " " << wParam;
        Done();
        return 5;
    }
    void OnKeyDown(UINT key, UINT repeat, UINT flags) {
        Call("key") << " " << key << " " << repeat << " " << std::hex << flags << std::dec;
        Done();
    }
    void OnGetMinMaxInfo(MINMAXINFO& info) {
        Call("minmax") << " " << info.ptMaxSize.x;
        info.ptMaxSize.x = 640;
        Done();
    }
    void OnNcCalcSize(bool calcValidRects, NCCALCSIZE_PARAMS* params) {
        Call("nccalcsize") << " " << calcValidRects << " " << (params != nullptr);
        Done();
    }

    std::ostringstream out_;
};

// An element's WM_NCCALCSIZE: the size it wants, within the given one or with none.
class ElementRecorder : public CBkMessageMap {
public:
    std::string calls;

    BK_BEGIN_MSG_MAP(ElementRecorder)
    BK_MSG_BK_CALCSIZE(OnCalcSize)
    BK_END_MSG_MAP()

private:
    void OnCalcSize(bool available, SIZE& size) {
        calls = std::string("calcsize ") + (available ? "1 " : "0 ") + std::to_string(size.cx) +
                "x" + std::to_string(size.cy);
        size = SIZE{size.cx / 2, 10};
    }
};

NMHDR g_header = {kControl, 1000, 1};
WINDOWPOS g_position = {nullptr, nullptr, -3, 4, 300, 200, 0};
NCCALCSIZE_PARAMS g_ncParams = {};

LPARAM Pointer(void* pointer) {
    return reinterpret_cast<LPARAM>(pointer);
}

struct CrackerCase {
    const char* what;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const char* calls;  // null: the map leaves the message to default processing
    LRESULT result;
};

std::ostream& operator<<(std::ostream& out, const CrackerCase& c) {
    return out << c.what;
}

const CrackerCase kCases[] = {
    {"size", WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(800, 600), "size 2 800x600", 0},
    {"size words are unsigned", WM_SIZE, SIZE_RESTORED, MAKELPARAM(0xFFFF, 1), "size 0 65535x1", 0},
    {"move is signed", WM_MOVE, 0, MAKELPARAM(-20, 30), "move (-20,30)", 0},
    {"show", WM_SHOWWINDOW, 5, SW_PARENTOPENING, "show 1 3", 0},
    {"hide", WM_SHOWWINDOW, 0, 0, "show 0 0", 0},
    {"placed", WM_WINDOWPOSCHANGED, 0, Pointer(&g_position), "placed -3,4 300x200", 0},
    {"paint", WM_PAINT, 0x42, 0, "paint 66", 0},
    {"mouse move", WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-5, 7), "move 1 (-5,7)", 0},
    {"button down", WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(10, -1), "down 5 (10,-1)", 0},
    {"button up", WM_LBUTTONUP, 0, MAKELPARAM(1, 2), "up 0 (1,2)", 0},
    {"double click", WM_LBUTTONDBLCLK, MK_CONTROL, MAKELPARAM(3, 4), "double 8 (3,4)", 0},
    {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)), MAKELPARAM(50, 60),
     "wheel 4 -120 (50,60)", 0},
    {"leave", WM_MOUSELEAVE, 0, 0, "leave", 0},
    {"command", WM_COMMAND, MAKEWPARAM(1001, EN_CHANGE), Pointer(kControl), "command 768 1001 4660",
     0},
    {"key command", WM_COMMAND, IDCANCEL, 0, "command 0 2 0", 0},
    {"reflected command", kBkReflected + WM_COMMAND, MAKEWPARAM(7, EN_UPDATE), Pointer(kControl),
     "reflected 1024 7 4660", 0},
    {"reflected colour", kBkReflected + WM_CTLCOLOREDIT, 0x99, Pointer(kControl), "colour 153 4660",
     reinterpret_cast<LRESULT>(kBrush)},
    {"colour not reflected", WM_CTLCOLOREDIT, 0x99, Pointer(kControl), nullptr, 0},
    {"system command without its low bits", WM_SYSCOMMAND, SC_MAXIMIZE | HTCAPTION,
     MAKELPARAM(-1, 9), "syscommand f030 (-1,9)", 0},
    {"close", WM_SYSCOMMAND, SC_CLOSE, 0, "syscommand f060 (0,0)", 0},
    {"notify", WM_NOTIFY, 1000, Pointer(&g_header), "notify 1000 1", 77},
    {"timer", WM_TIMER, 12, 0, "timer 12", 0},
    {"timer passed on", WM_TIMER, 99, 0, "timer 99; timer passed on 99", 5},
    {"key down", WM_KEYDOWN, VK_ESCAPE, MAKELPARAM(3, 0x4001), "key 27 3 4001", 0},
    {"nccalcsize with rectangles", WM_NCCALCSIZE, TRUE, Pointer(&g_ncParams), "nccalcsize 1 1", 0},
    {"nccalcsize of a plain rectangle", WM_NCCALCSIZE, FALSE, Pointer(&g_ncParams),
     "nccalcsize 0 0", 0},
    {"not in the map", WM_CHAR, 'a', 0, nullptr, 0},
};

class Crackers : public ::testing::TestWithParam<CrackerCase> {};

}  // namespace

TEST_P(Crackers, HandTheHandlerItsTypedArguments) {
    const CrackerCase& c = GetParam();
    Recorder map;
    LRESULT result = -1;
    const BOOL handled = map.ProcessWindowMessage(nullptr, c.message, c.wParam, c.lParam, result);
    if (!c.calls) {
        EXPECT_FALSE(handled);
        EXPECT_EQ(-1, result) << "an unhandled message keeps its result";
        EXPECT_EQ("", map.calls);
        return;
    }
    EXPECT_TRUE(handled);
    EXPECT_EQ(c.calls, map.calls);
    EXPECT_EQ(c.result, result);
}
INSTANTIATE_TEST_SUITE_P(Messages, Crackers, ::testing::ValuesIn(kCases));

TEST(Crackers, MinMaxInfoIsTheMessagesOwn) {
    Recorder map;
    MINMAXINFO info = {};
    info.ptMaxSize.x = 100;
    LRESULT result = -1;
    EXPECT_TRUE(map.ProcessWindowMessage(nullptr, WM_GETMINMAXINFO, 0, Pointer(&info), result));
    EXPECT_EQ("minmax 100", map.calls);
    EXPECT_EQ(640, info.ptMaxSize.x);
    EXPECT_EQ(0, result);
}

TEST(Crackers, AnElementsCalcSizeSetsTheSizeInPlace) {
    const struct {
        WPARAM available;
        SIZE size;
        const char* calls;
        SIZE wanted;
    } cases[] = {
        {1, {300, 40}, "calcsize 1 300x40", {150, 10}},
        {0, {0, 0}, "calcsize 0 0x0", {0, 10}},
    };
    for (const auto& c : cases) {
        ElementRecorder map;
        SIZE size = c.size;
        LRESULT result = -1;
        EXPECT_TRUE(
            map.ProcessWindowMessage(nullptr, WM_NCCALCSIZE, c.available, Pointer(&size), result));
        EXPECT_EQ(c.calls, map.calls);
        EXPECT_EQ(c.wanted.cx, size.cx);
        EXPECT_EQ(c.wanted.cy, size.cy);
        EXPECT_EQ(0, result);
    }
}
