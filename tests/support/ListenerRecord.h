#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ClientBrowserHandlerListener.h"

// What the browser's client handler reported to its listener, in order, from whichever thread;
// a null popup text is recorded as "null".
class ListenerRecord : public ClientBrowserHandlerListener {
public:
    void OnLoadStateChanged(BrowserLoadState state) override;
    void OnPopupText(const std::string* text) override;

    std::vector<int> States();
    std::vector<std::string> Texts();

private:
    std::mutex lock_;
    std::vector<int> states_;
    std::vector<std::string> texts_;
};
