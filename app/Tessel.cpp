// The program's entry point: every start is offered to the browser library first (it may be one of
// the library's sub-processes); only the application process goes on to the main window.
#include <windows.h>
#include <objbase.h>

#include "CefLibrary.h"
#include "ClientAppRenderer.h"
#include "LogFile.h"
#include "MyAppModule.h"
#include "SingleInstance.h"

namespace {

constexpr DWORD kWaitForFirstMs = 5000;

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const CefMainArgs args(instance);
    CefRefPtr<ClientAppRenderer> app(new ClientAppRenderer());
    const int subProcessCode = CefExecuteProcess(args, app.get(), nullptr);
    if (subProcessCode >= 0) {
        return subProcessCode;
    }
    // A second start hands over to the first even while that one is still starting up, or takes
    // over from one that is on its way out.
    CSingleInstance session;
    if (!session.IsFirst() && !session.WaitForTurn(kWaitForFirstMs)) {
        return 0;
    }
    CefSettings settings;
    settings.single_process = 1;
    settings.no_sandbox = 1;
    settings.multi_threaded_message_loop = 1;
    if (!CefInitialize(args, settings, app.get(), nullptr)) {
        // Start-up goes on without a page; the library has told the user why.
        WriteLog(kLogError, "CefInitialize", "the browser library could not be initialised");
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    _Module.Init(instance);
    _Module.Run();
    CoUninitialize();
    CefShutdown();
    return 0;
}
