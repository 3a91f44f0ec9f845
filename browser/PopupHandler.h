#pragma once

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

// "+" becomes a blank and "%" with two hexadecimal digits (either case) the byte they give; the
// UTF-8 result is returned in the ANSI code page. A "%" without two hexadecimal digits stays.
std::string DecodeUrl(const std::string& utf8Url);

// Turns new-window requests into native actions. Transfers, message boxes and the save dialog
// run on the calling thread, which returns when the user has closed them.
class CPopupHandler {
public:
    explicit CPopupHandler(std::string dataToolBaseUrl = kDataToolBaseUrl);

    // True (the new window is cancelled) exactly for a new foreground tab; the URL's action has
    // been carried out by then. `listener` may be null.
    bool HandleNewWindow(const std::string& targetUrlUtf8, int targetDisposition,
                         ClientBrowserHandlerListener* listener) const;

private:
    void DownloadToDesktop(const std::string& url) const;
    void DownloadDataTool() const;
    void SaveReport(const std::string& url) const;

    std::string dataToolBaseUrl_;
};
