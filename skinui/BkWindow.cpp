#include "BkWindow.h"

#include <tinyxml.h>

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <shlwapi.h>

#include "BkContainer.h"
#include "BkFontPool.h"
#include "BkParse.h"
#include "BkSkinPool.h"
#include "BkString.h"
#include "CodePage.h"
#include "Win32Handles.h"

namespace {

constexpr UINT kAlignmentBits = 0xF;
constexpr int kUnboundedBottom = 0x7FFF;
// The size modes that a "pos" of two or four items turns into auto sizes.
constexpr DWORD kFixedOrFullSize =
    SizeWidthFixed | SizeWidthFull | SizeHeightFixed | SizeHeightFull;

// Every live element by handle; handles are never reused, so a stale one finds nothing.
class ElementRegistry {
public:
    static ElementRegistry& Instance() {
        static ElementRegistry instance;
        return instance;
    }
    int Add(CBkWindow* element) {
        std::lock_guard<std::mutex> guard(lock_);
        const int handle = ++counter_;
        elements_[handle] = element;
        return handle;
    }
    void Remove(int handle) {
        std::lock_guard<std::mutex> guard(lock_);
        elements_.erase(handle);
    }
    CBkWindow* Find(int handle) {
        std::lock_guard<std::mutex> guard(lock_);
        const auto found = elements_.find(handle);
        return found == elements_.end() ? nullptr : found->second;
    }
    void JoinGroup(const std::string& group, int handle) {
        std::lock_guard<std::mutex> guard(lock_);
        groups_[group].push_back(handle);
    }
    void LeaveGroup(const std::string& group, int handle) {
        std::lock_guard<std::mutex> guard(lock_);
        auto& members = groups_[group];
        members.erase(std::remove(members.begin(), members.end(), handle), members.end());
    }
    std::vector<int> CheckInGroup(const std::string& group, int handle) {
        std::lock_guard<std::mutex> guard(lock_);
        std::vector<int> unchecked;
        for (const int member : groups_[group]) {
            const auto found = elements_.find(member);
            if (found == elements_.end()) {
                continue;
            }
            if (member == handle) {
                found->second->ModifyState(StateChecked, 0);
            } else if (found->second->GetState() & StateChecked) {
                found->second->ModifyState(0, StateChecked);
                unchecked.push_back(member);
            }
        }
        return unchecked;
    }

private:
    std::mutex lock_;
    std::unordered_map<int, CBkWindow*> elements_;
    // Radio boxes by group name, as handles in joining order.
    std::unordered_map<std::string, std::vector<int>> groups_;
    int counter_ = 0;
};

// The font and colour that text of this style takes in this state; null / none keep the DC's.
struct TextLook {
    HFONT font;
    COLORREF color;
};

TextLook LookFor(const BkStyle& style, bool disabled, bool hover) {
    TextLook look{style.font, style.crtext};
    if (disabled) {
        if (style.crdisabled != BkStyle::kNoColor) {
            look.color = style.crdisabled;
        }
    } else if (hover) {
        if (style.hoverfont) {
            look.font = style.hoverfont;
        }
        if (style.crhover != BkStyle::kNoColor) {
            look.color = style.crhover;
        }
    }
    return look;
}

// "full", a positive number or anything else (auto), for "width" and "height".
DWORD SizeModeOf(const char* value, DWORD fixed, DWORD full, DWORD autoSize, int* size) {
    if (value && std::string(value) == "full") {
        return full;
    }
    const int number = value ? ParseInt(value) : 0;
    if (number > 0) {
        *size = number;
        return fixed;
    }
    return autoSize;
}

// "valign": top, middle or bottom as 0, 0x1000 or 0x2000.
std::optional<int> VAlignOf(const std::string& value) {
    const std::optional<int> word = bkattr::WordIndex(value, {"top", "middle", "bottom"});
    return word ? std::optional<int>(*word * 0x1000) : std::nullopt;
}

// "align": left, center or right as 0, 0x4000 or 0x8000.
std::optional<int> AlignOf(const std::string& value) {
    const std::optional<int> word = bkattr::WordIndex(value, {"left", "center", "right"});
    return word ? std::optional<int>(*word * 0x4000) : std::nullopt;
}

std::wstring TipOf(const std::string& value) {
    return SubstituteStrings(Utf8ToWide(value));
}

}  // namespace

