#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "BkDialogImpl.h"
#include "BkPngPool.h"
#include "BkSkinResources.h"
#include "WndShadow.h"

// One resize step of a window with the program's main layout at 1728 x 972 (layout, full repaint
// of the view into its back buffer, window region, shadow image), against the cost of filling a
// 32-bit image of that size (medians of the steps), and the shadow rebuilds a drag makes.
namespace {

constexpr UINT kMainLayout = 100;
constexpr int kWidth = 1728;
constexpr int kHeight = 972;
constexpr int kSteps = 31;

class ShadowedWindow : public CBkDialogEx, public CWndShadowHelper {
public:
    ShadowedWindow() : CBkDialogEx(kMainLayout, 1000, 0, 0, kWidth, kHeight) {}
    void Attach() { AttachShadow(m_hWnd); }
    const CWndShadow& shadow() const { return shadow_; }
};

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool withShadow = argc < 2 || std::string(argv[1]) != "noshadow";
    ULONG_PTR token = 0;
    const Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    BkPngPool::Instance();
    LoadSkinResources();
    CWndShadow::InstallShadowSupport(GetModuleHandleW(nullptr));

    std::vector<uint32_t> image;
    const double fill = Seconds(
        [&] {
            image.assign(static_cast<size_t>(kWidth * kHeight), 0);
            std::fill(image.begin(), image.end(), 0xFFFFFFFFu);
        },
        20);

    ShadowedWindow window;
    if (!window.Create(nullptr)) {
        std::fprintf(stderr, "the window could not be made\n");
        return 1;
    }
    ShowWindow(window.m_hWnd, SW_SHOWNA);
    if (withShadow) {
        window.Attach();
    }
    Pump();

    SendMessageW(window.m_hWnd, WM_ENTERSIZEMOVE, 0, 0);
    const int rebuildsBefore = window.shadow().GetRebuildCount();
    int step = 0;
    const double resize = MedianSeconds(
        [&] {
            const int shrink = ++step % 2;
            SetWindowPos(window.m_hWnd, nullptr, 0, 0, kWidth - shrink, kHeight - shrink,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            RedrawWindow(window.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            Pump();
        },
        kSteps);
    SendMessageW(window.m_hWnd, WM_EXITSIZEMOVE, 0, 0);
    Pump();
    const int rebuilds = window.shadow().GetRebuildCount() - rebuildsBefore;

    const double repaint = MedianSeconds(
        [&] {
            window.GetView().RedrawAll();
            RedrawWindow(window.GetView().m_hWnd, nullptr, nullptr, RDW_UPDATENOW);
        },
        kSteps);

    std::printf("window %d x %d, %d steps (medians)\n", kWidth, kHeight, kSteps);
    std::printf("fill only:                %9.3f ms\n", fill * 1000);
    std::printf("resize step:              %9.3f ms  (%.2f x fill)\n", resize * 1000,
                resize / fill);
    std::printf("  of it, full repaint:    %9.3f ms  (%.2f x fill)\n", repaint * 1000,
                repaint / fill);
    std::printf("shadow images in the drag: %d for %d steps\n", rebuilds, kSteps);
    ::DestroyWindow(window.m_hWnd);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
