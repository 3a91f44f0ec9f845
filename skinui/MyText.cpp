#include "MyText.h"

#include <objidl.h>
#include <gdiplus.h>

#include <memory>

#include "BkImageSkin.h"

namespace {

constexpr Gdiplus::StringTrimming kTrimmingEllipsisCharacter = Gdiplus::StringTrimming(3);
constexpr INT kNoClip = 0x4000;

// The font asked for, or the generic sans-serif face at that size when the system lacks it.
std::unique_ptr<Gdiplus::Font> MakeFont(const std::wstring& face, float size, int style) {
    auto font = std::make_unique<Gdiplus::Font>(face.c_str(), size, style, Gdiplus::UnitPixel);
    if (font->GetLastStatus() == Gdiplus::Ok) {
        return font;
    }
    return std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(), size, style,
                                           Gdiplus::UnitPixel);
}

}  // namespace

std::vector<TextCell> LayoutCharacters(const std::wstring& text, const std::vector<float>& widths,
                                       float width, float lineHeight) {
    std::vector<TextCell> cells;
    float x = 0, y = 0;
    for (size_t i = 0; i < text.size() && i < widths.size(); ++i) {
        if (text[i] == L'\n') {
            x = 0;
            y += lineHeight;
            continue;
        }
        if (text[i] == L'\r') {
            continue;
        }
        if (x > 0 && x + widths[i] > width) {
            x = 0;
            y += lineHeight;
        }
        cells.push_back(TextCell{i, x, y});
        x += widths[i] + 1;
    }
    return cells;
}

HWND CMyText::Create(HWND parent, UINT id) {
    const BkWndClassInfo info = {L"BkMyText", CS_HREDRAW | CS_VREDRAW, IDC_ARROW, nullptr};
    return CreateWindowObject(info, parent, nullptr, nullptr, WS_CHILD | WS_VISIBLE, WS_EX_LEFT,
                              id);
}

void CMyText::Invalidate() {
    if (IsWindow()) {
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

void CMyText::SetText(const std::wstring& text) {
    text_ = text;
    if (IsWindow()) {
        // Also the window's own text, so that screen readers and other programs can read it.
        SetWindowTextW(m_hWnd, text_.c_str());
    }
    Invalidate();
}

void CMyText::SetBackgroundColor(DWORD argb) {
    background_ = argb;
    Invalidate();
}

void CMyText::SetTextColor(DWORD argb) {
    textColor_ = argb;
    Invalidate();
}

void CMyText::SetFont(const std::wstring& face, float size, int style) {
    fontFace_ = face;
    fontSize_ = size;
    fontStyle_ = style;
    Invalidate();
}

void CMyText::SetAlignment(int alignment, int lineAlignment) {
    alignment_ = alignment;
    lineAlignment_ = lineAlignment;
    Invalidate();
}

LRESULT CMyText::OnPaint(UINT, WPARAM wParam, LPARAM) {
    PAINTSTRUCT paint = {};
    const HDC target = wParam ? reinterpret_cast<HDC>(wParam) : BeginPaint(m_hWnd, &paint);
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    if (!IsRectEmpty(&client)) {
        const gdi::MemoryDc memory(target);
        const gdi::Object<HBITMAP> buffer(
            CreateCompatibleBitmap(target, client.right, client.bottom));
        const gdi::Selection selected(memory, buffer);
        Draw(memory, client.right, client.bottom);
        BitBlt(target, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    }
    if (!wParam) {
        EndPaint(m_hWnd, &paint);
    }
    return 0;
}

void CMyText::Draw(HDC dc, int width, int height) const {
    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    graphics.Clear(Gdiplus::Color(background_));
    const std::unique_ptr<Gdiplus::Font> font = MakeFont(fontFace_, fontSize_, fontStyle_);
    const Gdiplus::SolidBrush brush{Gdiplus::Color(textColor_)};
    Gdiplus::StringFormat format;
    format.SetAlignment(static_cast<Gdiplus::StringAlignment>(alignment_));
    format.SetLineAlignment(static_cast<Gdiplus::StringAlignment>(lineAlignment_));
    if (alignment_ != 0 || lineAlignment_ != 0) {
        Gdiplus::RectF area(0, 0, static_cast<float>(width), static_cast<float>(height));
        // A text taller than the window is drawn from its first line, as far as it fits: given
        // the window's height, GDI+ may draw none of it.
        Gdiplus::RectF needed;
        graphics.MeasureString(text_.c_str(), static_cast<INT>(text_.size()), font.get(),
                               Gdiplus::RectF(0, 0, area.Width, 1e6f), &format, &needed);
        if (needed.Height > area.Height) {
            area.Height = needed.Height;
            format.SetLineAlignment(Gdiplus::StringAlignmentNear);
        }
        graphics.DrawString(text_.c_str(), static_cast<INT>(text_.size()), font.get(), area,
                            &format, &brush);
        return;
    }
    format.SetTrimming(kTrimmingEllipsisCharacter);
    format.SetFormatFlags(kNoClip);
    std::vector<float> widths;
    widths.reserve(text_.size());
    for (const wchar_t ch : text_) {
        Gdiplus::RectF box;
        graphics.MeasureString(&ch, 1, font.get(), Gdiplus::PointF(0, 0),
                               Gdiplus::StringFormat::GenericTypographic(), &box);
        widths.push_back(box.Width);
    }
    const float lineHeight = 1.5f * font->GetHeight(&graphics);
    for (const TextCell& cell :
         LayoutCharacters(text_, widths, static_cast<float>(width), lineHeight)) {
        graphics.DrawString(&text_[cell.index], 1, font.get(), Gdiplus::PointF(cell.x, cell.y),
                            &format, &brush);
    }
}
