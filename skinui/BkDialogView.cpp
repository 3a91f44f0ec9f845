#include "BkDialogView.h"

#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>
#include <windowsx.h>
#include <tinyxml.h>

#include <cctype>
#include <cstring>

#include "BkFontPool.h"
#include "BkImageSkin.h"
#include "BkParse.h"
#include "BkResource.h"
#include "BkString.h"

namespace {

// Messages sent back to the control they came from carry this offset.
constexpr int kBackBufferSlack = 128;

SIZE WorkAreaSize() {
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return SIZE{work.right - work.left, work.bottom - work.top};
}

bool IsClassName(const CBkWindow& element, const char* name) {
    return std::strcmp(element.GetObjectClass(), name) == 0;
}

// Buttons and links take a press in the header strip instead of dragging the window.
bool PressableInHeader(const CBkWindow& element) {
    return IsClassName(element, "button") || IsClassName(element, "imgbtn") ||
           IsClassName(element, "link");
}

bool MaximizesOnHeaderDoubleClick(const CBkWindow& element) {
    return !PressableInHeader(element) && !IsClassName(element, "buttonEx");
}

// The child control a reflectable message concerns, or null.
HWND ReflectionTarget(HWND view, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DRAWITEM:
            return wParam ? reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
        case WM_MEASUREITEM:
            return wParam ? GetDlgItem(view, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlID)
                          : nullptr;
        case WM_COMPAREITEM:
            return wParam ? GetDlgItem(view, reinterpret_cast<COMPAREITEMSTRUCT*>(lParam)->CtlID)
                          : nullptr;
        case WM_DELETEITEM:
            return wParam ? GetDlgItem(view, reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->CtlID)
                          : nullptr;
        case WM_PARENTNOTIFY:
            if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY) {
                return reinterpret_cast<HWND>(lParam);
            }
            return GetDlgItem(view, HIWORD(wParam));
        default:
            return reinterpret_cast<HWND>(lParam);
    }
}

}  // namespace

static_assert(bklayer::kPopup == WS_POPUP && bklayer::kSysMenu == WS_SYSMENU &&
                  bklayer::kThickFrame == WS_THICKFRAME &&
                  bklayer::kMinimizeBox == WS_MINIMIZEBOX &&
                  bklayer::kMaximizeBox == WS_MAXIMIZEBOX && bklayer::kChild == WS_CHILD,
              "the layer's window styles are the system's");
static_assert(bklayer::kAppWindow == WS_EX_APPWINDOW && bklayer::kToolWindow == WS_EX_TOOLWINDOW &&
                  bklayer::kTopmost == WS_EX_TOPMOST && bklayer::kWindowEdge == WS_EX_WINDOWEDGE &&
                  bklayer::kClientEdge == WS_EX_CLIENTEDGE,
              "the layer's extended styles are the system's");

std::recursive_mutex& BkModuleLock() {
    static std::recursive_mutex lock;
    return lock;
}

CBkViewImpl::CBkViewImpl() = default;

CBkViewImpl::~CBkViewImpl() {
    root_.Send(WM_DESTROY);
    DropUpdateRegion();
    if (backBuffer_) {
        DeleteObject(backBuffer_);
    }
}

HWND CBkViewImpl::CreateView(const BkWndClassInfo& info, HWND parent, const RECT* rect, UINT id) {
    return CreateWindowObject(info, parent, rect, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                              0, id);
}

bool CBkViewImpl::SetXml(const std::string& xml) {
    loaded_ = false;
    layer_.style = WS_POPUP | WS_SYSMENU;
    layer_.exStyle = 0;
    root_.Send(WM_DESTROY);
    TiXmlDocument document;
    if (!ParseXmlRoot(xml, "layer", document)) {
        RedrawAll();
        return false;
    }
    TiXmlElement* layer = document.RootElement();
    const std::wstring* title = GetString(1);
    title_ = title ? *title : std::wstring();
    const SIZE screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const SIZE workArea = WorkAreaSize();
    layer_ = ParseLayerAttributes(*layer, {screen.cx, screen.cy}, {workArea.cx, workArea.cy});
    headerHeight_ = layer_.headerHeight;
    // The window's size is the view's; the root always fills the client area.
    layer->RemoveAttribute("width");
    layer->RemoveAttribute("height");
    root_.Load(layer);
    root_.SetAttribute("pos", "0,0,-0,-0", false);
    loaded_ = true;
    if (m_hWnd) {
        // A tree replaced in an open window is laid out at once, not at the next resize.
        ReLayout();
        RedrawAll();
        hover_ = 0;
        pushed_ = 0;
    }
    return true;
}

