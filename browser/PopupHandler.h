#pragma once

#include <windows.h>

#include <memory>
#include <string>

class ClientBrowserHandlerListener;

// The window-open disposition of a new foreground tab, the only kind of new window intercepted.
constexpr int kNewForegroundTabDisposition = 4;

// The data tool's download site: its download page, version file and installers lie below it.
extern const char kDataToolBaseUrl[];

// What a new-window request turns into, chosen by its target URL.
enum class PopupAction {
    kDownloadToDesktop,  // a spreadsheet or PDF file, saved on the desktop
    kDataToolInstaller,  // the data tool's current installer, saved on the desktop
    kSaveReport,         // the report, saved where the user chooses
    kHandOver,           // the decoded URL, handed to the owner window
};

// The first rule the UTF-8 URL matches; the tests ignore ASCII case.
PopupAction ChoosePopupAction(const std::string& utf8Url, const std::string& dataToolBaseUrl);

// Turns new-window requests into native actions. The browser library asks on a thread of its own
// (its IO thread) that must not be held: the decision is made at once, and the actions (transfers,
// message boxes, the save dialog) are carried out one at a time, in the order they came, on a
// thread of the handler's own, with the boxes and the dialog owned by the owner window.
class CPopupHandler {
public:
    explicit CPopupHandler(std::string dataToolBaseUrl = kDataToolBaseUrl);
    // An action under way is finished by its thread; queued ones are dropped.
    ~CPopupHandler();
    CPopupHandler(const CPopupHandler&) = delete;
    CPopupHandler& operator=(const CPopupHandler&) = delete;

    // The window the boxes and the save dialog belong to (disabled while they are open), or null.
    void SetOwner(HWND owner);

    // True (the new window is cancelled) exactly for a new foreground tab. A URL with no action
    // of its own is handed to `listener` (may be null) at once; the others are queued.
    bool HandleNewWindow(const std::string& targetUrlUtf8, int targetDisposition,
                         ClientBrowserHandlerListener* listener) const;

    // True when no action is queued or under way.
    bool IsIdle() const;

private:
    struct Worker;
    std::shared_ptr<Worker> worker_;
};
