#include "MyAppModule.h"

#include <winsock2.h>
#include <objidl.h>
#include <gdiplus.h>

#include <memory>

#include "BkSkinResources.h"
#include "MainDlg.h"
#include "SingleInstance.h"
#include "WndShadow.h"

CMyAppModule _Module;

RECT InitialMainRect(int screenWidth, int screenHeight) {
    return RECT{0, 0, static_cast<LONG>(screenWidth * 0.9), static_cast<LONG>(screenHeight * 0.9)};
}

void CMyAppModule::StartWindowsSockets() {
    WSADATA data = {};
    if (WSAStartup(MAKEWORD(2, 2), &data) == 0) {
        return;
    }
    if (data.wVersion != MAKEWORD(2, 2)) {
        MessageBoxW(nullptr, L"Incorrect version of WS2_32.dll found", L"Error", MB_OK);
    }
    WSACleanup();
}

INT_PTR CMyAppModule::Run() {
    if (ActivateRunningInstance()) {
        return 0;
    }
    LoadSkinResources();
    if (!richEdit_) {
        richEdit_ = LoadLibraryW(L"RICHED20.DLL");
    }
    if (!gdiplusToken_) {
        const Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr);
    }
    StartWindowsSockets();
    CWndShadow::InstallShadowSupport(instance_);
    const RECT rect = InitialMainRect(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    auto window = std::make_unique<CMainDlg>(kMainLayout, rect);
    const INT_PTR code = window->DoModal(nullptr);
    Gdiplus::GdiplusShutdown(gdiplusToken_);
    gdiplusToken_ = 0;
    window.reset();
    return code;
}