CBkWindow* ElementFromHandle(int handle) {
    return ElementRegistry::Instance().Find(handle);
}

void JoinRadioGroup(const std::string& group, int handle) {
    ElementRegistry::Instance().JoinGroup(group, handle);
}

void LeaveRadioGroup(const std::string& group, int handle) {
    ElementRegistry::Instance().LeaveGroup(group, handle);
}

void CheckInRadioGroup(const std::string& group, int handle) {
    // The redraw requests go out after the lock is released: the host may look elements up.
    for (const int member : ElementRegistry::Instance().CheckInGroup(group, handle)) {
        CBkWindow* box = ElementFromHandle(member);
        if (box) {
            box->NotifyInvalidate();
        }
    }
}

std::wstring SubstituteStrings(const std::wstring& text) {
    static const std::wstring kMarker = L"%str";
    std::wstring result = text;
    size_t from = 0;
    for (;;) {
        const size_t start = result.find(kMarker, from);
        if (start == std::wstring::npos) {
            break;
        }
        const size_t digits = start + kMarker.size();
        const int id = StrToIntW(result.c_str() + digits);
        if (id < 1) {
            break;
        }
        const size_t close = result.find(L'%', result.find_first_not_of(L"0123456789", digits));
        if (close == std::wstring::npos) {
            break;
        }
        const std::wstring* replacement = GetString(id);
        const std::wstring value = replacement ? *replacement : std::wstring();
        result.replace(start, close + 1 - start, value);
        from = start + value.size();
    }
    return result;
}

CBkWindow::CBkWindow() : handle_(ElementRegistry::Instance().Add(this)) {}

CBkWindow::~CBkWindow() {
    ElementRegistry::Instance().Remove(handle_);
}

CBkWindow* CBkWindow::GetParent() const {
    return ElementFromHandle(parentHandle_);
}

int CBkWindow::Load(const TiXmlElement* xml) {
    if (!xml) {
        return 1;
    }
    text_ = SubstituteStrings(Utf8ToWide(xml->GetText() ? xml->GetText() : ""));
    sizeMode_ = 0;
    CBkObject::Load(xml);
    const char* show = xml->Attribute("show");
    if (show && *show) {
        ModifyState(ParseInt(show) == 0 ? StateHidden : 0, ParseInt(show) == 0 ? 0 : StateHidden);
    }
    LoadSizeAttributes(xml);
    return 1;
}

void CBkWindow::LoadSizeAttributes(const TiXmlElement* xml) {
    if (posCount_ == 2 || posCount_ == 4) {
        return;
    }
    sizeMode_ |= SizeModeOf(xml->Attribute("width"), SizeWidthFixed, SizeWidthFull, SizeWidthAuto,
                            &fixedWidth_);
    if (sizeMode_ & SizeWidthFixed) {
        rect_.right = fixedWidth_;
    }
    sizeMode_ |= SizeModeOf(xml->Attribute("height"), SizeHeightFixed, SizeHeightFull,
                            SizeHeightAuto, &fixedHeight_);
    if (sizeMode_ & SizeHeightFixed) {
        rect_.bottom = fixedHeight_;
    }
    if (sizeMode_ & (SizeWidthAuto | SizeHeightAuto)) {
        SIZE measured = {0, 0};
        Send(WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&measured));
        if (sizeMode_ & SizeWidthAuto) {
            rect_.right = measured.cx;
        }
        if (sizeMode_ & SizeHeightAuto) {
            rect_.bottom = measured.cy;
        }
    }
    const char* floating = xml->Attribute("float");
    sizeMode_ |= floating && ParseInt(floating) != 0 ? SizeFloat : SizeNotFloat;
}

