#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "include/cef_v8.h"
#include "include/internal/cef_types.h"

namespace cefimpl {

// What a browser's window shows about its page.
struct PageView {
    std::wstring title;
    std::wstring url;
    std::wstring state;
};

// The outcome of fetching a page: committed with an HTTP status, or failed with an error code.
struct LoadResult {
    cef_errorcode_t error = ERR_NONE;
    int httpStatus = 0;
    std::wstring url;
    std::wstring title;
};

// A menu as the engine shows it: one entry per item, submenus nested.
struct MenuEntry {
    int commandId = 0;
    std::wstring label;
    cef_menu_item_type_t type = MENUITEMTYPE_COMMAND;
    bool enabled = true;
    bool checked = false;
    std::vector<MenuEntry> submenu;
};

// A call of a script function: its result, or the exception it threw, or why it could not run.
struct ScriptCallResult {
    bool called = false;
    std::wstring error;
    CefRefPtr<CefV8Value> result;
    std::wstring exception;
};

// What an engine reports to the library. Always on the library's UI thread.
class EngineEvents {
public:
    // A navigation has committed (or failed). An engine that runs real pages reports the end of
    // the load later, through OnLoadEnded.
    virtual void OnLoadFinished(int64 navigationId, const LoadResult& result) = 0;
    // Real pages only: a navigation the page started itself (a link, a script, a sub-frame's
    // document), under an id from the runtime's NextNavigationId.
    virtual void OnPageNavigationStarted(int browserId, int64 frameId, int64 navigationId,
                                         const std::wstring& url) = 0;
    // Real pages only: the committed document has loaded.
    virtual void OnLoadEnded(int64 navigationId, int httpStatus, const std::wstring& title) = 0;
    virtual void OnTitleChanged(int browserId, const std::wstring& title) = 0;
    virtual void OnFrameDetached(int browserId, int64 frameId) = 0;
    virtual void OnDownloadProgress(uint32 downloadId, int64 received, int64 total) = 0;
    virtual void OnDownloadFinished(uint32 downloadId, bool complete) = 0;
    virtual void OnContextMenuRequested(int browserId, POINT clientPoint) = 0;
    // A top-level browser window was asked to close (its close box).
    virtual void OnViewCloseRequested(int browserId) = 0;
    virtual void OnViewDestroyed(int browserId) = 0;
    // Real pages only: the process of a browser's page ended; its loads under way have failed.
    virtual void OnPageProcessEnded(int browserId, cef_termination_status_t status) = 0;
    // Real pages only: the engine cannot go on (its browser cannot be started again).
    virtual void OnEngineFailed(const std::wstring& error) = 0;

protected:
    ~EngineEvents() = default;
};

// The page side of the library: windows that show pages, fetching, user input and page script.
// The API layer (browsers, frames, handlers, threads) reaches pages only through this, so that
// another engine can take the in-process one's place. Calls come on the library's UI thread,
// except CallFunction, which comes on the renderer thread.
// A browser's window of class `windowClass` as the library's window information describes it
// (a child of its parent, or a top-level window with its title); null when it cannot be made.
HWND CreateBrowserWindow(const cef_window_info_t& info, const wchar_t* windowClass);

// Where a WM_CONTEXTMENU asks for the menu, in the window's client coordinates: the window's
// corner when it came from the keyboard.
POINT ContextMenuPoint(HWND window, LPARAM lParam);

class Engine {
public:
    virtual ~Engine() = default;

    // The browser's window as the window information says (child or top-level); null on failure.
    virtual HWND CreateView(int browserId, const cef_window_info_t& info) = 0;
    virtual void ShowPage(int browserId, const PageView& view) = 0;
    // Loads a page into a frame; the result comes back through OnLoadFinished unless cancelled
    // first.
    virtual void StartLoad(int64 navigationId, int browserId, int64 frameId,
                           const std::wstring& url) = 0;
    virtual void CancelLoad(int64 navigationId) = 0;
    // Fetches a download into `path`, reporting progress and the end.
    virtual void StartDownload(uint32 downloadId, const std::wstring& url,
                               const std::wstring& path) = 0;
    virtual void CancelDownload(uint32 downloadId) = 0;
    // The browser's window, or null.
    virtual HWND FindView(int browserId) const = 0;
    // Shows a context menu at a point of the browser's window; the chosen command, or 0.
    virtual int RunMenu(int browserId, POINT clientPoint, const std::vector<MenuEntry>& menu);
    // Asks the user where to save; false when cancelled. `path` holds the proposal on entry.
    virtual bool ChooseSavePath(int browserId, std::wstring& path);
    // Calls a global function of a script context with the context entered.
    virtual ScriptCallResult CallFunction(CefRefPtr<CefV8Context> context, const std::wstring& name,
                                          const CefV8ValueList& arguments);
    // Stops every fetch and waits for them; nothing is reported afterwards.
    virtual void Shutdown() = 0;
    // Crashes the process of a browser's page, as a test of what follows; false when the engine
    // cannot.
    virtual bool CrashPage(int) { return false; }
    // Milliseconds of `count` plain script evaluations on a browser's page through the engine's
    // connection to its browser: the floor of a native call. Empty when the engine has none.
    virtual std::vector<double> TimeRoundTrips(int, int) { return {}; }
    // How many pages (tabs and windows) the engine's browser has; -1 when it cannot tell.
    virtual int CountPages() { return -1; }
    // True when pages are real documents: their own scripts navigate and make frames, each
    // document's script context is made by the engine as the document starts (before the page's
    // scripts run), and the engine reports when a load ends.
    virtual bool RunsRealPages() const { return false; }
};

}  // namespace cefimpl
