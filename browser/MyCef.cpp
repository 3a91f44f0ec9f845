#include "MyCef.h"

CMyCef::~CMyCef() {
    if (handler_) {
        handler_->SetListener(nullptr);
        handler_->SetHostWindow(nullptr);
    }
}

HWND CMyCef::Create(HWND parent, const RECT* rect, DWORD style, UINT id) {
    if (style == 0) {
        style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    }
    if (!CreateWindowObject(BkDefaultWndClass(L"TesselBrowserHost"), parent, rect, nullptr, style,
                            0, id)) {
        return nullptr;
    }
    RECT placed = {};
    GetWindowRect(m_hWnd, &placed);
    windowInfo_.SetAsChild(m_hWnd, placed);
    handler_ = new ClientBrowserHandler();
    client_ = handler_.get();
    handler_->SetHostWindow(m_hWnd);
    handler_->SetListener(this);
    return m_hWnd;
}

void CMyCef::CreateBrowser(const std::string& url) {
    CefBrowserHost::CreateBrowser(windowInfo_, client_, CefString(url), settings_, nullptr);
}

void CMyCef::FitBrowser(int width, int height) {
    CefRefPtr<CefBrowser> browser = handler_ ? handler_->GetHostedBrowser() : nullptr;
    if (browser) {
        MoveWindow(browser->GetHost()->GetWindowHandle(), 0, 0, width, height, TRUE);
    }
}

LRESULT CMyCef::OnBrowserResize(UINT, WPARAM, LPARAM) {
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    FitBrowser(client.right, client.bottom);
    return 0;
}

void CMyCef::OnSize(UINT, SIZE size) {
    if (size.cx == 0 || size.cy == 0) {
        return;
    }
    FitBrowser(size.cx, size.cy);
    SetMsgHandled(false);
}

// Until the browser's window covers the host (the browser comes up after the main window), the
// host shows the window colour of its class rather than whatever was on the screen; it never
// paints over its children, so the page does not flicker.
LRESULT CMyCef::OnPaint(UINT, WPARAM, LPARAM) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(m_hWnd, &paint);
    for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowVisible(child)) {
            RECT covered = {};
            GetWindowRect(child, &covered);
            MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&covered), 2);
            ExcludeClipRect(dc, covered.left, covered.top, covered.right, covered.bottom);
        }
    }
    FillRect(dc, &paint.rcPaint, GetSysColorBrush(COLOR_WINDOW));
    EndPaint(m_hWnd, &paint);
    return 0;
}
