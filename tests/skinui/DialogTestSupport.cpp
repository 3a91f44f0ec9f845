#include "DialogTestSupport.h"

#include <algorithm>

#include "BkTabCtrl.h"
#include "DibCanvas.h"

namespace {

constexpr UINT_PTR kScriptTimer = 0x7E57;
constexpr UINT_PTR kSafetyTimer = 0x7E58;
constexpr UINT kSafetyMs = 10000;

CBkDialogBase* g_running = nullptr;
std::function<void()> g_step;

void CALLBACK StepProc(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (g_step) {
        auto step = std::move(g_step);
        g_step = nullptr;
        step();
    }
}

void CALLBACK SafetyProc(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    if (g_running) {
        g_running->EndDialog(-1);
    }
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void QueueStep(std::function<void()> step) {
    g_step = std::move(step);
    SetTimer(nullptr, 0, 100, StepProc);
}

INT_PTR RunModalWithStep(CBkDialogBase& dialog, HWND owner, std::function<void()> step) {
    g_running = &dialog;
    QueueStep(std::move(step));
    const UINT_PTR safety = SetTimer(nullptr, 0, 30000, SafetyProc);
    const INT_PTR result = dialog.DoModal(owner);
    KillTimer(nullptr, safety);
    g_step = nullptr;
    g_running = nullptr;
    return result;
}

void SendMouse(HWND window, UINT message, int x, int y, WPARAM keys) {
    POINT screen = {x, y};
    ClientToScreen(window, &screen);
    SetCursorPos(screen.x, screen.y);
    SendMessageW(window, message, keys, MAKELPARAM(x, y));
}

void ClickAt(HWND window, int x, int y) {
    SendMouse(window, WM_MOUSEMOVE, x, y);
    SendMouse(window, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
    SendMouse(window, WM_LBUTTONUP, x, y);
}

OwnerWindow::OwnerWindow(int x, int y, int width, int height, COLORREF color)
    : className_(L"TesselTestOwner" + std::to_wstring(color)), brush_(CreateSolidBrush(color)) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = brush_;
    wc.lpszClassName = className_.c_str();
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, className_.c_str(), L"owner", WS_POPUP | WS_VISIBLE, x, y, width,
                              height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    UpdateWindow(window_);
}

OwnerWindow::~OwnerWindow() {
    DestroyWindow(window_);
    UnregisterClassW(className_.c_str(), GetModuleHandleW(nullptr));
    DeleteObject(brush_);
}

namespace {

// A premultiplied ARGB pixel over an opaque 0x00RRGGBB one.
DWORD BlendPremultiplied(DWORD under, uint32_t over) {
    const DWORD alpha = over >> 24;
    DWORD result = 0;
    for (const int shift : {0, 8, 16}) {
        const DWORD channel =
            ((under >> shift) & 0xFF) * (255 - alpha) / 255 + ((over >> shift) & 0xFF);
        result |= std::min<DWORD>(channel, 255) << shift;
    }
    return result;
}

}  // namespace

bool SaveWindowShot(HWND window, const ShadowParams& shadow, COLORREF backdrop, int margin,
                    const std::wstring& path) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    DibCanvas screen(width, height);
    const HDC screenDc = GetDC(nullptr);
    BitBlt(screen.dc(), 0, 0, width, height, screenDc, rect.left, rect.top, SRCCOPY);
    ReleaseDC(nullptr, screenDc);

    const HRGN region = CreateRectRgn(0, 0, width, height);
    GetWindowRgn(window, region);
    const std::vector<uint32_t> image =
        ComputeShadowImage(OutlineSpans(region, width, height), width, height, shadow);
    const DWORD back =
        (GetRValue(backdrop) << 16) | (GetGValue(backdrop) << 8) | GetBValue(backdrop);
    DibBitmap shot(width + 2 * margin, height + 2 * margin);
    shot.Fill(back);
    const int imageWidth = width + 2 * shadow.spread;
    const int imageLeft = margin + shadow.xOffset - shadow.spread;
    const int imageTop = margin + shadow.yOffset - shadow.spread;
    for (size_t i = 0; i < image.size(); ++i) {
        const int x = imageLeft + static_cast<int>(i) % imageWidth;
        const int y = imageTop + static_cast<int>(i) / imageWidth;
        if (x >= 0 && y >= 0 && x < shot.width() && y < shot.height()) {
            shot.SetPixel(x, y, BlendPremultiplied(back, image[i]));
        }
    }
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (PtInRegion(region, x, y)) {
                shot.SetPixel(margin + x, margin + y, screen.Pixel(x, y));
            }
        }
    }
    DeleteObject(region);
    return shot.SavePng(path);
}

TestDialog::TestDialog(const std::string& xml, int width, int height)
    : CBkDialogImpl(0, 1000, 0, 0, width, height) {
    SetXml(xml);
}

std::vector<int> TestDialog::CommandIds() const {
    std::vector<int> ids;
    for (const SeenCommand& command : seen) {
        if (command.code == BKNM_COMMAND) {
            ids.push_back(command.id);
        }
    }
    return ids;
}

LRESULT TestDialog::OnNotify(UINT, WPARAM, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    SeenCommand command = {header->code, header->idFrom, header->hwndFrom, 0, ""};
    if (header->code == BKNM_COMMAND) {
        const auto* record = reinterpret_cast<const BKNMCOMMAND*>(header);
        command.id = record->id;
        command.elementClass = record->elementClass ? record->elementClass : "(null)";
    }
    seen.push_back(command);
    if (header->code == BKNM_TAB_SELCHANGE) {
        reinterpret_cast<BKNMTABSELCHANGE*>(lParam)->cancel = refusePageChange ? 1 : 0;
    }
    if (header->code == BKNM_COMMAND && endOnCommand) {
        EndDialog(command.id);
    }
    return 0;
}

LRESULT TestDialog::OnSysCommand(UINT, WPARAM wParam, LPARAM) {
    sysCommands.push_back(wParam);
    const WPARAM command = wParam & 0xFFF0;
    if (command != SC_MOVE && command != SC_MAXIMIZE && command != SC_RESTORE) {
        SetMsgHandled(false);
    }
    return 0;
}

LRESULT TestDialog::OnInitDialog(UINT, WPARAM, LPARAM) {
    if (onInit) {
        onInit(*this);
    }
    if (script) {
        SetTimer(m_hWnd, kScriptTimer, 20, nullptr);
        SetTimer(m_hWnd, kSafetyTimer, kSafetyMs, nullptr);
    }
    return TRUE;
}

LRESULT TestDialog::OnTimer(UINT, WPARAM wParam, LPARAM) {
    KillTimer(m_hWnd, wParam);
    if (wParam == kScriptTimer) {
        script(*this);
    } else if (wParam == kSafetyTimer) {
        EndDialog(-1);
    } else {
        SetMsgHandled(false);
    }
    return 0;
}
