#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"

class CefClient;

// Creation and closing of browsers, and the page's requests for new windows. UI thread.
class CefLifeSpanHandler : public virtual CefBase {
public:
    typedef cef_window_open_disposition_t WindowOpenDisposition;

    // True cancels the new window. Otherwise the popup is created with the (possibly changed)
    // window information, client and settings.
    virtual bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                               const CefString& target_url, const CefString& target_frame_name,
                               WindowOpenDisposition target_disposition, bool user_gesture,
                               const CefPopupFeatures& popupFeatures, CefWindowInfo& windowInfo,
                               CefRefPtr<CefClient>& client, CefBrowserSettings& settings,
                               bool* no_javascript_access) {
        return false;
    }
    virtual void OnAfterCreated(CefRefPtr<CefBrowser> browser) {}
    virtual bool RunModal(CefRefPtr<CefBrowser> browser) { return false; }
    // False lets the library close the browser's top-level window; true keeps it for the client.
    virtual bool DoClose(CefRefPtr<CefBrowser> browser) { return false; }
    // The last call for a browser; the library drops its client reference afterwards.
    virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) {}
};
