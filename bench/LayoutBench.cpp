#include <windows.h>

#include <tinyxml.h>

#include <cstdio>
#include <memory>
#include <string>

#include "BenchTimer.h"
#include "BkContainer.h"
#include "BkPngPool.h"

// Lays out and paints a generated layout of about 2,000 elements, then repaints one element's
// rectangle through an update region as a hover change does, and prints the times.
namespace {

constexpr int kColumns = 40;
constexpr int kRows = 50;
constexpr int kWidth = 1600;
constexpr int kHeight = 1000;

std::string GeneratedLayout() {
    std::string xml = "<dlg width=\"full\" height=\"full\">";
    for (int row = 0; row < kRows; ++row) {
        xml += "<dlg pos=\"0," + std::to_string(row * 20) + ",-0," + std::to_string(row * 20 + 20) +
               "\">";
        for (int column = 0; column < kColumns - 1; ++column) {
            const int left = column * 40;
            xml += "<dlg id=\"" + std::to_string(row * kColumns + column + 1) + "\" pos=\"" +
                   std::to_string(left) + ",2," + std::to_string(left + 36) + ",-2\" crbg=\"" +
                   (column % 2 ? "e83c3c" : "418dff") + "\"/>";
        }
        xml += "</dlg>";
    }
    return xml + "</dlg>";
}

}  // namespace

int main() {
    BkPngPool::Instance();
    TiXmlDocument document;
    document.Parse(GeneratedLayout().c_str(), nullptr, TIXML_ENCODING_UTF8);
    CBkDialog root;
    root.Load(document.RootElement());

    WINDOWPOS pos = {};
    pos.cx = kWidth;
    pos.cy = kHeight;
    const double layout =
        Seconds([&] { root.Send(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos)); }, 20);

    const HDC screen = GetDC(nullptr);
    const HDC buffer = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    const HGDIOBJ previous = SelectObject(buffer, bitmap);
    const double fullPaint = Seconds([&] { root.PaintInRegion(buffer, nullptr); }, 20);

    const CBkWindow* hovered = root.FindById(kColumns * (kRows / 2) + kColumns / 2);
    const HRGN update = CreateRectRgnIndirect(&hovered->GetRect());
    const double partialPaint = Seconds([&] { root.PaintInRegion(buffer, update); }, 200);
    DeleteObject(update);

    SelectObject(buffer, previous);
    DeleteObject(bitmap);
    DeleteDC(buffer);
    ReleaseDC(nullptr, screen);

    std::printf("elements:          %d\n", kRows * kColumns + 1);
    std::printf("full layout:       %8.3f ms\n", layout * 1000);
    std::printf("full paint:        %8.3f ms\n", fullPaint * 1000);
    std::printf("hover repaint:     %8.3f ms\n", partialPaint * 1000);
    std::printf("ratio hover/full:  %8.4f\n", partialPaint / fullPaint);
    return 0;
}
