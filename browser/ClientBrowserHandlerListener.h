#pragma once

#include <string>

// The load states of the browser's page, as the listener hears them.
enum BrowserLoadState : int {
    kLoadStarted = 0,
    kLoadFinished = 1,
    kLoadFailed = 2,  // loading finished after a load error
};

// What the browser's client handler reports to the window that owns it. Load states come on the
// browser library's UI thread, popup texts on its IO thread.
class ClientBrowserHandlerListener {
public:
    virtual ~ClientBrowserHandlerListener() = default;

    virtual void OnLoadStateChanged(BrowserLoadState) {}
    // A text handed over by the new-window handling; valid only during the call.
    virtual void OnPopupText(const std::string*) {}
};
