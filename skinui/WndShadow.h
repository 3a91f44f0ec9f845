#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "BkMessageMap.h"
#include "Win32Handles.h"

// The drop shadow of a skinned top-level window: a click-through layered window behind and
// around its owner, kept in step with the owner by hooking the owner's window procedure.
class CWndShadow : public CBkMessageMap {
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

    // What the shadow does when its owner gets a message; the owner's own procedure then runs
    // (for WM_SIZE and WM_SHOWWINDOW it has run already, see OnOwnerMessage).
    BK_BEGIN_MSG_MAP(CWndShadow)
    BK_MSG_SIMPLE(WM_DESTROY, OnOwnerDestroy)
    BK_MSG_WM_MOVE(OnOwnerMove)
    BK_MSG_WM_SIZE(OnOwnerSize)
    BK_MSG_WM_SHOWWINDOW(OnOwnerShow)
    BK_MSG_SIMPLE(WM_NCDESTROY, OnOwnerNcDestroy)
    BK_MSG_SIMPLE(WM_ENTERSIZEMOVE, OnOwnerEnterSizeMove)
    BK_MSG_SIMPLE(WM_EXITSIZEMOVE, OnOwnerExitSizeMove)
    BK_MSG_SIMPLE(kDwmCompositionChanged, OnCompositionChanged)
    BK_END_MSG_MAP()

private:
    // WM_DWMCOMPOSITIONCHANGED.
    static constexpr UINT kDwmCompositionChanged = 0x31E;

    static LRESULT CALLBACK HookProc(HWND owner, UINT message, WPARAM wParam, LPARAM lParam);
    // The hook on the owner's window procedure: the map, and the owner's procedure.
    LRESULT OnOwnerMessage(HWND owner, UINT message, WPARAM wParam, LPARAM lParam);
    void OnOwnerDestroy();
    void OnOwnerMove(POINT position);
    // Hidden while the owner is minimised or maximised; else made anew for the new size (after
    // a border drag, once it ends).
    void OnOwnerSize(UINT sizeType, SIZE size);
    void OnOwnerShow(bool show, UINT status);
    void OnOwnerNcDestroy();
    void OnOwnerEnterSizeMove();
    void OnOwnerExitSizeMove();
    void OnCompositionChanged();
    POINT ShadowOrigin(const RECT& owner) const;
    // Computes the image into pixels_, reusing its memory from one rebuild to the next.
    void ComputeImage(HWND owner, int width, int height);
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
