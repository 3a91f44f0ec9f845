#include "BkCheckBox.h"

#include <algorithm>

#include "BkParse.h"

namespace {

constexpr int kCheckGap = 17;
constexpr int kRadioGap = 14;
constexpr int kCheckGlyph = 13;
constexpr int kRadioGlyph = 12;
constexpr int kCheckPart = 3;
constexpr int kRadioPart = 2;

// The visual-styles functions, found once per process; absent ones leave the frame controls.
struct ThemeApi {
    using Open = HANDLE(WINAPI*)(HWND, LPCWSTR);
    using Draw = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);
    using Close = HRESULT(WINAPI*)(HANDLE);
    Open open = nullptr;
    Draw draw = nullptr;
    Close close = nullptr;

    static const ThemeApi& Get() {
        static const ThemeApi api = Load();
        return api;
    }

private:
    static ThemeApi Load() {
        ThemeApi api;
        const HMODULE module = LoadLibraryW(L"uxtheme.dll");
        if (module) {
            api.open = reinterpret_cast<decltype(api.open)>(
                reinterpret_cast<void*>(GetProcAddress(module, "OpenThemeData")));
            api.draw = reinterpret_cast<decltype(api.draw)>(
                reinterpret_cast<void*>(GetProcAddress(module, "DrawThemeBackground")));
            api.close = reinterpret_cast<decltype(api.close)>(
                reinterpret_cast<void*>(GetProcAddress(module, "CloseThemeData")));
        }
        return api;
    }
};

}  // namespace

CBkCheckBox::~CBkCheckBox() {
    if (theme_ && ThemeApi::Get().close) {
        ThemeApi::Get().close(theme_);
    }
}

BK_DEFINE_ATTRIBUTES(CBkCheckBox, CBkWindow,
                     {"check", A::Field<ParseInt, &CBkCheckBox::check_>, kAttrRepaint})

void CBkCheckBox::OnClick() {
    ModifyState(state_ & StateChecked ? 0 : StateChecked, state_ & StateChecked);
}

SIZE CBkCheckBox::CalcContentSize(bool available, SIZE size) {
    SIZE content = CBkWindow::CalcContentSize(available, size);
    content.cx += radio_ ? kRadioGap : kCheckGap;
    content.cy = std::max<LONG>(content.cy, radio_ ? kRadioGlyph : kCheckGlyph);
    return content;
}

void CBkCheckBox::OnPaint(HDC dc) {
    const ThemeApi& api = ThemeApi::Get();
    if (!theme_ && api.open) {
        theme_ = api.open(nullptr, L"BUTTON");
    }
    const bool checked = (state_ & StateChecked) != 0;
    const bool disabled = IsDisabled(true);
    const bool pushed = (state_ & StatePushed) != 0;
    const bool hovered = (state_ & StateHover) != 0;
    RECT glyph = {rect_.left, rect_.top, rect_.left + kCheckGlyph, rect_.bottom};
    if (radio_) {
        const int top = rect_.top + (rect_.bottom - rect_.top - kRadioGlyph) / 2;
        glyph = RECT{rect_.left, top, rect_.left + kRadioGlyph, top + kRadioGlyph};
    }
    if (theme_ && api.draw) {
        const int look = disabled ? 4 : pushed ? 3 : hovered ? 2 : 1;
        api.draw(theme_, dc, radio_ ? kRadioPart : kCheckPart, look + (checked ? 4 : 0), &glyph,
                 nullptr);
    } else {
        const UINT flags = DFCS_TRANSPARENT | (disabled ? DFCS_INACTIVE : 0) |
                           (pushed ? DFCS_PUSHED : 0) | (hovered ? DFCS_HOT : 0) |
                           (checked ? DFCS_CHECKED : 0) |
                           (radio_ ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK);
        DrawFrameControl(dc, &glyph, DFC_BUTTON, flags);
    }
    const int gap = radio_ ? kRadioGap : kCheckGap;
    style_.textmode = (style_.textmode & ~DT_BOTTOM) | DT_VCENTER | (radio_ ? DT_SINGLELINE : 0);
    rect_.left += gap;
    CBkWindow::OnPaint(dc);
    rect_.left -= gap;
}

CBkRadioBox::~CBkRadioBox() {
    if (joined_) {
        LeaveRadioGroup(group_, GetHandle());
    }
}

int CBkRadioBox::Load(const TiXmlElement* xml) {
    CBkCheckBox::Load(xml);
    if (!joined_) {
        JoinRadioGroup(group_, GetHandle());
        joined_ = true;
    }
    return 1;
}

BK_DEFINE_ATTRIBUTES(CBkRadioBox, CBkCheckBox, {"group", &CBkRadioBox::SetGroup, kAttrRepaint})

bool CBkRadioBox::SetGroup(CBkRadioBox& box, const std::string& group, bool) {
    // A box changes group as a whole: it must not stay listed under the old name.
    if (box.joined_ && group != box.group_) {
        LeaveRadioGroup(box.group_, box.GetHandle());
        JoinRadioGroup(group, box.GetHandle());
    }
    box.group_ = group;
    return true;
}

void CBkRadioBox::OnClick() {
    CheckInRadioGroup(group_, GetHandle());
}
