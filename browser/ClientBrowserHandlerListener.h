#pragma once

#include <string>

// What the browser's client handler reports to the window that owns it. Load states come on the
// browser library's UI thread, popup texts on its IO thread.
class ClientBrowserHandlerListener {
public:
    virtual ~ClientBrowserHandlerListener() = default;

    // 0: a load started; 1: loading finished; 2: loading finished after a load error.
    virtual void OnLoadStateChanged(int) {}
    // A text handed over by the new-window handling; valid only during the call.
    virtual void OnPopupText(const std::string*) {}
};
