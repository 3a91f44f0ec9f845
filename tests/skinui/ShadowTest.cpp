#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "MessagePump.h"
#include "RegionOutline.h"
#include "WndShadow.h"

namespace {

const ShadowParams kSystem = {12, 12, 33, 0, 0, RGB(0, 0, 0)};

int AlphaAt(const std::vector<uint32_t>& image, int width, int x, int y) {
    return static_cast<int>(image[static_cast<size_t>(y * width + x)] >> 24);
}

// The outline as a per-pixel region test finds it: first and last point inside each row.
std::vector<ShadowSpan> OutlineByPoints(HRGN region, int width, int height) {
    std::vector<ShadowSpan> rows(static_cast<size_t>(height), ShadowSpan{width, 0});
    for (int y = 0; y < height; ++y) {
        int first = 0;
        while (first < width && !PtInRegion(region, first, y)) {
            ++first;
        }
        if (first == width) {
            continue;
        }
        int last = width - 1;
        while (last > first && !PtInRegion(region, last, y)) {
            --last;
        }
        rows[static_cast<size_t>(y)] = {first, last + 1};
    }
    return rows;
}

std::vector<uint32_t> RectangleShadow(int width, int height, const ShadowParams& params) {
    const HRGN region = CreateRectRgn(0, 0, width, height);
    auto image = ComputeShadowImage(OutlineSpans(region, width, height), width, height, params);
    DeleteObject(region);
    return image;
}

class ShadowOwner {
public:
    ShadowOwner() {
        window_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~ShadowOwner() { DestroyWindow(window_); }
    ShadowOwner(const ShadowOwner&) = delete;
    ShadowOwner& operator=(const ShadowOwner&) = delete;
    HWND window() const { return window_; }

private:
    HWND window_;
};

class ShadowedOwner : public CWndShadowHelper {
public:
    void Attach(HWND window) { AttachShadow(window); }
    const CWndShadow& shadow() const { return shadow_; }
};

}  // namespace

TEST(ShadowImage, RectangularOwnerGetsASymmetricSoftRim) {
    const int width = 40;
    const int height = 30;
    const auto image = RectangleShadow(width, height, kSystem);
    const int imageWidth = width + 24;
    ASSERT_EQ(static_cast<size_t>(imageWidth * (height + 24)), image.size());
    EXPECT_EQ(30, AlphaAt(image, imageWidth, 11, 27)) << "one pixel out";
    EXPECT_EQ(2, AlphaAt(image, imageWidth, 0, 27)) << "twelve pixels out";
    EXPECT_EQ(30, AlphaAt(image, imageWidth, 52, 27));
    EXPECT_EQ(2, AlphaAt(image, imageWidth, 63, 27));
    EXPECT_EQ(2, AlphaAt(image, imageWidth, 30, 0));
    EXPECT_EQ(30, AlphaAt(image, imageWidth, 30, 42));
    EXPECT_EQ(0, AlphaAt(image, imageWidth, 12, 12)) << "the owner covers its own area";
    EXPECT_EQ(0, AlphaAt(image, imageWidth, 40, 30));
    EXPECT_EQ(0, AlphaAt(image, imageWidth, 0, 0)) << "corners are round";
    EXPECT_EQ(AlphaAt(image, imageWidth, 6, 6), AlphaAt(image, imageWidth, 57, 47));
}

TEST(ShadowImage, PixelsArePremultipliedColour) {
    const ShadowParams red = {12, 12, 33, 0, 0, RGB(255, 0, 0)};
    const auto image = RectangleShadow(40, 30, red);
    EXPECT_EQ(0x1E1E0000u, image[static_cast<size_t>(27 * 64 + 11)]);
    EXPECT_EQ(PremultipliedPixel(RGB(200, 100, 50), 128), 0x80643219u);
}

TEST(ShadowImage, RoundedRegionGivesRoundedCornersAndTheSameSpansAsAPointScan) {
    const int width = 60;
    const int height = 40;
    const HRGN rounded = CreateRoundRectRgn(0, 0, width + 1, height + 1, 24, 24);
    const auto spans = OutlineSpans(rounded, width, height);
    const auto scanned = OutlineByPoints(rounded, width, height);
    ASSERT_EQ(scanned.size(), spans.size());
    for (size_t y = 0; y < spans.size(); ++y) {
        EXPECT_EQ(scanned[y].left, spans[y].left) << y;
        EXPECT_EQ(scanned[y].right, spans[y].right) << y;
    }
    const auto fromScan = ComputeShadowImage(scanned, width, height, kSystem);
    EXPECT_TRUE(fromScan == ComputeShadowImage(spans, width, height, kSystem))
        << "the shadow of the scanned outline differs from the one of the spans";
    DeleteObject(rounded);

    const auto square = RectangleShadow(width, height, kSystem);
    const int imageWidth = width + 24;
    EXPECT_LT(AlphaAt(fromScan, imageWidth, 8, 8), AlphaAt(square, imageWidth, 8, 8));
    EXPECT_EQ(AlphaAt(fromScan, imageWidth, 0, 32), AlphaAt(square, imageWidth, 0, 32));
    EXPECT_GT(AlphaAt(fromScan, imageWidth, 13, 13), 0) << "the cut corner is shadowed";
}

TEST(ShadowImage, OffsetsMoveTheCoreAndHoleFollowsTheOwner) {
    const ShadowParams shifted = {0, 5, 150, 5, 5, RGB(0, 0, 0)};
    const auto image = RectangleShadow(40, 30, shifted);
    ASSERT_EQ(40u * 30u, image.size());
    EXPECT_EQ(0, AlphaAt(image, 40, 10, 10)) << "under the owner";
    EXPECT_EQ(0, AlphaAt(image, 40, 39, 0));
    EXPECT_GT(AlphaAt(image, 40, 20, 27), 0) << "below the owner's bottom shifted up by 5";
}

// The fast computation against the straightforward one, stamp by stamp, pixel for pixel: regions
// of every kind the shell makes, rows of random extent (empty ones too) and the parameter
// combinations that change the kernel (spread above, equal to and below the softness; offsets).
TEST(ShadowImage, TheFastImageIsTheStampByStampImage) {
    const ShadowParams params[] = {{12, 12, 33, 0, 0, RGB(0, 0, 0)},
                                   {8, 3, 200, 2, -3, RGB(10, 200, 30)},
                                   {2, 9, 120, -4, 5, RGB(255, 255, 255)},
                                   {0, 5, 150, 5, 5, RGB(0, 0, 0)},
                                   {6, 0, 255, 0, 1, RGB(90, 0, 0)}};
    std::vector<std::vector<ShadowSpan>> shapes;
    std::vector<std::pair<int, int>> sizes;
    for (const HRGN region : {CreateRectRgn(0, 0, 37, 23), CreateRoundRectRgn(0, 0, 41, 29, 24, 24),
                              CreateEllipticRgn(0, 0, 33, 45)}) {
        RECT box = {};
        GetRgnBox(region, &box);
        shapes.push_back(OutlineSpans(region, box.right, box.bottom));
        sizes.push_back({box.right, box.bottom});
        DeleteObject(region);
    }
    unsigned seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<unsigned>(range));
    };
    for (int shape = 0; shape < 6; ++shape) {
        const int width = 5 + next(40);
        const int height = 1 + next(30);
        std::vector<ShadowSpan> rows;
        for (int y = 0; y < height; ++y) {
            const int left = next(width);
            rows.push_back(next(5) == 0 ? ShadowSpan{width, 0}
                                        : ShadowSpan{left, left + 1 + next(width - left)});
        }
        shapes.push_back(rows);
        sizes.push_back({width, height});
    }
    for (size_t s = 0; s < shapes.size(); ++s) {
        for (const ShadowParams& p : params) {
            std::ostringstream shape;
            shape << "shape " << s << " (" << sizes[s].first << " x " << sizes[s].second
                  << "), spread " << p.spread << ", softness " << p.softness;
            SCOPED_TRACE(shape.str());
            const auto fast = ComputeShadowImage(shapes[s], sizes[s].first, sizes[s].second, p);
            const auto reference =
                ComputeShadowImageStampByStamp(shapes[s], sizes[s].first, sizes[s].second, p);
            ASSERT_EQ(reference.size(), fast.size());
            EXPECT_TRUE(fast == reference) << "the fast shadow differs from the stamped one";
        }
    }
}

