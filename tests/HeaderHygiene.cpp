// Compiled, not run: every header of the program together, followed by names that Win32's
// macro-heavy headers (<windowsx.h> above all) would turn into something else. The build fails
// if any header of ours lets such a macro out, as the browser library's own headers would.
#include "CefLibrary.h"
#include "ClientApp.h"
#include "ClientAppRenderer.h"
#include "ClientBrowserHandler.h"
#include "HttpTransfer.h"
#include "JsonHelper.h"
#include "MainDlg.h"
#include "MyAppModule.h"
#include "MyCef.h"
#include "PopupHandler.h"
#include "SingleInstance.h"

struct NamesTheLibraryUses {
    int GetNextSibling();
    int GetPrevSibling();
    int GetFirstChild();
    int GetLastChild();
    int SubclassWindow();
    int GetWindowFont();
};