bool CBkViewImpl::LoadLayout(UINT resourceId) {
    std::string xml;
    return LoadResourceData(resourceId, L"xml", xml) && SetXml(xml);
}

void CBkViewImpl::ReLayout() {
    RECT client = {};
    if (!m_hWnd || !GetClientRect(m_hWnd, &client) || IsRectEmpty(&client)) {
        return;
    }
    WINDOWPOS pos = {};
    pos.x = client.left;
    pos.y = client.top;
    pos.cx = client.right - client.left;
    pos.cy = client.bottom - client.top;
    pos.flags = SWP_SHOWWINDOW;
    root_.Send(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    RedrawAll();
}

void CBkViewImpl::RedrawAll() {
    fullRedraw_ = true;
    dirty_ = true;
    DropUpdateRegion();
    if (m_hWnd) {
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

void CBkViewImpl::InvalidateElementRect(const RECT& rect) {
    const HRGN part = CreateRectRgnIndirect(&rect);
    if (!updateRegion_) {
        updateRegion_ = part;
    } else {
        CombineRgn(updateRegion_, updateRegion_, part, RGN_OR);
        DeleteObject(part);
    }
    if (m_hWnd) {
        InvalidateRect(m_hWnd, &rect, FALSE);
    }
    dirty_ = true;
}

void CBkViewImpl::ModifyElementState(CBkWindow* element, DWORD add, DWORD remove) {
    element->ModifyState(add, remove);
    if (element->RepaintsOnStateChange() && element->IsVisible(true)) {
        InvalidateElementRect(element->GetRect());
    }
}

bool CBkViewImpl::SetItemAttribute(int id, const std::string& name, const std::string& value) {
    CBkWindow* element = root_.FindById(id);
    if (!element) {
        return false;
    }
    if (element->IsVisible(true)) {
        InvalidateElementRect(element->GetRect());
    }
    element->SetAttribute(name, value, false);
    if (element->IsVisible(true)) {
        InvalidateElementRect(element->GetRect());
    }
    return true;
}

bool CBkViewImpl::SetItemIntAttribute(int id, const std::string& name, int value) {
    return SetItemAttribute(id, name, std::to_string(value));
}

bool CBkViewImpl::SetItemVisible(int id, bool show) {
    CBkWindow* element = root_.FindById(id);
    if (!element) {
        return false;
    }
    element->Send(WM_SHOWWINDOW, show ? TRUE : FALSE);
    InvalidateElementRect(element->GetRect());
    return true;
}

LRESULT CBkViewImpl::OnCreate(UINT, WPARAM, LPARAM) {
    root_.AttachHostWindow(m_hWnd);
    return 0;
}

LRESULT CBkViewImpl::OnDestroy(UINT, WPARAM, LPARAM) {
    if (backBuffer_) {
        DeleteObject(backBuffer_);
        backBuffer_ = nullptr;
    }
    toolTip_ = nullptr;
    hover_ = 0;
    pushed_ = 0;
    tracking_ = false;
    captured_ = false;
    return 0;
}

LRESULT CBkViewImpl::OnSize(UINT, WPARAM, LPARAM) {
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    ResizeBackBuffer(client.right, client.bottom);
    ReLayout();
    return 0;
}

void CBkViewImpl::ResizeBackBuffer(int width, int height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    // A buffer large enough is kept: a window being resized step by step would otherwise take
    // new memory for every step. One that grows gets room for some more steps.
    BITMAP kept = {};
    if (backBuffer_ && GetObjectW(backBuffer_, sizeof kept, &kept) && kept.bmWidth >= width &&
        kept.bmHeight >= height) {
        return;
    }
    if (backBuffer_) {
        DeleteObject(backBuffer_);
    }
    const int reservedWidth = (width + kBackBufferSlack) / kBackBufferSlack * kBackBufferSlack;
    const int reservedHeight = (height + kBackBufferSlack) / kBackBufferSlack * kBackBufferSlack;
    const HDC screen = GetDC(nullptr);
    backBuffer_ = CreateCompatibleBitmap(screen, reservedWidth, reservedHeight);
    ReleaseDC(nullptr, screen);
    const gdi::MemoryDc memory(nullptr);
    const gdi::Selection selected(memory, backBuffer_);
    const gdi::Object<HBRUSH> brush(CreateSolidBrush(layer_.crbg));
    const RECT all = {0, 0, reservedWidth, reservedHeight};
    FillRect(memory, &all, brush);
}

void CBkViewImpl::DropUpdateRegion() {
    if (updateRegion_) {
        DeleteObject(updateRegion_);
        updateRegion_ = nullptr;
    }
}

void CBkViewImpl::RedrawBackBuffer() {
    if (!backBuffer_) {
        return;
    }
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    // Invalidations that elements raise while they paint start a new region for the next paint.
    const HRGN region = updateRegion_;
    updateRegion_ = nullptr;
    dirty_ = false;
    const std::lock_guard<std::recursive_mutex> guard(BkModuleLock());
    const gdi::MemoryDc memory(nullptr);
    const gdi::Selection bitmap(memory, backBuffer_);
    const gdi::Selection font(memory, GetFont(0));
    SetBkMode(memory, TRANSPARENT);
    const gdi::Object<HBRUSH> background(CreateSolidBrush(layer_.crbg));
    // Without an update region everything is redrawn: the background first, so that what the
    // tree leaves unpainted (or an empty tree) shows the background.
    if (region) {
        SelectClipRgn(memory, region);
        FillRgn(memory, region, background);
    } else {
        FillRect(memory, &client, background);
    }
    root_.PaintInRegion(memory, region);
    SelectClipRgn(memory, nullptr);
    if (region) {
        DeleteObject(region);
    }
}

LRESULT CBkViewImpl::OnPaint(UINT message, WPARAM wParam, LPARAM) {
    PAINTSTRUCT paint = {};
    const HDC target =
        message == WM_PRINT ? reinterpret_cast<HDC>(wParam) : BeginPaint(m_hWnd, &paint);
    if (fullRedraw_) {
        DropUpdateRegion();
        fullRedraw_ = false;
    }
    if (dirty_) {
        RedrawBackBuffer();
    }
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    if (backBuffer_) {
        const gdi::MemoryDc memory(target);
        const gdi::Selection bitmap(memory, backBuffer_);
        BitBlt(target, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    }
    if (layer_.roundBorder && layer_.showBorder) {
        DrawBorder(target, client.right, client.bottom);
    }
    if (message == WM_PAINT) {
        EndPaint(m_hWnd, &paint);
    }
    return 0;
}

void CBkViewImpl::DrawBorder(HDC dc, int width, int height) {
    const int w = width, h = height;
    const Gdiplus::Point points[] = {{2, 0},         {w - 2, 0},     {w - 1, 2},
                                     {w - 1, h - 3}, {w - 3, h - 1}, {2, h - 1},
                                     {0, h - 3},     {0, 2},         {2, 0}};
    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    const Gdiplus::Pen pen(Gdiplus::Color(layer_.crborder), 1.0f);
    graphics.DrawLines(&pen, points, static_cast<INT>(sizeof points / sizeof points[0]));
}

CBkWindow* CBkViewImpl::ElementAt(LPARAM point) {
    return ElementFromHandle(root_.HitTest(POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)}));
}

bool CBkViewImpl::InHeaderStrip(LPARAM point) const {
    RECT strip = {};
    GetClientRect(m_hWnd, &strip);
    strip.bottom = headerHeight_;
    return PtInRect(&strip, POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)}) != FALSE;
}

