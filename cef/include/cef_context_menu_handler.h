#pragma once

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_menu_model.h"

class CefContextMenuParams;

// Lets a client that shows the menu itself report the choice. Any thread, once.
class CefRunContextMenuCallback : public virtual CefBase {
public:
    typedef cef_event_flags_t EventFlags;

    virtual void Continue(int command_id, EventFlags event_flags) = 0;
    virtual void Cancel() = 0;
};

// The page's context menu. UI thread.
class CefContextMenuHandler : public virtual CefBase {
public:
    typedef cef_event_flags_t EventFlags;

    virtual void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                     CefRefPtr<CefContextMenuParams> params,
                                     CefRefPtr<CefMenuModel> model) {}
    // True when the client shows the menu itself and will call `callback`.
    virtual bool RunContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                CefRefPtr<CefContextMenuParams> params,
                                CefRefPtr<CefMenuModel> model,
                                CefRefPtr<CefRunContextMenuCallback> callback) {
        return false;
    }
    // True when the client carried out the command; false lets the library do it.
    virtual bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                                      CefRefPtr<CefContextMenuParams> params, int command_id,
                                      EventFlags event_flags) {
        return false;
    }
    virtual void OnContextMenuDismissed(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame) {}
};

// Where and on what a context menu was opened. Valid during the menu's callbacks only.
class CefContextMenuParams : public virtual CefBase {
public:
    typedef cef_context_menu_type_flags_t TypeFlags;
    typedef cef_context_menu_media_type_t MediaType;
    typedef cef_context_menu_media_state_flags_t MediaStateFlags;
    typedef cef_context_menu_edit_state_flags_t EditStateFlags;

    virtual int GetXCoord() = 0;
    virtual int GetYCoord() = 0;
    virtual TypeFlags GetTypeFlags() = 0;
    virtual CefString GetLinkUrl() = 0;
    virtual CefString GetUnfilteredLinkUrl() = 0;
    virtual CefString GetSourceUrl() = 0;
    virtual bool HasImageContents() = 0;
    virtual CefString GetPageUrl() = 0;
    virtual CefString GetFrameUrl() = 0;
    virtual CefString GetFrameCharset() = 0;
    virtual MediaType GetMediaType() = 0;
    virtual MediaStateFlags GetMediaStateFlags() = 0;
    virtual CefString GetSelectionText() = 0;
    virtual bool IsEditable() = 0;
    virtual EditStateFlags GetEditStateFlags() = 0;
};
