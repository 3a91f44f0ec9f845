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

LRESULT CMyCef::OnSize(UINT, WPARAM, LPARAM lParam) {
    const int width = LOWORD(lParam);
    const int height = HIWORD(lParam);
    if (width == 0 || height == 0) {
        return 0;
    }
    FitBrowser(width, height);
    SetMsgHandled(false);
    return 0;
}

LRESULT CMyCef::OnPaint(UINT, WPARAM, LPARAM) {
    PAINTSTRUCT paint;
    BeginPaint(m_hWnd, &paint);
    EndPaint(m_hWnd, &paint);
    return 0;
}