LRESULT CBkViewImpl::OnMouseMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!toolTip_) {
        CreateToolTip();
    }
    if (toolTip_) {
        MSG relayed = {m_hWnd, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        GetCursorPos(&relayed.pt);
        ::SendMessageW(toolTip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    switch (message) {
        case WM_MOUSEMOVE:
            OnMouseMove(wParam, lParam);
            break;
        case WM_LBUTTONDOWN:
            OnLButtonDown(wParam, lParam);
            break;
        case WM_LBUTTONUP:
            OnLButtonUp(wParam, lParam);
            break;
        case WM_LBUTTONDBLCLK:
            OnLButtonDblClk(lParam);
            break;
        case WM_MOUSEWHEEL:
            break;
        default:
            SetMsgHandled(false);
            break;
    }
    return 0;
}

void CBkViewImpl::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    if (!tracking_) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, m_hWnd, 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
        SendMouseNotification(BKNM_MOUSEENTER);
    }
    CBkWindow* element = ElementAt(lParam);
    if (!element) {
        // Outside every element, and outside the window while a press holds the capture.
        LeaveHovered();
        UpdateToolTip(nullptr);
        return;
    }
    const bool enabled = !element->IsDisabled(true);
    if (enabled) {
        element->Send(WM_MOUSEMOVE, wParam, lParam);
    }
    if (element->GetHandle() == hover_) {
        return;
    }
    CBkWindow* old = ElementFromHandle(hover_);
    if (old && !old->IsDisabled(true)) {
        ModifyElementState(old, 0, StateHover);
        old->Send(WM_MOUSELEAVE);
    }
    if (enabled) {
        ModifyElementState(element, StateHover, 0);
    }
    hover_ = element->GetHandle();
    UpdateToolTip(element);
}

