#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Win32Handles.h"

// The drop shadow of a skinned top-level window: a click-through layered window behind and
// around its owner, kept in step with the owner by hooking the owner's window procedure.
class CWndShadow {
public:
    CWndShadow() = default;
    // An owner that outlives this object gets its window procedure and no shadow back.
    virtual ~CWndShadow();
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    // Once per process: finds UpdateLayeredWindow and registers the shadow window class. False
    // when already done or when layered windows are not available (shadows then stay off).
    static bool InstallShadowSupport(HINSTANCE instance);

    bool SetSpread(int spread);
    bool SetSoftness(int softness);
    bool SetOpacity(int opacity);
    bool SetOffset(int x, int y);
    bool SetShadowColour(COLORREF colour);

    void AttachToOwner(HWND owner);
    void SyncVisibility(HWND owner);
    void RebuildImage(HWND owner);

    HWND GetShadowWindow() const { return shadow_; }
    bool IsShown() const { return shown_ != 0; }
    int GetRebuildCount() const { return rebuilds_; }
    // The premultiplied pixels last given to the shadow window.
    const std::vector<uint32_t>& GetImage() const { return pixels_; }

private:
    static LRESULT CALLBACK HookProc(HWND owner, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnOwnerMessage(HWND owner, UINT message, WPARAM wParam, LPARAM lParam);
    POINT ShadowOrigin(const RECT& owner) const;
    // Computes the image into pixels_, reusing its memory from one rebuild to the next.
    void ComputeImage(HWND owner, int width, int height);
    void OnOwnerSized(HWND owner, WPARAM sizeType);
    // Makes sure the bitmap the image goes through is at least `size`; false when it cannot be.
    bool ReserveBitmap(SIZE size);

    HWND shadow_ = nullptr;
    HWND owner_ = nullptr;
    int shown_ = 1;
    int opacity_ = 150;
    int softness_ = 5;
    int spread_ = 0;
    int xOffset_ = 5;
    int yOffset_ = 5;
    GdiObjectPtr<HBITMAP> bitmap_;
    uint32_t* bitmapBits_ = nullptr;
    SIZE bitmapSize_ = {0, 0};
    // Between WM_ENTERSIZEMOVE and WM_EXITSIZEMOVE; the shadow is hidden once the owner's size
    // changes in that time.
    bool inSizeMove_ = false;
    bool hiddenForDrag_ = false;
    COLORREF colour_ = 0;
    WNDPROC previousProc_ = nullptr;
    int rebuilds_ = 0;
    std::vector<uint32_t> pixels_;
};

// Base of windows that carry a shadow of their own.
class CWndShadowHelper {
public:
    CWndShadow& GetShadow() { return shadow_; }

protected:
    // Gives `window` the system's shadow: 12 pixels out, soft, faint, not offset.
    void AttachShadow(HWND window);

    CWndShadow shadow_;
};
