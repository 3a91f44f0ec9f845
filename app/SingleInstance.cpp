#include "SingleInstance.h"

#include "MainDlg.h"

namespace {

constexpr wchar_t kInstanceMutex[] = L"Local\\Tessel-{7D1A3198-4853-4DEF-9A55-37CFC74FAC04}";
constexpr DWORD kPollMs = 100;

BOOL CALLBACK FindMarkedWindow(HWND window, LPARAM found) {
    if (GetPropW(window, kInstanceMarker) == reinterpret_cast<HANDLE>(1)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

CSingleInstance::CSingleInstance() : mutex_(CreateMutexW(nullptr, TRUE, kInstanceMutex)) {
    // Without a mutex there is nothing to go by: this start goes on as the first.
    first_ = !mutex_.valid() || GetLastError() != ERROR_ALREADY_EXISTS;
}

bool ActivateRunningInstance() {
    HWND running = nullptr;
    EnumWindows(FindMarkedWindow, reinterpret_cast<LPARAM>(&running));
    if (!running) {
        return false;
    }
    if (!IsWindowVisible(running)) {
        ShowWindow(running, SW_SHOW);
    }
    if (IsIconic(running)) {
        SendMessageW(running, WM_SYSCOMMAND, SC_RESTORE | HTCAPTION, 0);
    }
    SetWindowPos(running, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    SetForegroundWindow(running);
    SetFocus(running);
    return true;
}

bool CSingleInstance::WaitForTurn(DWORD waitMs) {
    for (DWORD waited = 0; waited <= waitMs; waited += kPollMs) {
        if (ActivateRunningInstance()) {
            return false;
        }
        const DWORD result = WaitForSingleObject(mutex_.get(), kPollMs);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
            first_ = true;
            return true;
        }
    }
    return false;
}
