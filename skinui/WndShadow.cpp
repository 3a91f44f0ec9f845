#include "WndShadow.h"

#include <cstring>
#include <map>
#include <mutex>

#include "RegionOutline.h"
#include "Win32Handles.h"

namespace {

constexpr int kBitmapSlack = 128;

constexpr wchar_t kShadowClass[] = L"UmbraShadowWnd";
constexpr LONG kShowStateMask = WS_MINIMIZE | WS_VISIBLE | WS_MAXIMIZE;

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                            BLENDFUNCTION*, DWORD);

UpdateLayeredWindowFn g_updateLayeredWindow = nullptr;
HINSTANCE g_instance = nullptr;

// Hooked owners: each one's shadow (null once the shadow object is gone while the owner lives on)
// and the window procedure the hook replaced. Owners live on more than one thread (message boxes
// may run on the browser library's thread), so the table has a lock.
struct HookedOwner {
    CWndShadow* shadow;
    WNDPROC previous;
};

std::mutex g_hookLock;
std::map<HWND, HookedOwner> g_hooked;

// False when `owner` is hooked already.
bool RegisterOwner(HWND owner, CWndShadow* shadow, WNDPROC previous) {
    const std::lock_guard<std::mutex> guard(g_hookLock);
    return g_hooked.emplace(owner, HookedOwner{shadow, previous}).second;
}

HookedOwner LookupOwner(HWND owner) {
    const std::lock_guard<std::mutex> guard(g_hookLock);
    const auto found = g_hooked.find(owner);
    return found == g_hooked.end() ? HookedOwner{nullptr, nullptr} : found->second;
}

// Unlinks `shadow` from `owner`; false when it was not the owner's shadow.
bool UnlinkShadow(HWND owner, const CWndShadow* shadow) {
    const std::lock_guard<std::mutex> guard(g_hookLock);
    const auto found = g_hooked.find(owner);
    if (found == g_hooked.end() || found->second.shadow != shadow) {
        return false;
    }
    found->second.shadow = nullptr;
    return true;
}

void ForgetOwner(HWND owner) {
    const std::lock_guard<std::mutex> guard(g_hookLock);
    g_hooked.erase(owner);
}

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

}  // namespace

bool CWndShadow::InstallShadowSupport(HINSTANCE instance) {
    if (g_updateLayeredWindow) {
        return false;
    }
    const HMODULE user32 = LoadLibraryW(L"USER32.DLL");
    g_updateLayeredWindow = reinterpret_cast<UpdateLayeredWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "UpdateLayeredWindow")));
    if (!g_updateLayeredWindow) {
        return false;
    }
    g_instance = instance;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kShadowClass;
    RegisterClassExW(&wc);
    return true;
}

CWndShadow::~CWndShadow() {
    if (!owner_ || !UnlinkShadow(owner_, this)) {
        return;
    }
    if (GetWindowLongPtrW(owner_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(HookProc)) {
        SetWindowLongPtrW(owner_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
        ForgetOwner(owner_);
    }
    DestroyWindow(shadow_);
}

bool CWndShadow::SetSpread(int spread) {
    if (!InRange(spread, -20, 20)) {
        return false;
    }
    spread_ = spread;
    return true;
}

bool CWndShadow::SetSoftness(int softness) {
    if (!InRange(softness, 0, 20)) {
        return false;
    }
    softness_ = softness;
    return true;
}

bool CWndShadow::SetOpacity(int opacity) {
    if (!InRange(opacity, 0, 255)) {
        return false;
    }
    opacity_ = opacity;
    return true;
}

bool CWndShadow::SetOffset(int x, int y) {
    if (!InRange(x, -20, 20) || !InRange(y, -20, 20)) {
        return false;
    }
    xOffset_ = x;
    yOffset_ = y;
    return true;
}

bool CWndShadow::SetShadowColour(COLORREF colour) {
    colour_ = colour;
    return true;
}

void CWndShadow::AttachToOwner(HWND owner) {
    if (!g_updateLayeredWindow || !owner) {
        return;
    }
    // A second hook would call itself as the previous window procedure.
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(owner, GWLP_WNDPROC));
    if (!RegisterOwner(owner, this, previous)) {
        return;
    }
    owner_ = owner;
    shadow_ =
        CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClass, nullptr, WS_POPUPWINDOW,
                        CW_USEDEFAULT, 0, 0, 0, owner, nullptr, g_instance, nullptr);
    shown_ = 1;
    SyncVisibility(owner);
    previousProc_ = previous;
    SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HookProc));
}

