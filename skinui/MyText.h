#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "BkWindowImpl.h"

// Where one character of a text laid out character by character is drawn.
struct TextCell {
    size_t index;
    float x;
    float y;
};

// Lays `text` out one character after another from (0, 0): "\n" starts a new line, a character
// that would end past `width` starts one first (unless it is the first on its line), and each
// character advances the position by its width in `widths` plus one pixel.
std::vector<TextCell> LayoutCharacters(const std::wstring& text, const std::vector<float>& widths,
                                       float width, float lineHeight);

// A child window that draws a text with GDI+, wrapped to its width, through a back buffer.
class CMyText : public CBkWindowImplRoot {
public:
    HWND Create(HWND parent, UINT id);

    void SetText(const std::wstring& text);
    void SetBackgroundColor(DWORD argb);
    void SetTextColor(DWORD argb);
    void SetFont(const std::wstring& face, float size, int style);
    // GDI+ string alignments along a line and across lines (0 near, 1 centre, 2 far).
    void SetAlignment(int alignment, int lineAlignment);

    const std::wstring& GetText() const { return text_; }
    DWORD GetBackgroundColor() const { return background_; }
    DWORD GetTextColor() const { return textColor_; }

    BK_BEGIN_MSG_MAP(CMyText)
    BK_MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
    BK_MESSAGE_HANDLER(WM_PAINT, OnPaint)
    BK_MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaint)
    BK_END_MSG_MAP()

private:
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM) { return 1; }
    LRESULT OnPaint(UINT, WPARAM wParam, LPARAM);
    void Draw(HDC dc, int width, int height) const;
    void Invalidate();

    DWORD background_ = 0xFFFFFFFF;
    DWORD textColor_ = 0xFF000000;
    std::wstring text_;
    float fontSize_ = 14.0f;
    int fontStyle_ = 0;
    std::wstring fontFace_ = L"宋体";
    int lineAlignment_ = 1;
    int alignment_ = 0;
};
