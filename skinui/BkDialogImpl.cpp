#include "BkDialogImpl.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>

namespace {

std::mutex& OpenWindowsLock() {
    static std::mutex lock;
    return lock;
}

std::vector<HWND>& OpenWindowList() {
    static std::vector<HWND> windows;
    return windows;
}

// The skinned window each thread runs modally at the moment: the default owner of the next one.
std::mutex g_modalLock;
std::map<DWORD, HWND> g_modalWindows;

HWND CurrentModalWindow() {
    const std::lock_guard<std::mutex> guard(g_modalLock);
    const auto found = g_modalWindows.find(GetCurrentThreadId());
    return found == g_modalWindows.end() ? nullptr : found->second;
}

// Makes `window` the thread's current modal window and returns the one it replaces.
HWND SwapModalWindow(HWND window) {
    const std::lock_guard<std::mutex> guard(g_modalLock);
    HWND& current = g_modalWindows[GetCurrentThreadId()];
    const HWND previous = current;
    current = window;
    if (!window) {
        g_modalWindows.erase(GetCurrentThreadId());
    }
    return previous;
}

// Skinned windows draw their own frame: switch visual styles off for them when the system has
// them.
void ApplyEmptyTheme(HWND window) {
    using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    static const SetWindowThemeFn setWindowTheme = [] {
        const HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll");
        return uxtheme ? reinterpret_cast<SetWindowThemeFn>(
                             reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")))
                       : nullptr;
    }();
    if (setWindowTheme) {
        setWindowTheme(window, L"", L"");
    }
}

RECT MonitorWorkArea(HWND window) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

}  // namespace

void AddOpenWindow(HWND window) {
    const std::lock_guard<std::mutex> guard(OpenWindowsLock());
    OpenWindowList().push_back(window);
}

void RemoveOpenWindow(HWND window) {
    const std::lock_guard<std::mutex> guard(OpenWindowsLock());
    auto& windows = OpenWindowList();
    const auto found = std::find(windows.begin(), windows.end(), window);
    if (found != windows.end()) {
        windows.erase(found);
    }
}

std::vector<HWND> OpenWindows() {
    const std::lock_guard<std::mutex> guard(OpenWindowsLock());
    return OpenWindowList();
}

std::array<RECT, 5> RoundBorderRects(const RECT& c) {
    const LONG h = c.bottom - c.top;
    return {{{c.left, c.top + 2, c.right, c.bottom - 2},
             {c.left + 2, c.top, c.right - 2, c.top + 1},
             {c.left + 2, c.top + h - 1, c.right - 2, c.top + h},
             {c.left + 1, c.top + 1, c.right - 1, c.top + 2},
             {c.left + 1, c.top + h - 2, c.right - 1, c.top + h - 1}}};
}

HRGN CreateRoundBorderRegion(const RECT& client) {
    const HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (const RECT& part : RoundBorderRects(client)) {
        const HRGN piece = CreateRectRgnIndirect(&part);
        CombineRgn(region, region, piece, RGN_OR);
        DeleteObject(piece);
    }
    return region;
}

BkMaxPlacement MaximizedPlacement(const RECT& monitor, const RECT& work) {
    return {{std::abs(work.left - monitor.left) - 1, std::abs(work.top - monitor.top) - 1},
            {work.right - work.left + 2, work.bottom - work.top + 2}};
}

POINT CenteredPosition(const RECT& window, const RECT& reference, const RECT& work) {
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    LONG x = (reference.left + reference.right) / 2 - width / 2;
    LONG y = (reference.top + reference.bottom) / 2 - height / 2;
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
    return POINT{x, y};
}

CBkDialogBase::CBkDialogBase(UINT layoutId, UINT viewId, int left, int top, int right, int bottom)
    : layoutId_(layoutId), viewId_(viewId), width_(right - left), height_(bottom - top) {}

CBkDialogBase::~CBkDialogBase() {
    // Destroy the window while its view still exists.
    if (IsWindow()) {
        ::DestroyWindow(m_hWnd);
    }
}

HWND CBkDialogBase::Create(HWND owner, const RECT* rect) {
    if (!view_.IsLayoutLoaded() && (layoutId_ == 0 || !view_.LoadLayout(layoutId_))) {
        return nullptr;
    }
    lastWidth_ = 0;
    lastHeight_ = 0;
    const BkLayerAttributes& layer = view_.GetLayer();
    const std::wstring title = view_.GetTitle();
    const DWORD style =
        layer.style ? layer.style : WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (!CreateWindowObject(ClassInfo(), owner, rect, title.empty() ? nullptr : title.c_str(),
                            style, layer.exStyle, 0)) {
        return nullptr;
    }
    ApplyEmptyTheme(m_hWnd);
    RECT viewRect = {};
    if (rect) {
        viewRect = RECT{0, 0, rect->right - rect->left, rect->bottom - rect->top};
    }
    view_.Create(m_hWnd, rect ? &viewRect : nullptr, viewId_);
    show_ = true;
    SendMessage(WM_INITDIALOG, reinterpret_cast<WPARAM>(m_hWnd), 0);
    view_.Root().ShowRealWindows(true);
    // Real windows created at WM_INITDIALOG take their slots even if the size does not change.
    view_.ReLayout();
    if (width_ == 0 || height_ == 0) {
        width_ = view_.GetLayoutWidth();
        height_ = view_.GetLayoutHeight();
    }
    if (width_ != 0 && height_ != 0) {
        SizeClientTo(width_, height_);
    }
    return m_hWnd;
}

void CBkDialogBase::SizeClientTo(int width, int height) {
    RECT window = {}, client = {};
    GetWindowRect(m_hWnd, &window);
    GetClientRect(m_hWnd, &client);
    const int frameWidth = (window.right - window.left) - client.right;
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    SetWindowPos(m_hWnd, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CBkDialogBase::DoModal(HWND owner, const RECT* rect) {
    if (!owner) {
        owner = CurrentModalWindow();
    }
    if (!owner) {
        owner = GetActiveWindow();
    }
    bool disabledOwner = false;
    if (owner && owner != GetDesktopWindow() && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        disabledOwner = true;
    }
    ended_ = false;
    if (!Create(owner, rect)) {
        if (disabledOwner) {
            EnableWindow(owner, TRUE);
        }
        return 0;
    }
    const HWND window = m_hWnd;
    const HWND previousModal = SwapModalWindow(window);
    if (!rect) {
        CenterWindow();
    }
    if (show_) {
        SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE);
    }
    RunModalLoop();
    ended_ = false;
    if (IsWindow()) {
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
    }
    if (disabledOwner) {
        EnableWindow(owner, TRUE);
    }
    if (owner && GetActiveWindow() == window) {
        SetActiveWindow(owner);
    }
    SwapModalWindow(previousModal);
    if (IsWindow()) {
        ::DestroyWindow(window);
    }
    return result_;
}

void CBkDialogBase::RunModalLoop() {
    MSG message = {};
    for (;;) {
        const bool quitWaiting =
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message == WM_QUIT;
        if (quitWaiting || ended_ || !IsWindow()) {
            return;
        }
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) {
            continue;
        }
        if (got == 0) {
            // The quit request belongs to the outer loop: hand it back.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void CBkDialogBase::EndDialog(INT_PTR result) {
    RemoveOpenWindow(m_hWnd);
    result_ = result;
    ended_ = true;
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

void CBkDialogBase::CenterWindow(HWND owner) {
    RECT window = {};
    GetWindowRect(m_hWnd, &window);
    const UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    if (GetWindowLongW(m_hWnd, GWL_STYLE) & WS_CHILD) {
        RECT parent = {};
        GetClientRect(::GetParent(m_hWnd), &parent);
        SetWindowPos(m_hWnd, nullptr, (parent.right - (window.right - window.left)) / 2,
                     (parent.bottom - (window.bottom - window.top)) / 2, 0, 0, flags);
        return;
    }
    if (!owner) {
        owner = GetWindow(m_hWnd, GW_OWNER);
    }
    // Centred on a visible owner, the window stays on the owner's monitor.
    const bool onOwner = owner && IsWindowVisible(owner) && !IsIconic(owner);
    const RECT work = MonitorWorkArea(onOwner ? owner : m_hWnd);
    RECT reference = work;
    if (onOwner) {
        GetWindowRect(owner, &reference);
    }
    const POINT position = CenteredPosition(window, reference, work);
    SetWindowPos(m_hWnd, nullptr, position.x, position.y, 0, 0, flags);
}

void CBkDialogBase::OnSize(UINT type, SIZE size) {
    const int width = size.cx;
    const int height = size.cy;
    if (type == SIZE_MINIMIZED || (width == lastWidth_ && height == lastHeight_)) {
        return;
    }
    if (view_.GetLayer().roundBorder) {
        SetWindowRgn(m_hWnd, CreateRoundBorderRegion(RECT{0, 0, width, height}), FALSE);
    }
    lastWidth_ = width;
    lastHeight_ = height;
    if (view_.IsWindow()) {
        MoveWindow(view_.m_hWnd, 0, 0, width, height, TRUE);
    }
}

void CBkDialogBase::OnClose() {
    SendMessage(WM_COMMAND, IDCANCEL, 0);
}

void CBkDialogBase::OnGetMinMaxInfo(MINMAXINFO& minMax) {
    const HMONITOR monitor = MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONULL);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info)) {
        SetMsgHandled(false);
        return;
    }
    const BkMaxPlacement placement = MaximizedPlacement(info.rcMonitor, info.rcWork);
    minMax.ptMaxPosition = placement.position;
    minMax.ptMaxSize = POINT{placement.size.cx, placement.size.cy};
    minMax.ptMaxTrackSize = minMax.ptMaxSize;
}

void CBkDialogBase::OnNcCalcSize(bool calcValidRects, NCCALCSIZE_PARAMS* params) {
    if (!calcValidRects) {
        return;
    }
    const WINDOWPOS* pos = params->lppos;
    if (!pos || (pos->flags & SWP_NOSIZE)) {
        return;
    }
    RECT window = params->rgrc[1];
    if (!(pos->flags & SWP_NOMOVE)) {
        window.left = pos->x;
        window.top = pos->y;
    }
    window.right = window.left + pos->cx;
    window.bottom = window.top + pos->cy;
    params->rgrc[0] = window;
    params->rgrc[1] = window;
}

void CBkDialogBase::OnKeyDown(UINT key, UINT, UINT) {
    const bool ctrlDown = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    if (!IsWindowEnabled(m_hWnd) || ctrlDown || (key != VK_ESCAPE && key != VK_RETURN)) {
        SetMsgHandled(false);
        return;
    }
    SendMessage(WM_COMMAND, key == VK_ESCAPE ? IDCANCEL : IDOK, 0);
}

LRESULT CBkDialogBase::OnCommandId(WORD id) {
    BKNMCOMMAND record = {};
    record.hdr.hwndFrom = m_hWnd;
    record.hdr.idFrom = viewId_;
    record.hdr.code = BKNM_COMMAND;
    record.id = id;
    record.elementClass = "";
    SendMessage(WM_NOTIFY, viewId_, reinterpret_cast<LPARAM>(&record));
    return 0;
}
