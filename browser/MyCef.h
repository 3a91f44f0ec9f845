#pragma once

#include <windows.h>

#include <string>

#include "BkWindowImpl.h"
#include "CefLibrary.h"
#include "ClientBrowserHandler.h"

// A plain child window that hosts the embedded browser and keeps it fitted to its client area.
class CMyCef : public CBkWindowImplRoot, public ClientBrowserHandlerListener {
public:
    CMyCef() = default;
    // The handler outlives this object while the library still holds it: it is told to forget it.
    ~CMyCef() override;

    // Style 0 means WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN.
    HWND Create(HWND parent, const RECT* rect, DWORD style, UINT id);
    // Asks the library for the browser (created asynchronously) showing `url` (UTF-8).
    void CreateBrowser(const std::string& url);
    CefRefPtr<ClientBrowserHandler> GetHandler() const { return handler_; }

    BK_BEGIN_MSG_MAP(CMyCef)
    BK_MESSAGE_HANDLER(WM_BROWSER_RESIZE, OnBrowserResize)
    BK_MSG_WM_SIZE(OnSize)
    BK_MESSAGE_HANDLER(WM_PAINT, OnPaint)
    BK_MESSAGE_HANDLER(WM_ERASEBKGND, OnReturnTrue)
    BK_MESSAGE_HANDLER(WM_SETCURSOR, OnReturnTrue)
    BK_END_MSG_MAP()

private:
    LRESULT OnBrowserResize(UINT, WPARAM, LPARAM);
    void OnSize(UINT type, SIZE size);
    LRESULT OnPaint(UINT, WPARAM, LPARAM);
    LRESULT OnReturnTrue(UINT, WPARAM, LPARAM) { return 1; }
    // Moves the current browser's window over (0, 0, width, height), if there is a browser.
    void FitBrowser(int width, int height);

    CefRefPtr<ClientBrowserHandler> handler_;
    CefWindowInfo windowInfo_;
    CefRefPtr<CefClient> client_;
    CefBrowserSettings settings_;
};