void CBkViewImpl::OnLButtonDown(WPARAM wParam, LPARAM lParam) {
    CBkWindow* element = ElementAt(lParam);
    if (!element) {
        return;
    }
    if (InHeaderStrip(lParam) && !PressableInHeader(*element)) {
        const HWND top = TopLevelWindow();
        if (!(GetWindowLongW(top, GWL_STYLE) & (WS_MAXIMIZE | WS_MINIMIZE))) {
            ::SendMessageW(top, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        }
        return;
    }
    if (element->IsDisabled(true) || captured_) {
        return;
    }
    SetCapture(m_hWnd);
    captured_ = true;
    hover_ = pushed_ = element->GetHandle();
    ModifyElementState(element, StatePushed, 0);
    element->Send(WM_LBUTTONDOWN, wParam, lParam);
}

void CBkViewImpl::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
    if (captured_) {
        captured_ = false;
        ReleaseCapture();
    }
    CBkWindow* element = ElementFromHandle(pushed_);
    if (!element) {
        pushed_ = 0;
        return;
    }
    ModifyElementState(element, 0, StatePushed);
    // A click is a release on the element that was pressed; a slider's drag ends anywhere.
    const bool releasedOnIt = pushed_ == hover_ && ElementAt(lParam) == element;
    if (releasedOnIt || IsClassName(*element, "slider")) {
        element->Send(WM_LBUTTONUP, wParam, lParam);
        // The owner may rebuild or end the window while handling the click: nothing below
        // touches the element once the notification is under way.
        if (!element->GetHref().empty()) {
            const std::wstring href = element->GetHref();
            ShellExecuteW(nullptr, L"open", href.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        } else if (element->GetId() != 0) {
            SendCommand(element->GetId(), element->GetObjectClass());
        }
    }
    pushed_ = 0;
}

void CBkViewImpl::OnLButtonDblClk(LPARAM lParam) {
    CBkWindow* element = ElementAt(lParam);
    if (!element || !InHeaderStrip(lParam) || !MaximizesOnHeaderDoubleClick(*element) ||
        !layer_.maximizable) {
        return;
    }
    const HWND top = TopLevelWindow();
    const bool maximized = (GetWindowLongW(top, GWL_STYLE) & WS_MAXIMIZE) != 0;
    ::SendMessageW(top, WM_SYSCOMMAND, maximized ? SC_RESTORE | HTCAPTION : SC_MAXIMIZE | HTCAPTION,
                   0);
}

void CBkViewImpl::LeaveHovered() {
    if (CBkWindow* hovered = ElementFromHandle(hover_)) {
        ModifyElementState(hovered, 0, StateHover);
        hovered->Send(WM_MOUSELEAVE);
    }
    hover_ = 0;
}

LRESULT CBkViewImpl::OnMouseLeave(UINT, WPARAM, LPARAM) {
    tracking_ = false;
    LeaveHovered();
    if (CBkWindow* pushed = ElementFromHandle(pushed_)) {
        ModifyElementState(pushed, 0, StatePushed);
    }
    pushed_ = 0;
    SendMouseNotification(BKNM_MOUSELEAVE);
    return 0;
}

LRESULT CBkViewImpl::OnCaptureChanged(UINT, WPARAM, LPARAM) {
    // Capture taken away during a press (another window, a modal box): the press is over.
    if (captured_) {
        captured_ = false;
        if (CBkWindow* pushed = ElementFromHandle(pushed_)) {
            ModifyElementState(pushed, 0, StatePushed);
        }
        pushed_ = 0;
    }
    return 0;
}

LRESULT CBkViewImpl::OnSetCursor(UINT, WPARAM wParam, LPARAM) {
    // Real child windows (edit boxes, the browser) keep their own cursors.
    if (reinterpret_cast<HWND>(wParam) != m_hWnd) {
        SetMsgHandled(false);
        return 0;
    }
    CBkWindow* hovered = ElementFromHandle(hover_);
    if (hovered && !hovered->IsDisabled(true)) {
        hovered->ApplyCursor();
    } else {
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
    return 1;
}

void CBkViewImpl::SendCommand(int id, const char* elementClass) {
    BKNMCOMMAND record = {};
    record.hdr.hwndFrom = m_hWnd;
    record.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_hWnd));
    record.hdr.code = BKNM_COMMAND;
    record.id = id;
    record.elementClass = elementClass;
    ::SendMessageW(TopLevelWindow(), WM_NOTIFY, record.hdr.idFrom,
                   reinterpret_cast<LPARAM>(&record));
}

