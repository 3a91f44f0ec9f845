#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "include/internal/cef_types.h"
#include "../src/Snapshots.h"

// Acts as the pages of the stand-in's browsers do: opens windows, calls the functions the
// application put into script contexts, adds frames, navigates, downloads and right-clicks.
// Each call waits for the library's threads to carry it out, dispatching the calling thread's
// messages meanwhile; call it from any thread but the library's own. The same operations are
// reachable over a loopback connection (see cef/README.md).
namespace cefdriver {

// A value crossing between the driver and page script. Objects, arrays and functions come back
// as their type only.
struct ScriptValue {
    enum class Type { Undefined, Null, Bool, Number, String, Object, Array, Function };
    Type type = Type::Undefined;
    bool boolean = false;
    double number = 0;
    std::wstring text;

    static ScriptValue Undefined() { return ScriptValue(); }
    static ScriptValue Null();
    static ScriptValue Bool(bool value);
    static ScriptValue Number(double value);
    static ScriptValue String(const std::wstring& value);
};

using Frame = cefimpl::FrameSnapshot;
using Browser = cefimpl::BrowserSnapshot;
using Download = cefimpl::DownloadSnapshot;

struct CallResult {
    // False when the frame, its context or the function was not there (see `error`).
    bool called = false;
    std::wstring error;
    bool threw = false;
    std::wstring exception;
    ScriptValue value;
};

struct State {
    bool running = false;
    std::vector<Browser> browsers;
    std::vector<Download> downloads;
};

struct MenuItem {
    int commandId = 0;
    std::wstring label;
    cef_menu_item_type_t type = MENUITEMTYPE_COMMAND;
    bool enabled = true;
    bool checked = false;
    std::vector<MenuItem> submenu;
};

struct MenuResult {
    bool found = false;
    // False when the client emptied the menu.
    bool shown = false;
    std::vector<MenuItem> items;
    // The client showed the menu itself (RunContextMenu returned true).
    bool runByClient = false;
    // The command carried out, 0 when none was chosen or it was not on the menu.
    int command = 0;
    bool handledByClient = false;
};

struct PopupResult {
    bool found = false;
    bool cancelled = false;
    // The new browser when the popup was allowed.
    int browserId = 0;
};

struct NavigateResult {
    bool found = false;
    // The render-process handler's OnBeforeNavigation cancelled it.
    bool cancelled = false;
};

struct LiveObjects {
    int browsers = 0;
    int frames = 0;
    int v8Contexts = 0;
    int v8Values = 0;
    int others = 0;
    int total() const { return browsers + frames + v8Contexts + v8Values + others; }
};

State GetState();
// Waits until at least `browsers` browsers exist, none is being created, loads or closes and no
// download runs.
bool WaitUntilIdle(unsigned long timeoutMs, size_t browsers = 0);

// A navigation the page starts (a link), offered to OnBeforeNavigation first. Frame 0 is the
// main frame.
NavigateResult Navigate(int browserId, int64 frameId, const std::wstring& url);
// window.open from the main frame: OnBeforePopup, then a new browser unless cancelled.
PopupResult RequestNewWindow(int browserId, const std::wstring& url,
                             cef_window_open_disposition_t disposition, bool userGesture);
// Calls a function of the global object of a frame's script context.
CallResult CallFunction(int browserId, int64 frameId, const std::wstring& name,
                        const std::vector<ScriptValue>& arguments);
// Adds a sub-frame to a frame and loads `url` into it; the new frame's id, or 0.
int64 AddFrame(int browserId, int64 parentFrameId, const std::wstring& name,
               const std::wstring& url);
// A download the page starts; its id, or 0.
uint32 StartDownload(int browserId, const std::wstring& url, const std::wstring& suggestedName);
// A right-click at a point of the browser's window, choosing `commandId` from the menu (0 to
// dismiss it).
MenuResult RightClick(int browserId, int x, int y, int commandId);
// CloseBrowser on a browser's host.
bool Close(int browserId, bool force);
// Crashes the process of a browser's page (with the engine that shows real pages); false when the
// browser or such an engine is not there.
bool CrashPage(int browserId);
// Milliseconds of `count` plain script evaluations on a browser's page through the engine's own
// connection to its browser (with the engine that shows real pages); empty otherwise.
std::vector<double> ProtocolRoundTrips(int browserId, int count);
// How many pages (tabs and windows) the engine's browser has; -1 when it cannot tell.
int BrowserPages();

// Save dialogs are answered with `path` (empty = cancelled) instead of being shown, until
// ShowSaveDialogs. The path the library proposed last is kept.
void AnswerSaveDialogs(const std::wstring& path);
void ShowSaveDialogs();
std::wstring LastSaveDialogProposal();
// Limits each page load; a load that takes longer fails with ERR_TIMED_OUT. 0 = no limit.
void SetLoadTimeout(unsigned long milliseconds);

// Library objects alive now; all zero once every reference has gone after CefShutdown.
LiveObjects CountLiveObjects();
// The loopback port of the driver, 0 when it is not listening.
unsigned short ListeningPort();

}  // namespace cefdriver