BK_DEFINE_ATTRIBUTES(
    CBkWindow, CBkObject, {"class", A::Field<::GetStyle, &CBkWindow::style_>, kAttrTaken},
    {"valign", A::Field<VAlignOf, &CBkWindow::valign_>, kAttrTaken},
    {"align", A::Field<AlignOf, &CBkWindow::align_>, kAttrTaken},
    {"posmode", A::Field<ParseInt, &CBkWindow::posMode_>, kAttrTaken},
    {"id", A::Field<ParseInt, &CBkWindow::id_>, kAttrRepaint},
    {"crbg", A::Field<ParseColorRGB, &CBkWindow::style_, &BkStyle::crbg>, kAttrRepaint},
    {"crtext", A::Field<ParseColorRGB, &CBkWindow::style_, &BkStyle::crtext>, kAttrRepaint},
    {"font", A::Field<bkattr::Font, &CBkWindow::style_, &BkStyle::font>, kAttrRepaint},
    {"href", A::Field<Utf8ToWide, &CBkWindow::href_>, kAttrRepaint},
    {"tip", A::Field<TipOf, &CBkWindow::tip_>, kAttrRepaint},
    {"transparent", A::Field<ParseInt, &CBkWindow::transparent_>, kAttrRepaint},
    {"pos", &CBkWindow::SetPos, kAttrRepaint})

bool CBkWindow::SetPos(CBkWindow& element, const std::string& value, bool loading) {
    if (value.empty()) {
        return true;
    }
    const int count = ParsePos(value, element.pos_);
    element.posCount_ = count == 2 || count == 4 ? count : 0;
    if (element.posCount_) {
        element.sizeMode_ =
            (element.sizeMode_ & ~kFixedOrFullSize) | SizeWidthAuto | SizeHeightAuto;
    }
    CBkWindow* parent = loading ? nullptr : element.GetParent();
    if (parent && parent->IsContainer()) {
        static_cast<CBkContainerWnd*>(parent)->LayoutChild(&element);
    }
    return true;
}

void CBkWindow::ApplyCursor() {
    SetCursor(LoadCursorW(nullptr, style_.cursor));
}

int CBkWindow::HitTest(POINT point) {
    return PtInRect(&rect_, point) ? handle_ : 0;
}

bool CBkWindow::RepaintsOnStateChange() {
    const CBkSkinBase* skin = style_.skin.empty() ? nullptr : GetSkin(style_.skin);
    if (skin && !skin->IgnoreState()) {
        return true;
    }
    return style_.crhover != BkStyle::kNoColor || style_.hoverfont ||
           style_.crbghover != BkStyle::kNoColor;
}

bool CBkWindow::PaintInRegion(HDC dc, HRGN region) {
    if (region && !RectInRegion(region, &rect_)) {
        return false;
    }
    DrawBackground(dc);
    Send(WM_PAINT, reinterpret_cast<WPARAM>(dc));
    return true;
}

void CBkWindow::DrawBackground(HDC dc) {
    CBkSkinBase* skin = style_.skin.empty() ? nullptr : GetSkin(style_.skin);
    if (skin) {
        skin->Draw(dc, rect_, static_cast<int>(state_));
    } else {
        FillBackground(dc);
    }
}

void CBkWindow::FillBackground(HDC dc) {
    const bool hover = (state_ & StateHover) && style_.crbghover != BkStyle::kNoColor;
    const COLORREF color = hover ? style_.crbghover : style_.crbg;
    if (color == BkStyle::kNoColor) {
        return;
    }
    const COLORREF previous = SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect_, nullptr, 0, nullptr);
    SetBkColor(dc, previous);
}

void CBkWindow::OnShowWindow(bool show, UINT) {
    ModifyState(show ? 0 : StateHidden, show ? StateHidden : 0);
}

LRESULT CBkWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    // Handlers may send messages to their own element: keep the outer message's flag.
    const bool outerHandled = IsMsgHandled();
    LRESULT result = 0;
    ProcessWindowMessage(host_, message, wParam, lParam, result);
    SetMsgHandled(outerHandled);
    return result;
}

bool CBkWindow::IsVisible(bool checkAncestors) const {
    if (state_ & StateHidden) {
        return false;
    }
    for (const CBkWindow* e = checkAncestors ? GetParent() : nullptr; e; e = e->GetParent()) {
        if (e->state_ & StateHidden) {
            return false;
        }
    }
    return true;
}

bool CBkWindow::IsDisabled(bool checkAncestors) const {
    if (state_ & StateDisabled) {
        return true;
    }
    for (const CBkWindow* e = checkAncestors ? GetParent() : nullptr; e; e = e->GetParent()) {
        if (e->state_ & StateDisabled) {
            return true;
        }
    }
    return false;
}