void CWndShadow::SyncVisibility(HWND owner) {
    shown_ = (GetWindowLongW(owner, GWL_STYLE) & kShowStateMask) == WS_VISIBLE ? 1 : 0;
    if (shown_) {
        ShowWindow(shadow_, SW_SHOWNA);
        RebuildImage(owner);
    } else {
        ShowWindow(shadow_, SW_HIDE);
    }
}

POINT CWndShadow::ShadowOrigin(const RECT& owner) const {
    return POINT{owner.left + xOffset_ - spread_, owner.top + yOffset_ - spread_};
}

void CWndShadow::ComputeImage(HWND owner, int width, int height) {
    const RegionPtr region(CreateRectRgn(0, 0, width, height));
    GetWindowRgn(owner, region.get());
    const ShadowParams params = {spread_, softness_, opacity_, xOffset_, yOffset_, colour_};
    ComputeShadowImage(OutlineSpans(region.get(), width, height), width, height, params, pixels_);
}

void CWndShadow::RebuildImage(HWND owner) {
    RECT rect;
    GetWindowRect(owner, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    SIZE size = {width + 2 * spread_, height + 2 * spread_};
    if (size.cx <= 0 || size.cy <= 0 || !shadow_) {
        return;
    }
    ++rebuilds_;
    ComputeImage(owner, width, height);
    if (!ReserveBitmap(size) || pixels_.size() != static_cast<size_t>(size.cx) * size.cy) {
        return;
    }
    // The bitmap may be wider than the image: rows are copied at its stride.
    for (int y = 0; y < size.cy; ++y) {
        std::memcpy(bitmapBits_ + static_cast<size_t>(y) * bitmapSize_.cx,
                    &pixels_[static_cast<size_t>(y) * size.cx], size.cx * sizeof(uint32_t));
    }
    const gdi::MemoryDc memory(nullptr);
    const gdi::Selection selected(memory, bitmap_.get());

    POINT origin = ShadowOrigin(rect);
    MoveWindow(shadow_, origin.x, origin.y, size.cx, size.cy, FALSE);
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    g_updateLayeredWindow(shadow_, nullptr, &origin, &size, memory, &source, 0, &blend, ULW_ALPHA);
}

bool CWndShadow::ReserveBitmap(SIZE size) {
    if (bitmap_ && bitmapSize_.cx >= size.cx && bitmapSize_.cy >= size.cy) {
        return true;
    }
    // New memory for a bitmap this large costs several times more than filling it: a window
    // that grows step by step gets room for some more steps each time.
    const SIZE reserved = {(size.cx + kBitmapSlack) / kBitmapSlack * kBitmapSlack,
                           (size.cy + kBitmapSlack) / kBitmapSlack * kBitmapSlack};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = reserved.cx;
    info.bmiHeader.biHeight = -reserved.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bitmapBits_ = static_cast<uint32_t*>(bits);
    bitmapSize_ = bitmap_ ? reserved : SIZE{0, 0};
    return bitmap_ != nullptr;
}

LRESULT CALLBACK CWndShadow::HookProc(HWND owner, UINT message, WPARAM wParam, LPARAM lParam) {
    const HookedOwner hooked = LookupOwner(owner);
    if (hooked.shadow) {
        return hooked.shadow->OnOwnerMessage(owner, message, wParam, lParam);
    }
    // The shadow object is gone but the hook could not be taken out: the owner goes on as it was.
    if (message == WM_NCDESTROY) {
        ForgetOwner(owner);
    }
    return hooked.previous ? CallWindowProcW(hooked.previous, owner, message, wParam, lParam)
                           : DefWindowProcW(owner, message, wParam, lParam);
}

void CWndShadow::OnOwnerSize(UINT sizeType, SIZE) {
    const HWND owner = owner_;
    if (sizeType == SIZE_MINIMIZED || sizeType == SIZE_MAXIMIZED) {
        ShowWindow(shadow_, SW_HIDE);
        shown_ = 0;
        return;
    }
    if (!(GetWindowLongW(owner, GWL_STYLE) & WS_VISIBLE)) {
        return;
    }
    // A border dragged by the user resizes the owner many times a second, and showing a new
    // image costs several times more than the owner's own repaint: the shadow steps aside
    // until the drag ends and comes back made for the final size.
    if (inSizeMove_) {
        if (shown_ && !hiddenForDrag_) {
            ShowWindow(shadow_, SW_HIDE);
            hiddenForDrag_ = true;
        }
        return;
    }
    RebuildImage(owner);
    if (!shown_) {
        shown_ = 1;
        ShowWindow(shadow_, SW_SHOWNA);
    }
}

LRESULT CWndShadow::OnOwnerMessage(HWND owner, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = previousProc_;
    // The owner sets its window region for a new size while it handles WM_SIZE, and shows or
    // hides while it handles WM_SHOWWINDOW: the shadow follows those once the owner's procedure
    // has run, and every other message before it.
    const bool ownerFirst = message == WM_SIZE || message == WM_SHOWWINDOW;
    const LRESULT ownerResult =
        ownerFirst ? CallWindowProcW(previous, owner, message, wParam, lParam) : 0;
    // The map's handlers may send messages to the owner: keep the outer message's flag.
    const bool outerHandled = IsMsgHandled();
    LRESULT unused = 0;
    ProcessWindowMessage(owner, message, wParam, lParam, unused);
    SetMsgHandled(outerHandled);
    return ownerFirst ? ownerResult : CallWindowProcW(previous, owner, message, wParam, lParam);
}

void CWndShadow::OnOwnerDestroy() {
    DestroyWindow(shadow_);
}

void CWndShadow::OnOwnerMove(POINT) {
    if (shown_) {
        RECT rect;
        GetWindowRect(owner_, &rect);
        const POINT origin = ShadowOrigin(rect);
        SetWindowPos(shadow_, nullptr, origin.x, origin.y, 0, 0,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    }
}

void CWndShadow::OnOwnerShow(bool show, UINT) {
    shown_ = show ? 1 : 0;
    ShowWindow(shadow_, show ? SW_SHOWNA : SW_HIDE);
    if (show) {
        RebuildImage(owner_);
    }
}

void CWndShadow::OnOwnerNcDestroy() {
    ForgetOwner(owner_);
}

void CWndShadow::OnOwnerEnterSizeMove() {
    inSizeMove_ = true;
}

void CWndShadow::OnOwnerExitSizeMove() {
    inSizeMove_ = false;
    if (hiddenForDrag_) {
        hiddenForDrag_ = false;
        RebuildImage(owner_);
        ShowWindow(shadow_, SW_SHOWNA);
    }
}

void CWndShadow::OnCompositionChanged() {
    SyncVisibility(owner_);
}

void CWndShadowHelper::AttachShadow(HWND window) {
    shadow_.SetSpread(12);
    shadow_.SetSoftness(12);
    shadow_.SetOpacity(33);
    shadow_.SetOffset(0, 0);
    shadow_.SetShadowColour(0);
    shadow_.AttachToOwner(window);
}
