#include "TestHost.h"

#include <tinyxml.h>

#include "BkPngPool.h"
#include "DibCanvas.h"

std::unique_ptr<CBkDialog> LoadTree(const std::string& xml, int width, int height, HWND host) {
    BkPngPool::Instance();
    TiXmlDocument document;
    document.Parse(xml.c_str(), nullptr, TIXML_ENCODING_UTF8);
    auto root = std::make_unique<CBkDialog>();
    if (document.Error() || !document.RootElement()) {
        return root;
    }
    document.RootElement()->SetAttribute("width", "full");
    document.RootElement()->SetAttribute("height", "full");
    root->AttachHostWindow(host);
    root->Load(document.RootElement());
    WINDOWPOS pos = {};
    pos.cx = width;
    pos.cy = height;
    root->Send(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return root;
}

TestHost::TestHost(const std::string& xml, int width, int height) {
    static const ATOM registered = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TesselTestHost";
        return RegisterClassW(&wc);
    }();
    (void)registered;
    window_ = CreateWindowExW(0, L"TesselTestHost", L"host", WS_POPUP, 0, 0, width, height, nullptr,
                              nullptr, GetModuleHandleW(nullptr), this);
    root_ = LoadTree(xml, width, height, window_);
}

TestHost::~TestHost() {
    root_->Send(WM_DESTROY);
    root_.reset();
    DestroyWindow(window_);
}

LRESULT CALLBACK TestHost::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestHost*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NOTIFY && self) {
        self->OnNotify(reinterpret_cast<NMHDR*>(lParam));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TestHost::OnNotify(NMHDR* header) {
    codes.push_back(header->code);
    if (header->code == BKNM_REDRAW) {
        redraws.push_back(reinterpret_cast<BKNMREDRAW*>(header)->rect);
    } else if (header->code == BKNM_TAB_SELCHANGE) {
        auto* change = reinterpret_cast<BKNMTABSELCHANGE*>(header);
        pageChanges.push_back(*change);
        change->cancel = refusePageChange ? 1 : 0;
    }
}

void TestHost::Paint(DibCanvas& canvas) {
    root_->PaintInRegion(canvas.dc(), nullptr);
}

CBkWindow* TestHost::ElementAt(int x, int y) {
    return ElementFromHandle(root_->HitTest(POINT{x, y}));
}

void TestHost::SendTo(int handle, UINT message, int x, int y) {
    if (CBkWindow* element = ElementFromHandle(handle)) {
        element->Send(message, 0, MAKELPARAM(x, y));
    }
}

void TestHost::MouseMove(int x, int y) {
    CBkWindow* target = ElementAt(x, y);
    const int handle = target ? target->GetHandle() : 0;
    if (handle != hover_) {
        if (CBkWindow* old = ElementFromHandle(hover_)) {
            old->ModifyState(0, StateHover);
            old->Send(WM_MOUSELEAVE);
        }
        hover_ = handle;
        if (target) {
            target->ModifyState(StateHover, 0);
        }
    }
    SendTo(pushed_ ? pushed_ : hover_, WM_MOUSEMOVE, x, y);
}

void TestHost::MouseLeave() {
    if (CBkWindow* old = ElementFromHandle(hover_)) {
        old->ModifyState(0, StateHover);
        old->Send(WM_MOUSELEAVE);
    }
    hover_ = 0;
}

void TestHost::Click(int x, int y) {
    MouseMove(x, y);
    pushed_ = hover_;
    if (CBkWindow* target = ElementFromHandle(pushed_)) {
        target->ModifyState(StatePushed, 0);
    }
    SendTo(pushed_, WM_LBUTTONDOWN, x, y);
    SendTo(pushed_, WM_LBUTTONUP, x, y);
    if (CBkWindow* target = ElementFromHandle(pushed_)) {
        target->ModifyState(0, StatePushed);
    }
    pushed_ = 0;
}
