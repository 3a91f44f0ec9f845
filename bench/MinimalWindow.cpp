#include <windows.h>

// The least a Win32 program does to show a window of the main window's size (90 % of the
// screen): the start-up benchmark's baseline.
namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = L"MinimalWindow";
    RegisterClassW(&windowClass);
    const int width = GetSystemMetrics(SM_CXSCREEN) * 9 / 10;
    const int height = GetSystemMetrics(SM_CYSCREEN) * 9 / 10;
    const HWND window = CreateWindowExW(0, L"MinimalWindow", L"Tessel", WS_POPUP, 0, 0, width,
                                        height, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}
