#pragma once

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "BkDialogView.h"

// Posted by a skinned top-level window to itself once it exists; wParam 1 attaches its shadow.
constexpr UINT WM_DEFERRED_INIT = 0x464;

// Process-wide list of open skinned windows (duplicates allowed).
void AddOpenWindow(HWND window);
// Removes the first entry of `window`, if any.
void RemoveOpenWindow(HWND window);
std::vector<HWND> OpenWindows();

// The window region of a skinned window: the client rectangle with its four corners cut by two
// pixels, as five rectangles whose union it is.
std::array<RECT, 5> RoundBorderRects(const RECT& client);
HRGN CreateRoundBorderRegion(const RECT& client);

// Where and how large a maximised skinned window is: one pixel past the work area on every side,
// which hides the border line.
struct BkMaxPlacement {
    POINT position;
    SIZE size;
};
BkMaxPlacement MaximizedPlacement(const RECT& monitor, const RECT& workArea);

// The top-left corner that centres `window` on `reference`, kept inside `workArea` (its left and
// top edges win over its right and bottom ones).
POINT CenteredPosition(const RECT& window, const RECT& reference, const RECT& workArea);

// A skinned top-level window built from a layout resource: no non-client area, a view child that
// fills it, a cut-corner region, Enter / Escape / close as clicks on elements 1 / 2 / 2, and a
// modal run with its own message loop.
class CBkDialogBase : public CBkWindowImplRoot {
public:
    // `layoutId`: the layout resource; `viewId`: the view's control id; a non-empty rectangle
    // gives the window's client size (else the layout's).
    CBkDialogBase(UINT layoutId, UINT viewId, int left, int top, int right, int bottom);
    ~CBkDialogBase() override;

    HWND Create(HWND owner, const RECT* rect = nullptr);
    // Runs the window modally; returns what EndDialog was given, or 0 when it could not open.
    INT_PTR DoModal(HWND owner = nullptr, const RECT* rect = nullptr);
    void EndDialog(INT_PTR result);
    void CenterWindow(HWND owner = nullptr);

    bool LoadLayout(UINT resourceId) { return view_.LoadLayout(resourceId); }
    bool SetXml(const std::string& xml) { return view_.SetXml(xml); }
    bool SetItemAttribute(int id, const std::string& name, const std::string& value) {
        return view_.SetItemAttribute(id, name, value);
    }
    bool SetItemIntAttribute(int id, const std::string& name, int value) {
        return view_.SetItemIntAttribute(id, name, value);
    }
    bool SetItemVisible(int id, bool show) { return view_.SetItemVisible(id, show); }

    CBkDialogView& GetView() { return view_; }
    UINT GetViewId() const { return viewId_; }
    // Cleared at WM_INITDIALOG, the window is not shown by DoModal.
    void SetShowFlag(bool show) { show_ = show; }

    BK_BEGIN_MSG_MAP(CBkDialogBase)
    BK_MSG_WM_SIZE(OnSize)
    BK_MSG_SIMPLE(WM_CLOSE, OnClose)
    BK_MESSAGE_HANDLER(WM_ERASEBKGND, OnReturnTrue)
    BK_MESSAGE_HANDLER(WM_NCACTIVATE, OnReturnTrue)
    BK_MSG_WM_GETMINMAXINFO(OnGetMinMaxInfo)
    BK_MSG_WM_NCCALCSIZE(OnNcCalcSize)
    BK_MSG_WM_KEYDOWN(OnKeyDown)
    BK_KEY_COMMAND_HANDLER(IDOK, OnCommandId)
    BK_KEY_COMMAND_HANDLER(IDCANCEL, OnCommandId)
    BK_END_MSG_MAP()

protected:
    virtual BkWndClassInfo ClassInfo() const = 0;

private:
    void OnSize(UINT type, SIZE size);
    void OnClose();
    LRESULT OnReturnTrue(UINT, WPARAM, LPARAM) { return 1; }
    void OnGetMinMaxInfo(MINMAXINFO& minMax);
    void OnNcCalcSize(bool calcValidRects, NCCALCSIZE_PARAMS* params);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    LRESULT OnCommandId(WORD id);

    void RunModalLoop();
    void SizeClientTo(int width, int height);

    UINT layoutId_;
    CBkDialogView view_;
    bool show_ = true;
    UINT viewId_;
    int width_;
    int height_;
    int lastWidth_ = 0;
    int lastHeight_ = 0;
    bool ended_ = false;
    INT_PTR result_ = 0;
};

// The dialog host for window class `T`, which supplies T::GetWndClassName() and chains its
// message map to this one.
template <class T>
class CBkDialogImpl : public CBkDialogBase {
public:
    explicit CBkDialogImpl(UINT layoutId, UINT viewId, int left = 0, int top = 0, int right = 0,
                           int bottom = 0)
        : CBkDialogBase(layoutId, viewId, left, top, right, bottom) {}

protected:
    BkWndClassInfo ClassInfo() const override { return BkDefaultWndClass(T::GetWndClassName()); }
};

// The plain skinned dialog.
class CBkDialogEx : public CBkDialogImpl<CBkDialogEx> {
public:
    using CBkDialogImpl::CBkDialogImpl;
    static const wchar_t* GetWndClassName() { return L"BkDialogEx"; }
};
