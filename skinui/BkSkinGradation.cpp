#include "BkSkinGradation.h"

#include "BkParse.h"
#include "Win32Handles.h"

namespace {

// "direction": "vert" for a vertical gradient, anything else for a horizontal one.
bool IsVertical(const std::string& value) {
    return value == "vert";
}

using GradientFillFunction = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

class Library {
public:
    explicit Library(const wchar_t* name) : module_(LoadLibraryW(name)) {}
    ~Library() {
        if (module_) {
            FreeLibrary(module_);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    FARPROC Find(const char* name) const {
        return module_ ? GetProcAddress(module_, name) : nullptr;
    }

private:
    HMODULE module_;
};

TRIVERTEX Vertex(LONG x, LONG y, COLORREF color) {
    TRIVERTEX vertex{};
    vertex.x = x;
    vertex.y = y;
    vertex.Red = static_cast<COLOR16>(GetRValue(color) << 8);
    vertex.Green = static_cast<COLOR16>(GetGValue(color) << 8);
    vertex.Blue = static_cast<COLOR16>(GetBValue(color) << 8);
    return vertex;
}

// GradientFill lives in msimg32, which the program does not link; without it the band keeps
// the colour underneath.
void FillGradient(HDC dc, const RECT& band, COLORREF from, COLORREF to, bool vertical) {
    Library msimg32(L"msimg32.dll");
    const auto gradientFill = reinterpret_cast<GradientFillFunction>(
        reinterpret_cast<void*>(msimg32.Find("GradientFill")));
    if (!gradientFill) {
        return;
    }
    TRIVERTEX vertices[2] = {Vertex(band.left, band.top, from),
                             Vertex(band.right, band.bottom, to)};
    GRADIENT_RECT rect{0, 1};
    gradientFill(dc, vertices, 2, &rect, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
}

}  // namespace

RECT GradationBand(const RECT& rect, int size, bool vertical) {
    RECT band = rect;
    if (size > 0) {
        if (vertical) {
            band.bottom = rect.top + size;
        } else {
            band.right = rect.left + size;
        }
    }
    return band;
}

BK_DEFINE_ATTRIBUTES(CBkSkinGradation, CBkObject,
                     {"from", A::Field<ParseColorRGB, &CBkSkinGradation::from_>, kAttrTaken},
                     {"to", A::Field<ParseColorRGB, &CBkSkinGradation::to_>, kAttrTaken},
                     {"size", A::Field<ParseInt, &CBkSkinGradation::size_>, kAttrTaken},
                     {"direction", A::Field<IsVertical, &CBkSkinGradation::vertical_>, kAttrTaken})

void CBkSkinGradation::Draw(HDC dc, const RECT& rect, int) {
    bkgdi::FillSolid(dc, rect, to_);
    const CDcState saved(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    const RECT band = GradationBand(rect, size_, vertical_);
    if (band.right > band.left && band.bottom > band.top) {
        FillGradient(dc, band, from_, to_, vertical_);
    }
}
