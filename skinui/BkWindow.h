#pragma once

#include <windows.h>

#include <string>

#include "BkMessageMap.h"
#include "BkNotify.h"
#include "BkObject.h"
#include "BkPos.h"
#include "BkStyle.h"

// Element states; skins draw by them.
constexpr DWORD StateHover = 0x01;
constexpr DWORD StatePushed = 0x02;
constexpr DWORD StateChecked = 0x04;
constexpr DWORD StateHidden = 0x08;
constexpr DWORD StateDisabled = 0x10;

// Size-mode bits: how an element's width and height are decided.
constexpr DWORD SizeWidthFixed = 0x01;
constexpr DWORD SizeWidthAuto = 0x02;
constexpr DWORD SizeWidthFull = 0x04;
constexpr DWORD SizeHeightFixed = 0x10;
constexpr DWORD SizeHeightAuto = 0x20;
constexpr DWORD SizeHeightFull = 0x40;
constexpr DWORD SizeNotFloat = 0x100;
constexpr DWORD SizeFloat = 0x200;

// An element of a skinned window: no window of its own, a rectangle in the host window's client
// coordinates, driven by the host and its container through its message map (Send).
class CBkWindow : public CBkObject, public CBkMessageMap {
public:
    CBkWindow();
    ~CBkWindow() override;
    CBkWindow(const CBkWindow&) = delete;
    CBkWindow& operator=(const CBkWindow&) = delete;

    int Load(const TiXmlElement* xml) override;
    BK_ATTRIBUTES()

    virtual void ApplyCursor();
    virtual void AttachHostWindow(HWND host) { host_ = host; }
    virtual int HitTest(POINT point);
    virtual bool RepaintsOnStateChange();
    virtual bool IsContainer() const { return false; }
    // Shows or hides the real window the element places over its rect, if it has one.
    virtual void ShowRealWindow(bool) {}
    // Whether `control` is the element's own real window, whose notifications it handles.
    virtual bool OwnsControl(HWND) const { return false; }
    // Paints the element when its rect meets `region` (null: always); false when skipped.
    virtual bool PaintInRegion(HDC dc, HRGN region);

    // The element's messages: WM_CREATE (1), WM_DESTROY, WM_PAINT with the device context in
    // wParam, WM_SHOWWINDOW, WM_WINDOWPOSCHANGED (layout, step B) and WM_NCCALCSIZE (step C).
    BK_BEGIN_MSG_MAP(CBkWindow)
    BK_MESSAGE_HANDLER(WM_CREATE, OnCreate)
    BK_MSG_SIMPLE(WM_DESTROY, OnDestroy)
    BK_MSG_WM_PAINT(OnPaint)
    BK_MSG_WM_SHOWWINDOW(OnShowWindow)
    BK_MSG_WM_WINDOWPOSCHANGED(OnWindowPosChanged)
    BK_MSG_BK_CALCSIZE(OnCalcSize)
    BK_END_MSG_MAP()

    // Runs the message through the element's map and returns its result (0 when unhandled).
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    bool IsVisible(bool checkAncestors) const;
    bool IsDisabled(bool checkAncestors) const;
    // Asks the host window to repaint `rect` (the element's rect when null).
    void NotifyInvalidate(const RECT* rect = nullptr);

    int GetHandle() const { return handle_; }
    int GetParentHandle() const { return parentHandle_; }
    void SetParentHandle(int parent) { parentHandle_ = parent; }
    CBkWindow* GetParent() const;
    HWND GetHostWindow() const { return host_; }
    int GetId() const { return id_; }
    const RECT& GetRect() const { return rect_; }
    void SetRect(const RECT& rect) { rect_ = rect; }
    DWORD GetState() const { return state_; }
    void ModifyState(DWORD add, DWORD remove) { state_ = (state_ | add) & ~remove; }
    DWORD GetSizeMode() const { return sizeMode_; }
    BkStyle& GetStyle() { return style_; }
    const BkStyle& GetStyle() const { return style_; }
    const std::wstring& GetText() const { return text_; }
    void SetText(const std::wstring& text) { text_ = text; }
    const std::wstring& GetHref() const { return href_; }
    const std::wstring& GetTip() const { return tip_; }
    int GetPosCount() const { return posCount_; }
    const PosItem& GetPosItem(int index) const { return pos_[index]; }
    int GetPosMode() const { return posMode_; }
    bool IsTransparent() const { return transparent_ != 0; }
    int GetVAlign() const { return valign_; }
    int GetAlign() const { return align_; }

protected:
    // Layout, step B: placed at (x, y) within an available size.
    virtual void OnWindowPosChanged(const WINDOWPOS& pos);
    // Layout, step C: the wanted size for the available size (wParam 1) or with none (0).
    virtual SIZE CalcContentSize(bool available, SIZE size);
    // Draws the text with the device context prepared from the style and state.
    virtual void OnPaint(HDC dc);

    // Hidden or shown by the show flag.
    void OnShowWindow(bool show, UINT status);

    SIZE MeasureText(bool available, SIZE size);
    // Selects the style's font and colours for the current state into `dc` (the caller restores).
    void PrepareTextDc(HDC dc);
    HFONT EffectiveFont(bool hover) const;
    // Fills the rect with the background colour for the current state, if there is one.
    void FillBackground(HDC dc);
    void DrawBackground(HDC dc);

    HWND host_ = nullptr;
    RECT rect_ = {};
    DWORD sizeMode_ = 0;
    BkStyle style_;
    std::wstring text_;
    int fixedWidth_ = 0;
    int fixedHeight_ = 0;
    DWORD state_ = 0;

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM) { return 1; }
    void OnDestroy() {}
    void OnCalcSize(bool available, SIZE& size) { size = CalcContentSize(available, size); }
    void LoadSizeAttributes(const TiXmlElement* xml);
    // "pos": the position items, and the layout again when the element is already placed.
    static bool SetPos(CBkWindow& element, const std::string& value, bool loading);

    int handle_ = 0;
    int parentHandle_ = 0;
    int id_ = 0;
    int valign_ = 0;
    int align_ = 0;
    std::wstring href_;
    int transparent_ = 0;
    std::wstring tip_;
    int posCount_ = 0;
    PosItem pos_[kMaxPosItems] = {};
    int posMode_ = 0;
};

// The element registered under `handle`, or null when it is gone.
CBkWindow* ElementFromHandle(int handle);

// Radio groups: the radio boxes sharing a group name, kept with the element registry.
void JoinRadioGroup(const std::string& group, int handle);
void LeaveRadioGroup(const std::string& group, int handle);
// Checks `handle` and unchecks the group's other boxes, asking each of those to be redrawn.
void CheckInRadioGroup(const std::string& group, int handle);

// Replaces each "%strN%" (N >= 1) by string N of the string table (nothing when unknown).
std::wstring SubstituteStrings(const std::wstring& text);
