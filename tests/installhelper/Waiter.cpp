#include <windows.h>

// Stands in for a running program: waits until it is ended from outside.
int main() {
    Sleep(INFINITE);
    return 0;
}
