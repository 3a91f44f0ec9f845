#include <windows.h>

// A desktop program that is slow to start: it becomes idle (waits for input) only after 20 s,
// and then runs until it is ended from outside.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    Sleep(20000);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}