void CBkWindow::NotifyInvalidate(const RECT* rect) {
    if (!host_ || !IsVisible(true)) {
        return;
    }
    BKNMREDRAW record = {};
    record.hdr.idFrom = static_cast<UINT_PTR>(id_);
    record.hdr.code = BKNM_REDRAW;
    record.handle = handle_;
    record.rect = rect ? *rect : rect_;
    SendMessageW(host_, WM_NOTIFY, static_cast<WPARAM>(id_), reinterpret_cast<LPARAM>(&record));
}

void CBkWindow::OnWindowPosChanged(const WINDOWPOS& pos) {
    OffsetRect(&rect_, pos.x - rect_.left, pos.y - rect_.top);
    SIZE size = {pos.cx, pos.cy};
    Send(WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&size));
    if (posMode_ == 1) {
        ::SetRect(&rect_, pos.x - size.cx / 2, pos.y - size.cy / 2, pos.x - size.cx / 2 + size.cx,
                  pos.y - size.cy / 2 + size.cy);
    } else {
        ::SetRect(&rect_, pos.x, pos.y, pos.x + size.cx, pos.y + size.cy);
    }
    if (sizeMode_ & SizeWidthFull) {
        rect_.right = std::max<LONG>(rect_.left, pos.x + pos.cx);
    } else if (sizeMode_ & SizeWidthFixed) {
        rect_.right = rect_.left + fixedWidth_;
    }
    if (sizeMode_ & SizeHeightFull) {
        rect_.bottom = std::max<LONG>(rect_.top, pos.y + pos.cy);
    } else if (sizeMode_ & SizeHeightFixed) {
        rect_.bottom = rect_.top + fixedHeight_;
    }
}

SIZE CBkWindow::CalcContentSize(bool available, SIZE size) {
    if (posCount_ != 4) {
        return MeasureText(available, size);
    }
    const int x1 = ResolvePosItem(pos_[0], 0, size.cx);
    const int x2 = ResolvePosItem(pos_[2], 0, size.cx);
    const int y1 = ResolvePosItem(pos_[1], 0, size.cy);
    const int y2 = ResolvePosItem(pos_[3], 0, size.cy);
    return SIZE{x2 - x1, y2 - y1};
}

HFONT CBkWindow::EffectiveFont(bool hover) const {
    for (const CBkWindow* e = this; hover && e; e = e->GetParent()) {
        if (e->style_.hoverfont) {
            return e->style_.hoverfont;
        }
    }
    for (const CBkWindow* e = this; e; e = e->GetParent()) {
        if (e->style_.font) {
            return e->style_.font;
        }
    }
    return GetFont(0);
}

SIZE CBkWindow::MeasureText(bool available, SIZE size) {
    const HDC dc = CreateCompatibleDC(nullptr);
    RECT measure = rect_;
    if (available) {
        measure.right = measure.left + size.cx;
        measure.bottom = measure.top + size.cy;
    }
    const HGDIOBJ previous = SelectObject(dc, EffectiveFont((state_ & StateHover) != 0));
    InflateRect(&measure, -style_.xMargin, -style_.yMargin);
    if (style_.textmode & DT_WORDBREAK) {
        measure.bottom = kUnboundedBottom;
    }
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &measure,
              (style_.textmode & ~kAlignmentBits) | DT_CALCRECT);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return SIZE{measure.right - measure.left + 2 * style_.xMargin,
                measure.bottom - measure.top + 2 * style_.yMargin};
}

void CBkWindow::PrepareTextDc(HDC dc) {
    if (!style_.skin.empty()) {
        SetBkMode(dc, TRANSPARENT);
    }
    if (style_.crbg != BkStyle::kNoColor) {
        SetBkColor(dc, style_.crbg);
    }
    const TextLook look = LookFor(style_, IsDisabled(true), (state_ & StateHover) != 0);
    if (look.font) {
        SelectObject(dc, look.font);
    }
    if (look.color != BkStyle::kNoColor) {
        SetTextColor(dc, look.color);
    }
}

void CBkWindow::OnPaint(HDC dc) {
    const CDcState saved(dc);
    PrepareTextDc(dc);
    RECT text = rect_;
    InflateRect(&text, -style_.xMargin, -style_.yMargin);
    DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &text, style_.textmode);
}
