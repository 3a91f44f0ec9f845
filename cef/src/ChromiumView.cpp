#include "ChromiumView.h"

#include <windowsx.h>
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "Base64.h"
#include "Engine.h"
#include "GdiScope.h"
#include "Text.h"

namespace cefimpl {

namespace {

constexpr wchar_t kViewClass[] = L"TesselChromiumView";
constexpr COLORREF kCrashedText = RGB(0x44, 0x44, 0x44);

struct ViewState {
    ViewCallbacks callbacks;
    HBITMAP picture = nullptr;
    wchar_t highSurrogate = 0;
    std::atomic<HCURSOR> cursor{LoadCursorW(nullptr, IDC_ARROW)};
};

ViewState* StateOf(HWND window) {
    return reinterpret_cast<ViewState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

int KeyboardModifiers() {
    return input::ModifiersOf(GetKeyState(VK_MENU) < 0, GetKeyState(VK_CONTROL) < 0,
                              GetKeyState(VK_SHIFT) < 0);
}

void Paint(HWND window, HDC dc, const ViewState& state) {
    RECT client;
    GetClientRect(window, &client);
    BITMAP info = {};
    if (state.picture && GetObjectW(state.picture, sizeof info, &info)) {
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, state.picture);
        BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    // What the picture does not cover yet (the window grew) stays white, as an empty page is.
    RECT right{info.bmWidth, 0, client.right, client.bottom};
    RECT below{0, info.bmHeight, info.bmWidth, client.bottom};
    FillRect(dc, &right, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillRect(dc, &below, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

bool HandleMouse(HWND window, ViewState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    POINT client{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (message == WM_MOUSEWHEEL || message == WM_MOUSEHWHEEL) {
        ScreenToClient(window, &client);  // wheel messages carry screen coordinates
    }
    input::MouseEvent event;
    if (!input::TranslateMouse(message, wParam, client, event)) {
        return false;
    }
    event.modifiers |= GetKeyState(VK_MENU) < 0 ? input::kAlt : 0;
    if (event.type == "mousePressed") {
        SetFocus(window);
        SetCapture(window);
    } else if (event.type == "mouseReleased" &&
               !(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
        ReleaseCapture();
    }
    if (state.callbacks.mouse) {
        state.callbacks.mouse(event);
    }
    return true;
}

bool HandleKey(ViewState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && IS_HIGH_SURROGATE(wParam)) {
        state.highSurrogate = static_cast<wchar_t>(wParam);
        return true;
    }
    input::KeyEvent event;
    bool insertText = false;
    if (!input::TranslateKey(message, wParam, lParam, KeyboardModifiers(), event, insertText)) {
        return false;
    }
    if (message == WM_CHAR && IS_LOW_SURROGATE(wParam) && state.highSurrogate) {
        const wchar_t pair[2] = {state.highSurrogate, static_cast<wchar_t>(wParam)};
        event.text = WideToUtf8(std::wstring(pair, 2));
        insertText = true;
    }
    state.highSurrogate = 0;
    if (state.callbacks.key) {
        state.callbacks.key(event, insertText);
    }
    return true;
}

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ViewState* state = StateOf(window);
    if (!state) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            Paint(window, dc, *state);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(window, reinterpret_cast<HDC>(wParam), *state);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(state->cursor);
                return TRUE;
            }
            break;
        case WM_SIZE:
            if (state->callbacks.resized && wParam != SIZE_MINIMIZED) {
                state->callbacks.resized(LOWORD(lParam), HIWORD(lParam));
            }
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
        case WM_CONTEXTMENU: {
            const POINT at = ContextMenuPoint(window, lParam);
            if (state->callbacks.contextMenu) {
                state->callbacks.contextMenu(at);
            }
            return 0;
        }
        case WM_CLOSE:
            if (state->callbacks.closeRequested) {
                state->callbacks.closeRequested();
            }
            return 0;
        case WM_DESTROY:
            if (state->callbacks.destroyed) {
                state->callbacks.destroyed();
            }
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            if (state->picture) {
                DeleteObject(state->picture);
            }
            delete state;
            break;
        default:
            if (HandleMouse(window, *state, message, wParam, lParam)) {
                // The right button's release still makes the context menu.
                break;
            }
            if (HandleKey(*state, message, wParam, lParam)) {
                return 0;
            }
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterViewClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kViewClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

struct StreamRelease {
    void operator()(IStream* stream) const { stream->Release(); }
};

}  // namespace

namespace chromiumview {

HWND Create(const cef_window_info_t& info, ViewCallbacks callbacks) {
    RegisterViewClass();
    const HWND window = CreateBrowserWindow(info, kViewClass);
    if (!window) {
        return nullptr;
    }
    auto* state = new ViewState();
    state->callbacks = std::move(callbacks);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ViewProc));
    return window;
}

HBITMAP CrashedPicture(HWND window, const std::wstring& text) {
    RECT client = {};
    GetClientRect(window, &client);
    client.right = std::max<LONG>(client.right, 1);
    client.bottom = std::max<LONG>(client.bottom, 1);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = client.right;
    format.bmiHeader.biHeight = -client.bottom;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    GdiObject picture(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    const MemoryDc memory(CreateCompatibleDC(nullptr));
    if (!picture || !memory) {
        return nullptr;
    }
    const SelectScope pictureSelected(memory.get(), picture.get());
    const GdiObject background(CreateSolidBrush(kCrashedBackground));
    FillRect(memory.get(), &client, static_cast<HBRUSH>(background.get()));
    const GdiObject font(CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                     DEFAULT_PITCH, L"\u5fae\u8f6f\u96c5\u9ed1"));
    const SelectScope fontSelected(memory.get(), font.get());
    SetBkMode(memory.get(), TRANSPARENT);
    SetTextColor(memory.get(), kCrashedText);
    DrawTextW(memory.get(), text.c_str(), static_cast<int>(text.size()), &client,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return static_cast<HBITMAP>(picture.release());
}

void ShowPicture(HWND window, HBITMAP picture) {
    ViewState* state = IsWindow(window) ? StateOf(window) : nullptr;
    if (!state) {
        DeleteObject(picture);
        return;
    }
    if (state->picture) {
        DeleteObject(state->picture);
    }
    state->picture = picture;
    InvalidateRect(window, nullptr, FALSE);
}

void ShowCursorShape(HWND window, HCURSOR cursor) {
    ViewState* state = IsWindow(window) ? StateOf(window) : nullptr;
    if (!state || state->cursor == cursor) {
        return;
    }
    state->cursor = cursor;
    POINT at;
    if (GetCursorPos(&at) && WindowFromPoint(at) == window) {
        SetCursor(cursor);
    }
}

HCURSOR CursorShape(HWND window) {
    ViewState* state = IsWindow(window) ? StateOf(window) : nullptr;
    return state ? state->cursor.load() : nullptr;
}

}  // namespace chromiumview

HBITMAP DecodePicture(const std::string& bytes) {
    std::unique_ptr<IStream, StreamRelease> stream(SHCreateMemStream(
        reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size())));
    if (!stream) {
        return nullptr;
    }
    Gdiplus::Bitmap image(stream.get());
    if (image.GetLastStatus() != Gdiplus::Ok) {
        return nullptr;
    }
    HBITMAP bitmap = nullptr;
    if (image.GetHBITMAP(Gdiplus::Color(255, 255, 255, 255), &bitmap) != Gdiplus::Ok) {
        return nullptr;
    }
    return bitmap;
}

PictureDecoder::PictureDecoder() {
    Gdiplus::GdiplusStartupInput startup;
    Gdiplus::GdiplusStartup(&gdiplusToken_, &startup, nullptr);
    thread_ = std::thread([this] { Run(); });
}

PictureDecoder::~PictureDecoder() {
    Stop();
    if (gdiplusToken_) {
        Gdiplus::GdiplusShutdown(gdiplusToken_);
    }
}

void PictureDecoder::Submit(int pageId, std::string encoded, Deliver deliver) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            return;
        }
        waiting_[pageId] = Work{std::move(encoded), std::move(deliver)};
    }
    wake_.notify_one();
}

void PictureDecoder::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void PictureDecoder::Run() {
    for (;;) {
        Work work;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_) {
                return;
            }
            work = std::move(waiting_.begin()->second);
            waiting_.erase(waiting_.begin());
        }
        std::string bytes;
        HBITMAP picture = Base64Decode(work.encoded, bytes) ? DecodePicture(bytes) : nullptr;
        if (picture) {
            work.deliver(picture);
        }
    }
}

}  // namespace cefimpl