void CBkViewImpl::SendMouseNotification(UINT code) {
    NMHDR header = {m_hWnd, static_cast<UINT_PTR>(GetDlgCtrlID(m_hWnd)), code};
    ::SendMessageW(TopLevelWindow(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}

TTTOOLINFOW CBkViewImpl::ToolInfo(const wchar_t* text) const {
    TTTOOLINFOW tool = {};
    tool.cbSize = LOBYTE(LOWORD(GetVersion())) > 5 ? sizeof(TTTOOLINFOW) : TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = TopLevelWindow();
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    tool.lpszText = const_cast<wchar_t*>(text);
    return tool;
}

// The common controls are loaded with the first tooltip, when the mouse first comes over a view:
// loading them at start-up would delay the main window (by some 30 ms under Wine).
bool CBkViewImpl::LoadCommonControls() {
    static const bool loaded = [] {
        using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        const HMODULE library = LoadLibraryW(L"comctl32.dll");
        const auto init = library ? reinterpret_cast<InitFunction>(reinterpret_cast<void*>(
                                        GetProcAddress(library, "InitCommonControlsEx")))
                                  : nullptr;
        const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        return init && init(&controls) != FALSE;
    }();
    return loaded;
}

void CBkViewImpl::CreateToolTip() {
    if (!LoadCommonControls()) {
        return;
    }
    toolTip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!toolTip_) {
        return;
    }
    TTTOOLINFOW tool = ToolInfo(LPSTR_TEXTCALLBACKW);
    ::SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(toolTip_, TTM_ACTIVATE, TRUE, 0);
}

void CBkViewImpl::UpdateToolTip(const CBkWindow* element) {
    if (!toolTip_) {
        return;
    }
    TTTOOLINFOW tool = ToolInfo(element ? element->GetTip().c_str() : L"");
    ::SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT CBkViewImpl::OnRedrawRequest(NMHDR* header) {
    InvalidateElementRect(reinterpret_cast<BKNMREDRAW*>(header)->rect);
    return 0;
}

LRESULT CBkViewImpl::OnCustomDraw(NMHDR* header) {
    return ::SendMessageW(header->hwndFrom, WM_NOTIFY + kBkReflected, header->idFrom,
                          reinterpret_cast<LPARAM>(header));
}

CBkWindow* CBkViewImpl::ControlOwner(HWND control) {
    if (!control || ::GetParent(control) != m_hWnd) {
        return nullptr;
    }
    CBkWindow* element = root_.FindById(GetDlgCtrlID(control));
    return element && element->OwnsControl(control) ? element : nullptr;
}

LRESULT CBkViewImpl::OnCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    // An element's own control tells the element first (an edit box keeps its text); the
    // window above hears of it too.
    if (CBkWindow* owner = ControlOwner(reinterpret_cast<HWND>(lParam))) {
        owner->Send(message + kBkReflected, wParam, lParam);
    }
    return ForwardToParent(message, wParam, lParam);
}

LRESULT CBkViewImpl::OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam) {
    if (CBkWindow* owner = ControlOwner(reinterpret_cast<HWND>(lParam))) {
        return owner->Send(message + kBkReflected, wParam, lParam);
    }
    return ReflectToChild(message, wParam, lParam);
}

LRESULT CBkViewImpl::ForwardToParent(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(::GetParent(m_hWnd), message, wParam, lParam);
}

LRESULT CBkViewImpl::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND child = ReflectionTarget(m_hWnd, message, wParam, lParam);
    if (!child || !::IsWindow(child)) {
        SetMsgHandled(false);
        return 0;
    }
    return ::SendMessageW(child, message + kBkReflected, wParam, lParam);
}