TEST(ShadowSetters, RangesAreChecked) {
    CWndShadow shadow;
    EXPECT_FALSE(shadow.SetSpread(21)) << "a spread over 20 was taken";
    EXPECT_TRUE(shadow.SetSpread(-20)) << "a spread of -20 was refused";
    EXPECT_FALSE(shadow.SetSoftness(21)) << "a softness over 20 was taken";
    EXPECT_FALSE(shadow.SetSoftness(-1)) << "a negative softness was taken";
    EXPECT_TRUE(shadow.SetSoftness(20)) << "a softness of 20 was refused";
    EXPECT_TRUE(shadow.SetOpacity(255)) << "an opacity of 255 was refused";
    EXPECT_FALSE(shadow.SetOpacity(256)) << "an opacity over 255 was taken";
    EXPECT_FALSE(shadow.SetOffset(-21, 0)) << "an offset below -20 was taken";
    EXPECT_FALSE(shadow.SetOffset(0, 21)) << "an offset over 20 was taken";
    EXPECT_TRUE(shadow.SetOffset(-20, 20)) << "offsets of -20 and 20 were refused";
    EXPECT_TRUE(shadow.SetShadowColour(RGB(1, 2, 3))) << "a colour was refused";
}

TEST(ShadowWindow, FollowsItsOwner) {
    CWndShadow::InstallShadowSupport(GetModuleHandleW(nullptr));
    EXPECT_FALSE(CWndShadow::InstallShadowSupport(GetModuleHandleW(nullptr)))
        << "the shadow's window class was registered twice";
    ShadowOwner owner;
    ShadowedOwner shadowed;
    shadowed.Attach(owner.window());
    const HWND shadow = shadowed.shadow().GetShadowWindow();
    ASSERT_NE(nullptr, shadow);
    EXPECT_TRUE(IsWindowVisible(shadow)) << "the shadow of a shown owner is hidden";
    EXPECT_EQ(owner.window(), GetWindow(shadow, GW_OWNER));
    RECT rect;
    GetWindowRect(shadow, &rect);
    EXPECT_EQ(88, rect.left);
    EXPECT_EQ(88, rect.top);
    EXPECT_EQ(224, rect.right - rect.left);
    EXPECT_EQ(124, rect.bottom - rect.top);

    const int rebuilds = shadowed.shadow().GetRebuildCount();
    SetWindowPos(owner.window(), nullptr, 130, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PumpMessages();
    GetWindowRect(shadow, &rect);
    EXPECT_EQ(118, rect.left);
    EXPECT_EQ(108, rect.top);
    EXPECT_EQ(rebuilds, shadowed.shadow().GetRebuildCount()) << "a move does not rebuild";

    const struct {
        int show;
        const char* state;
        bool shadowShown;
    } states[] = {{SW_MINIMIZE, "minimized", false},
                  {SW_RESTORE, "restored", true},
                  {SW_MAXIMIZE, "maximized", false},
                  {SW_RESTORE, "restored again", true}};
    for (const auto& s : states) {
        ShowWindow(owner.window(), s.show);
        PumpMessages();
        EXPECT_EQ(s.shadowShown, IsWindowVisible(shadow) != FALSE) << "owner " << s.state;
    }
    ShowWindow(owner.window(), SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(shadow)) << "the shadow stays while its owner is hidden";
}

// An owner that gives itself a rounded window region of its size whenever it is resized, as the
// skinned windows do.
LRESULT CALLBACK RoundedOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE) {
        SetWindowRgn(window,
                     CreateRoundRectRgn(0, 0, LOWORD(lParam) + 1, HIWORD(lParam) + 1, 24, 24),
                     FALSE);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(ShadowWindow, ADragMakesOneImageAtItsEndFromTheOwnersFinalRegion) {
    CWndShadow::InstallShadowSupport(GetModuleHandleW(nullptr));
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = RoundedOwnerProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TesselRoundedOwner";
    RegisterClassW(&windowClass);
    const HWND owner =
        CreateWindowExW(0, L"TesselRoundedOwner", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 200,
                        100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, owner);
    {
        ShadowedOwner shadowed;
        shadowed.Attach(owner);
        PumpMessages();
        const HWND shadow = shadowed.shadow().GetShadowWindow();
        ASSERT_TRUE(IsWindowVisible(shadow)) << "the shadow of a shown owner is hidden";
        int before = shadowed.shadow().GetRebuildCount();
        SetWindowPos(owner, nullptr, 0, 0, 210, 105, SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
        EXPECT_EQ(before + 1, shadowed.shadow().GetRebuildCount())
            << "a resize outside a drag makes one image at once, none again at the next paint";

        before = shadowed.shadow().GetRebuildCount();
        SendMessageW(owner, WM_ENTERSIZEMOVE, 0, 0);
        const SIZE steps[] = {{220, 110}, {260, 130}, {240, 150}, {180, 90}, {300, 160}};
        for (const SIZE& step : steps) {
            SetWindowPos(owner, nullptr, 0, 0, step.cx, step.cy, SWP_NOMOVE | SWP_NOZORDER);
            PumpMessages();
            EXPECT_FALSE(IsWindowVisible(shadow))
                << "the shadow shows during the drag, at " << step.cx << " x " << step.cy;
        }
        EXPECT_EQ(before, shadowed.shadow().GetRebuildCount()) << "no image during the drag";
        SendMessageW(owner, WM_EXITSIZEMOVE, 0, 0);
        PumpMessages();
        EXPECT_EQ(before + 1, shadowed.shadow().GetRebuildCount()) << "one image at its end";
        EXPECT_TRUE(IsWindowVisible(shadow)) << "the shadow did not come back after the drag";
        RECT placed = {};
        GetWindowRect(shadow, &placed);
        EXPECT_EQ(324, placed.right - placed.left);
        EXPECT_EQ(184, placed.bottom - placed.top);

        const HRGN region = CreateRoundRectRgn(0, 0, 301, 161, 24, 24);
        const auto expected = ComputeShadowImage(OutlineSpans(region, 300, 160), 300, 160,
                                                 ShadowParams{12, 12, 33, 0, 0, RGB(0, 0, 0)});
        DeleteObject(region);
        EXPECT_TRUE(expected == shadowed.shadow().GetImage())
            << "the image is not the one of the owner's region at its final size";
    }
    DestroyWindow(owner);
}

TEST(ShadowWindow, AnOwnerThatOutlivesItsShadowObjectGetsItsWindowProcedureBack) {
    CWndShadow::InstallShadowSupport(GetModuleHandleW(nullptr));
    ShadowOwner owner;
    const LONG_PTR ownProc = GetWindowLongPtrW(owner.window(), GWLP_WNDPROC);
    HWND shadowWindow = nullptr;
    {
        ShadowedOwner shadowed;
        shadowed.Attach(owner.window());
        const LONG_PTR hook = GetWindowLongPtrW(owner.window(), GWLP_WNDPROC);
        EXPECT_NE(ownProc, hook);
        shadowed.Attach(owner.window());  // a second attach would hook the hook
        EXPECT_EQ(hook, GetWindowLongPtrW(owner.window(), GWLP_WNDPROC));
        shadowWindow = shadowed.shadow().GetShadowWindow();
        EXPECT_TRUE(IsWindow(shadowWindow)) << "the attached shadow has no window";
    }
    EXPECT_EQ(ownProc, GetWindowLongPtrW(owner.window(), GWLP_WNDPROC));
    EXPECT_FALSE(IsWindow(shadowWindow)) << "the shadow's window outlived the shadow";
    // The owner still works and moves without a shadow.
    SetWindowPos(owner.window(), nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PumpMessages();
    RECT rect;
    GetWindowRect(owner.window(), &rect);
    EXPECT_EQ(10, rect.left);
}

static LRESULT CALLBACK LaterSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto previous = reinterpret_cast<WNDPROC>(GetPropW(window, L"previous"));
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

TEST(ShadowWindow, AnOwnerSubclassedAfterItsShadowKeepsWorkingWhenTheShadowObjectGoes) {
    CWndShadow::InstallShadowSupport(GetModuleHandleW(nullptr));
    ShadowOwner owner;
    {
        ShadowedOwner shadowed;
        shadowed.Attach(owner.window());
        SetPropW(owner.window(), L"previous",
                 reinterpret_cast<HANDLE>(GetWindowLongPtrW(owner.window(), GWLP_WNDPROC)));
        SetWindowLongPtrW(owner.window(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LaterSubclass));
    }
    // The hook stays in the chain but hands everything to the owner's own procedure.
    SetWindowTextW(owner.window(), L"still a static");
    wchar_t text[32] = {};
    GetWindowTextW(owner.window(), text, 32);
    EXPECT_STREQ(L"still a static", text);
    SetWindowPos(owner.window(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PumpMessages();
    RemovePropW(owner.window(), L"previous");
}
