#pragma once

#include <windows.h>
#include <commctrl.h>

#include <mutex>
#include <string>

#include "BkContainer.h"
#include "BkLayer.h"
#include "BkNotify.h"
#include "BkWindowImpl.h"

class TiXmlElement;

// The lock that painting holds while it redraws a back buffer: shared by the whole program.
std::recursive_mutex& BkModuleLock();

// The view of a skinned window: a child window filling the top-level window's client area that
// owns the element tree, paints it through a back buffer, turns mouse input into element states
// and reports clicks to its parent.
class CBkViewImpl : public CBkWindowImplRoot {
public:
    CBkViewImpl();
    ~CBkViewImpl() override;

    // Replaces the element tree by the layout in `xml` (UTF-8); false when it is not a layout.
    bool SetXml(const std::string& xml);
    bool LoadLayout(UINT resourceId);
    void ReLayout();
    void RedrawAll();
    void InvalidateElementRect(const RECT& rect);
    void ModifyElementState(CBkWindow* element, DWORD add, DWORD remove);
    bool SetItemAttribute(int id, const std::string& name, const std::string& value);
    bool SetItemIntAttribute(int id, const std::string& name, int value);
    bool SetItemVisible(int id, bool show);

    CBkDialog& Root() { return root_; }
    CBkWindow* FindElement(int id) { return root_.FindById(id); }
    const std::wstring& GetTitle() const { return title_; }
    int GetLayoutWidth() const { return layer_.width; }
    int GetLayoutHeight() const { return layer_.height; }
    const BkLayerAttributes& GetLayer() const { return layer_; }
    bool IsLayoutLoaded() const { return loaded_; }
    HWND GetToolTip() const { return toolTip_; }

    BK_BEGIN_MSG_MAP(CBkViewImpl)
    BK_MESSAGE_HANDLER(WM_CREATE, OnCreate)
    BK_MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    BK_MESSAGE_HANDLER(WM_SIZE, OnSize)
    BK_MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
    BK_MESSAGE_HANDLER(WM_PAINT, OnPaint)
    BK_MESSAGE_HANDLER(WM_PRINT, OnPaint)
    BK_MESSAGE_RANGE_HANDLER(WM_MOUSEFIRST, WM_MOUSELAST, OnMouseMessage)
    BK_MESSAGE_HANDLER(WM_MOUSELEAVE, OnMouseLeave)
    BK_MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
    BK_MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
    BK_NOTIFY_CODE_HANDLER(BKNM_REDRAW, OnRedrawRequest)
    BK_NOTIFY_CODE_HANDLER(NM_CUSTOMDRAW, OnCustomDraw)
    BK_MESSAGE_HANDLER(WM_NOTIFY, ForwardToParent)
    BK_MESSAGE_HANDLER(WM_COMMAND, OnCommand)
    BK_MESSAGE_HANDLER(WM_HSCROLL, ForwardToParent)
    BK_MESSAGE_HANDLER(WM_VSCROLL, ForwardToParent)
    BK_MESSAGE_HANDLER(WM_DRAWITEM, ReflectToChild)
    BK_MESSAGE_HANDLER(WM_MEASUREITEM, ReflectToChild)
    BK_MESSAGE_HANDLER(WM_DELETEITEM, ReflectToChild)
    BK_MESSAGE_HANDLER(WM_COMPAREITEM, ReflectToChild)
    BK_MESSAGE_HANDLER(WM_PARENTNOTIFY, ReflectToChild)
    BK_MESSAGE_RANGE_HANDLER(WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC, OnCtlColor)
    BK_END_MSG_MAP()

protected:
    // Creates the view window as child `id` of `parent` (the default rectangle when null).
    HWND CreateView(const BkWndClassInfo& info, HWND parent, const RECT* rect, UINT id);

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM);
    LRESULT OnSize(UINT, WPARAM, LPARAM);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM) { return 1; }
    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM);
    LRESULT OnMouseMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeave(UINT, WPARAM, LPARAM);
    LRESULT OnCaptureChanged(UINT, WPARAM, LPARAM);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM);
    LRESULT OnRedrawRequest(NMHDR* header);
    LRESULT OnCustomDraw(NMHDR* header);
    LRESULT OnCommand(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT ForwardToParent(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam);

    void OnMouseMove(WPARAM wParam, LPARAM lParam);
    void OnLButtonDown(WPARAM wParam, LPARAM lParam);
    void OnLButtonUp(WPARAM wParam, LPARAM lParam);
    void OnLButtonDblClk(LPARAM lParam);
    void LeaveHovered();

    // The element under `point` (client coordinates packed as for mouse messages), or null.
    CBkWindow* ElementAt(LPARAM point);
    // The element whose own real window `control` is, or null.
    CBkWindow* ControlOwner(HWND control);
    bool InHeaderStrip(LPARAM point) const;
    HWND TopLevelWindow() const { return ::GetParent(m_hWnd); }
    void SendCommand(int id, const char* elementClass);
    void SendMouseNotification(UINT code);
    void UpdateToolTip(const CBkWindow* element);
    static bool LoadCommonControls();
    void CreateToolTip();
    TTTOOLINFOW ToolInfo(const wchar_t* text) const;
    void DropUpdateRegion();
    void ResizeBackBuffer(int width, int height);
    void RedrawBackBuffer();
    void DrawBorder(HDC dc, int width, int height);

    int headerHeight_ = 0;
    CBkDialog root_;
    int hover_ = 0;
    int pushed_ = 0;
    bool tracking_ = false;
    std::wstring title_;
    BkLayerAttributes layer_;
    bool loaded_ = false;
    bool dirty_ = false;
    bool fullRedraw_ = false;
    HWND toolTip_ = nullptr;
    HRGN updateRegion_ = nullptr;
    HBITMAP backBuffer_ = nullptr;
    bool captured_ = false;
};

// A view template in the manner of the window library: `T` supplies the window class name
// (T::GetWndClassName()).
template <class T>
class CBkDialogViewImpl : public CBkViewImpl {
public:
    static constexpr DWORD kTraitsStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;

    HWND Create(HWND parent, const RECT* rect, UINT id) {
        return CreateView(BkDefaultWndClass(T::GetWndClassName()), parent, rect, id);
    }
};

class CBkDialogView : public CBkDialogViewImpl<CBkDialogView> {
public:
    static const wchar_t* GetWndClassName() { return L"BkDialogView"; }
};
