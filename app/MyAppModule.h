#pragma once

#include <windows.h>

// The application's module: its instance, the rich-edit library and GDI+ for the life of the
// main window.
class CMyAppModule {
public:
    void Init(HINSTANCE instance) { instance_ = instance; }
    // Runs the main window modally; its end code, or 0 when another main window was found.
    INT_PTR Run();

    HINSTANCE GetInstance() const { return instance_; }

private:
    void StartWindowsSockets();

    HINSTANCE instance_ = nullptr;
    HMODULE richEdit_ = nullptr;
    ULONG_PTR gdiplusToken_ = 0;
};

extern CMyAppModule _Module;

// The main window's first size: 90 % of the primary screen, truncated.
RECT InitialMainRect(int screenWidth, int screenHeight);
