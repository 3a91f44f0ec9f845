#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BkImageSkin.h"
#include "BkPngPool.h"
#include "BkPngSkin.h"
#include "BkSkin.h"
#include "BkSkinFrames.h"
#include "ColourDistance.h"
#include "DibCanvas.h"
#include "TempFolder.h"

namespace {

class GdiplusEnvironment : public ::testing::Environment {
public:
    void SetUp() override { BkPngPool::Instance(); }
};

::testing::Environment* const kGdiplus =
    ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

constexpr DWORD kWhite = 0xFFFFFF;
constexpr DWORD kGrey = 0x808080;
constexpr DWORD kRed = 0xFF0000;
constexpr DWORD kGreen = 0x00FF00;
constexpr DWORD kBlue = 0x0000FF;
constexpr DWORD kMagenta = 0xFF00FF;

DWORD Mix(DWORD from, DWORD to, double t) {
    DWORD mixed = 0;
    for (int shift : {16, 8, 0}) {
        const double a = ColourChannel(from, shift);
        mixed |= static_cast<DWORD>(a + (ColourChannel(to, shift) - a) * t + 0.5) << shift;
    }
    return mixed;
}

CBkImage* ImageOf(CBkSkinBase* skin) {
    if (auto* frame = dynamic_cast<CBkSkinImgFrame*>(skin)) {
        return &frame->ImageSkin();
    }
    if (auto* frameEx = dynamic_cast<CBkSkinImgFrameEx*>(skin)) {
        return &frameEx->ImageSkin();
    }
    if (auto* horz = dynamic_cast<CBkSkinImgHorzExtend*>(skin)) {
        return &horz->ImageSkin();
    }
    return dynamic_cast<CBkImageSkin*>(skin);
}

// A skin made by the factory from an entry of the skin table, drawing `bitmap` if given.
std::unique_ptr<CBkSkinBase> MakeSkin(const std::string& xml, const DibBitmap* bitmap = nullptr) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    const TiXmlElement* root = document.RootElement();
    std::unique_ptr<CBkSkinBase> skin = root ? CreateSkin(root->Value()) : nullptr;
    if (!skin) {
        ADD_FAILURE() << "no skin from " << xml;
        return nullptr;
    }
    skin->Load(root);
    if (bitmap) {
        ImageOf(skin.get())->SetBitmap(bitmap->handle());
    }
    return skin;
}

bool Inside(int x, int y, const RECT& r) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Every canvas pixel against a model of what it should be, each channel within `tolerance`.
::testing::AssertionResult PixelsAre(const DibCanvas& canvas,
                                     const std::function<DWORD(int, int)>& expected,
                                     int tolerance = 0) {
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (ColourDistance(canvas.Pixel(x, y), expected(x, y)) > tolerance) {
                std::ostringstream message;
                message << "pixel (" << x << ", " << y << ") is 0x" << std::hex
                        << canvas.Pixel(x, y) << ", expected 0x" << expected(x, y);
                return ::testing::AssertionFailure() << message.str();
            }
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult AreaIs(const DibCanvas& canvas, const RECT& area, DWORD inside,
                                  DWORD outside) {
    return PixelsAre(canvas, [&](int x, int y) { return Inside(x, y, area) ? inside : outside; });
}

void PaintBitmap(DibBitmap& bitmap, const std::function<DWORD(int, int)>& rgb) {
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            bitmap.SetPixel(x, y, rgb(x, y));
        }
    }
}

// Which of three bands `at` falls in: before `firstEnd`, before `lastStart`, or after.
int Band(int at, int firstEnd, int lastStart) {
    return at < firstEnd ? 0 : at < lastStart ? 1 : 2;
}

// A distinct colour for each region of a bitmap cut into three columns and three rows.
DWORD Region(int column, int row) {
    return static_cast<DWORD>(0x200000 + column * 0x400000 + 0x2000 + row * 0x4000 + 0x80);
}

TEST(SkinFactory, CreatesEachKindByItsExactTagOnly) {
    for (const char* tag : {"imglst", "imgframe", "imgframeEx", "button", "tabButton", "shape",
                            "imghorzex", "gradation", "png"}) {
        SCOPED_TRACE(tag);
        std::unique_ptr<CBkSkinBase> skin = CreateSkin(tag);
        ASSERT_NE(nullptr, skin) << "no skin made";
        EXPECT_STREQ(tag, skin->GetObjectClass());
        EXPECT_TRUE(skin->IsClass(tag)) << "the skin does not answer its own tag";
    }
    for (const char* tag : {"Button", "IMGLST", "imgFrameEx", "", "unknown", "style"}) {
        EXPECT_EQ(nullptr, CreateSkin(tag)) << tag;
    }
}

TEST(SkinFactory, SizeAndStateDependenceFollowTheKind) {
    DibBitmap bitmap(30, 8);
    const struct {
        const char* xml;
        const DibBitmap* bitmap;
        LONG cx, cy;
        bool ignoreState;
    } cases[] = {
        {"<imglst/>", nullptr, 0, 0, true},
        {"<imglst/>", &bitmap, 30, 8, true},
        {"<imglst subwidth='10'/>", &bitmap, 10, 8, false},
        {"<png subwidth='5'/>", nullptr, 5, 0, false},
        {"<imgframe/>", &bitmap, 0, 0, true},
        {"<imgframeEx subwidth='10'/>", &bitmap, 0, 0, false},
        {"<imghorzex/>", &bitmap, 0, 8, true},
        {"<imghorzex subwidth='10'/>", &bitmap, 0, 8, false},
        {"<gradation size='5'/>", nullptr, 0, 0, true},
        {"<button/>", nullptr, 0, 0, false},
        {"<tabButton ignoreState='1'/>", nullptr, 0, 0, false},
        {"<shape/>", nullptr, 0, 0, true},
        {"<shape ignoreState='0'/>", nullptr, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.xml) + (c.bitmap ? " with a bitmap" : ""));
        std::unique_ptr<CBkSkinBase> skin = MakeSkin(c.xml, c.bitmap);
        ASSERT_NE(nullptr, skin);
        EXPECT_EQ(c.cx, skin->GetSkinSize().cx);
        EXPECT_EQ(c.cy, skin->GetSkinSize().cy);
        EXPECT_EQ(c.ignoreState, skin->IgnoreState());
    }
}

TEST(SkinFactory, AttributesAreTakenByTheirKindCaseSensitively) {
    const struct {
        const char* tag;
        const char* name;
        HRESULT result;
    } cases[] = {
        {"imglst", "maskcolor", S_OK},     {"imglst", "SubWidth", E_FAIL},
        {"imglst", "left", E_FAIL},        {"png", "subwidth", S_OK},
        {"png", "mode", E_FAIL},           {"imgframe", "mode", S_OK},
        {"imgframe", "part", S_OK},        {"imgframe", "crbg", S_OK},
        {"imgframeEx", "top", S_OK},       {"imgframeEx", "crbg", E_FAIL},
        {"imghorzex", "subwidth", S_OK},   {"imghorzex", "top", E_FAIL},
        {"gradation", "direction", S_OK},  {"gradation", "subwidth", E_FAIL},
        {"button", "borderdisable", S_OK}, {"button", "shape", E_FAIL},
        {"shape", "from", S_OK},           {"shape", "mode", E_FAIL},
        {"tabButton", "tagpos", 1},        {"tabButton", "crtag", S_OK},
        {"tabButton", "bgpush", E_FAIL},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result, CreateSkin(c.tag)->SetAttribute(c.name, "1", false))
            << c.tag << " " << c.name;
    }
}

TEST(AlphaBlend, ChannelIsTheIntegerQuotientOfTheWeightedSum) {
    const struct {
        BYTE target, source, alpha, result;
    } cases[] = {
        {100, 200, 0, 100},  {100, 200, 255, 200}, {0, 255, 128, 128}, {255, 0, 128, 127},
        {200, 100, 51, 180}, {250, 251, 254, 250}, {1, 0, 254, 0},     {254, 255, 1, 254},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result, BlendChannel(c.target, c.source, c.alpha))
            << int(c.target) << " " << int(c.source) << " " << int(c.alpha);
    }
}

class ImageCells : public ::testing::Test {
protected:
    ImageCells() {
        PaintBitmap(strip_, [](int x, int) { return kCells[x / 4]; });
    }

    static constexpr DWORD kCells[] = {kRed, kGreen, kBlue};
    DibBitmap strip_{12, 3};  // three 4 x 3 cells
    DibCanvas canvas_{20, 10, kGrey};
};

TEST_F(ImageCells, StateSelectsACellAndMinusOneTheWholeStrip) {
    auto skin = MakeSkin("<imglst subwidth='4'/>", &strip_);
    skin->Draw(canvas_.dc(), RECT{5, 5, 6, 6}, 1);
    EXPECT_TRUE(AreaIs(canvas_, RECT{5, 5, 9, 8}, kGreen, kGrey));

    canvas_.Fill(kGrey);
    skin->Draw(canvas_.dc(), RECT{0, 0, 20, 10}, 3);
    EXPECT_TRUE(AreaIs(canvas_, RECT{}, 0, kGrey)) << "past the strip";
    {
        Gdiplus::Graphics graphics(canvas_.dc());
        skin->DrawOnGraphics(&graphics, 1, 2, 18, 7, -1);
    }
    EXPECT_TRUE(PixelsAre(canvas_, [](int x, int y) {
        return Inside(x, y, RECT{1, 2, 13, 5}) ? kCells[(x - 1) / 4] : kGrey;
    }));

    // Without a cell width only the whole strip is drawn.
    canvas_.Fill(kGrey);
    skin = MakeSkin("<imglst/>", &strip_);
    skin->Draw(canvas_.dc(), RECT{0, 0, 20, 10}, 0);
    skin->Draw(canvas_.dc(), RECT{0, 0, 20, 10}, 1);
    EXPECT_TRUE(AreaIs(canvas_, RECT{}, 0, kGrey));
    skin->Draw(canvas_.dc(), RECT{2, 1, 20, 10}, -1);
    EXPECT_EQ(kBlue, canvas_.Pixel(13, 3));
}

TEST_F(ImageCells, MaskModeLeavesMaskColourPixelsUntouched) {
    strip_.SetPixel(0, 0, kMagenta);
    strip_.SetPixel(2, 1, kMagenta);
    strip_.SetPixel(6, 2, kMagenta);
    SetTextColor(canvas_.dc(), RGB(1, 2, 3));
    SetBkColor(canvas_.dc(), RGB(4, 5, 6));
    MakeSkin("<imglst mode='mask'/>", &strip_)->Draw(canvas_.dc(), RECT{1, 1, 20, 10}, -1);
    EXPECT_TRUE(PixelsAre(canvas_, [&](int x, int y) {
        const DWORD source = Inside(x, y, RECT{1, 1, 13, 4}) ? strip_.Pixel(x - 1, y - 1) : kGrey;
        return source == kMagenta ? kGrey : source;
    }));
    EXPECT_EQ(RGB(1, 2, 3), GetTextColor(canvas_.dc()));
    EXPECT_EQ(RGB(4, 5, 6), GetBkColor(canvas_.dc()));

    canvas_.Fill(kGrey);
    MakeSkin("<imglst mode='mask' maskcolor='00ff00' subwidth='4'/>", &strip_)
        ->Draw(canvas_.dc(), RECT{1, 1, 20, 10}, 1);
    EXPECT_TRUE(
        PixelsAre(canvas_, [&](int x, int y) { return x == 3 && y == 3 ? kMagenta : kGrey; }));
}

TEST_F(ImageCells, AlphaModeBlendsEachPixelByItsOwnAlpha) {
    // Three pixels a row, so the 24-bit rows of the blend carry padding.
    const DWORD argb[] = {0x00FF0000, 0xFF00FF00, 0x800000FF, 0x33C86432, 0xFE102030, 0x01FFFFFF};
    DibBitmap bitmap(3, 2);
    for (int i = 0; i < 6; ++i) {
        bitmap.SetArgb(i % 3, i / 3, argb[i]);
    }
    const DWORD background = 0x4080C0;
    DibCanvas canvas(10, 6, background);
    MakeSkin("<imglst mode='alpha'/>", &bitmap)->Draw(canvas.dc(), RECT{3, 2, 10, 6}, -1);
    EXPECT_TRUE(PixelsAre(canvas, [&](int x, int y) {
        if (!Inside(x, y, RECT{3, 2, 6, 4})) {
            return background;
        }
        const DWORD s = argb[(y - 2) * 3 + (x - 3)];
        DWORD blended = 0;
        for (int shift : {16, 8, 0}) {
            blended |= static_cast<DWORD>(BlendChannel(
                           static_cast<BYTE>(ColourChannel(background, shift)),
                           static_cast<BYTE>(ColourChannel(s, shift)), static_cast<BYTE>(s >> 24)))
                       << shift;
        }
        return blended;
    }));
}

TEST_F(ImageCells, AlphaModeNeedsThirtyTwoBitsAndFramesNeverBlend) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, -3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP rgb = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(nullptr, rgb);
    auto skin = MakeSkin("<imglst mode='alpha'/>");
    ImageOf(skin.get())->SetBitmap(rgb);
    skin->Draw(canvas_.dc(), RECT{0, 0, 20, 10}, -1);
    DeleteObject(rgb);

    const RECT all{0, 0, 20, 10};
    MakeSkin("<imgframe left='1' top='1' mode='alpha'/>", &strip_)->Draw(canvas_.dc(), all, 0);
    MakeSkin("<imgframeEx left='1' top='1' mode='alpha'/>", &strip_)->Draw(canvas_.dc(), all, 0);
    MakeSkin("<imghorzex left='1' mode='alpha'/>", &strip_)->Draw(canvas_.dc(), all, 0);
    MakeSkin("<imgframe left='1' top='1'/>")->Draw(canvas_.dc(), all, 0);
    EXPECT_TRUE(AreaIs(canvas_, RECT{}, 0, kGrey));
}

class ImgFrame : public ::testing::Test {
protected:
    // 6 x 6 cut after column 1 and row 3: one column on the left, four on the right, three
    // rows on top and two at the bottom.
    ImgFrame() {
        PaintBitmap(bitmap_, [](int x, int y) { return Region(Band(x, 1, 2), Band(y, 3, 4)); });
    }

    // What an imgframe with these edges paints at (x, y) of target `t`.
    static DWORD Expected(int x, int y, const RECT& t, UINT edges, DWORD centre) {
        if (!Inside(x, y, t)) {
            return kGrey;
        }
        const int column = (edges & kFrameLeft) && x < t.left + 1      ? 0
                           : (edges & kFrameRight) && x >= t.right - 4 ? 2
                                                                       : 1;
        const int row = (edges & kFrameTop) && y < t.top + 3          ? 0
                        : (edges & kFrameBottom) && y >= t.bottom - 2 ? 2
                                                                      : 1;
        return column == 1 && row == 1 ? centre : Region(column, row);
    }

    DibBitmap bitmap_{6, 6};
    DibCanvas canvas_{32, 24, kGrey};
};

TEST_F(ImgFrame, PartWordsChooseTheEdgesAndCrbgFillsTheCentre) {
    const RECT target{2, 3, 30, 22};
    const struct {
        const char* attributes;
        UINT edges;
        DWORD centre;
    } cases[] = {
        {"", kFrameAll, kGrey},
        {"part='all' crbg='00ff00'", kFrameAll, kGreen},
        {"part='top' crbg='00ff00'", kFrameTop | kFrameLeft | kFrameRight, kGreen},
        {"part='middle'", kFrameLeft | kFrameRight, kGrey},
        {"part='bottom' crbg='00ff00'", kFrameBottom | kFrameLeft | kFrameRight, kGreen},
        {"part='left' crbg='00ff00'", kFrameTop | kFrameBottom | kFrameLeft, kGreen},
        {"part='center' crbg='00ff00'", kFrameTop | kFrameBottom, kGreen},
        {"part='right' crbg='00ff00'", kFrameTop | kFrameBottom | kFrameRight, kGreen},
    };
    for (const auto& c : cases) {
        canvas_.Fill(kGrey);
        SetBkColor(canvas_.dc(), RGB(9, 8, 7));
        MakeSkin(std::string("<imgframe left='1' top='3' ") + c.attributes + "/>", &bitmap_)
            ->Draw(canvas_.dc(), target, 0);
        EXPECT_TRUE(PixelsAre(canvas_, [&](int x, int y) {
            return Expected(x, y, target, c.edges, c.centre);
        })) << c.attributes;
        EXPECT_EQ(RGB(9, 8, 7), GetBkColor(canvas_.dc())) << c.attributes;
    }
}

TEST_F(ImgFrame, MaskModeLeavesOutMaskColourInStretchedParts) {
    bitmap_.Fill(1, 0, 2, 3, kMagenta);  // the slice that stretches along the top
    const RECT target{3, 2, 29, 21};
    MakeSkin("<imgframe left='1' top='3' mode='mask'/>", &bitmap_)->Draw(canvas_.dc(), target, 0);
    EXPECT_TRUE(PixelsAre(canvas_, [&](int x, int y) {
        const DWORD expected = Expected(x, y, target, kFrameAll, kGrey);
        return expected == Region(1, 0) ? kGrey : expected;
    }));
}

TEST(ImgFrameEx, CornersStayAndTheMiddleBandsStretch) {
    // 7 x 7 with 2-pixel corners around a 3-pixel middle band.
    DibBitmap bitmap(7, 7);
    PaintBitmap(bitmap, [](int x, int y) { return Region(Band(x, 2, 5), Band(y, 2, 5)); });
    DibCanvas canvas(30, 24, kGrey);
    const RECT target{4, 3, 27, 21};
    MakeSkin("<imgframeEx left='2' top='2'/>", &bitmap)->Draw(canvas.dc(), target, 0x10);
    EXPECT_TRUE(PixelsAre(canvas, [&](int x, int y) {
        return Inside(x, y, target) ? Region(Band(x, target.left + 2, target.right - 2),
                                             Band(y, target.top + 2, target.bottom - 2))
                                    : kGrey;
    }));

    // No corner height: nothing. No width: nothing. Not wider than a corner: the left column.
    canvas.Fill(kGrey);
    MakeSkin("<imgframeEx left='2' top='0'/>", &bitmap)->Draw(canvas.dc(), target, 0);
    MakeSkin("<imgframeEx left='2' top='2'/>", &bitmap)->Draw(canvas.dc(), RECT{5, 5, 5, 9}, 0);
    const RECT narrow{5, 4, 7, 14};
    MakeSkin("<imgframeEx left='2' top='2'/>", &bitmap)->Draw(canvas.dc(), narrow, 0);
    EXPECT_TRUE(PixelsAre(canvas, [&](int x, int y) {
        return Inside(x, y, narrow) ? Region(0, Band(y, narrow.top + 2, narrow.bottom - 2)) : kGrey;
    }));

    // Without a corner width the bands span the whole width.
    DibBitmap rows(3, 5);
    PaintBitmap(rows, [](int, int y) { return Region(1, Band(y, 1, 4)); });
    canvas.Fill(kGrey);
    MakeSkin("<imgframeEx left='0' top='1'/>", &rows)->Draw(canvas.dc(), target, 0);
    EXPECT_TRUE(PixelsAre(canvas, [&](int x, int y) {
        return Inside(x, y, target) ? Region(1, Band(y, target.top + 1, target.bottom - 1)) : kGrey;
    }));
}

TEST(ImgHorzExtend, StateChoosesTheCellAndNarrowTargetsWiden) {
    // Four 5-pixel cells: columns 0-1 the left part, 2 the stretching column, 3-4 the right part.
    auto color = [](int cell, int part) {
        return static_cast<DWORD>(0x100000 * (cell + 1) + 0x3000 * (part + 1) + 0x11);
    };
    DibBitmap strip(20, 4);
    PaintBitmap(strip, [&](int x, int) { return color(x / 5, Band(x % 5, 2, 3)); });
    DibCanvas canvas(40, 8, kGrey);
    auto painted = [&](const RECT& area, int cell) {
        return PixelsAre(canvas, [&](int x, int y) {
            return Inside(x, y, area) ? color(cell, Band(x, area.left + 2, area.right - 2)) : kGrey;
        });
    };
    auto skin = MakeSkin("<imghorzex left='2' subwidth='5'/>", &strip);
    const struct {
        int state, cell;
    } cases[] = {{0, 0}, {0x01, 1}, {0x02, 2}, {0x03, 2}, {0x10, 3}, {0x13, 3}, {-1, 0}};
    for (const auto& c : cases) {
        canvas.Fill(kGrey);
        skin->Draw(canvas.dc(), RECT{3, 2, 33, 8}, c.state);
        EXPECT_TRUE(painted(RECT{3, 2, 33, 6}, c.cell)) << "state " << c.state;
    }

    canvas.Fill(kGrey);
    skin->Draw(canvas.dc(), RECT{4, 1, 10, 3}, 0x02);
    EXPECT_TRUE(painted(RECT{4, 1, 24, 5}, 2)) << "widened to the bitmap";

    // A strip without cells has no hover cell: the only cell is drawn.
    DibBitmap single(5, 4);
    PaintBitmap(single, [&](int x, int) { return color(0, Band(x, 2, 3)); });
    canvas.Fill(kGrey);
    MakeSkin("<imghorzex left='2'/>", &single)->Draw(canvas.dc(), RECT{1, 0, 21, 4}, 0x01);
    EXPECT_TRUE(painted(RECT{1, 0, 21, 4}, 0))
        << "a strip without cells did not draw its only cell on hover";
}

TEST(Gradation, BandRunsFromTheStartEdgeAndTheRestIsTheEndColour) {
    DibCanvas canvas(60, 20, kGrey);
    const RECT rect{5, 4, 45, 16};
    SetBkColor(canvas.dc(), RGB(9, 8, 7));
    MakeSkin("<gradation from='ff0000' to='0000ff' size='20'/>")->Draw(canvas.dc(), rect, 0);
    EXPECT_TRUE(PixelsAre(
        canvas,
        [&](int x, int y) {
            return !Inside(x, y, rect) ? kGrey : x >= 25 ? kBlue : Mix(kRed, kBlue, (x - 5) / 20.0);
        },
        8));
    EXPECT_EQ(kBlue, canvas.Pixel(25, 4));
    EXPECT_EQ(kBlue, canvas.Pixel(44, 15));
    EXPECT_EQ(kRed, canvas.Pixel(5, 10));
    EXPECT_EQ(RGB(9, 8, 7), GetBkColor(canvas.dc()));
    RECT clip;
    EXPECT_EQ(SIMPLEREGION, GetClipBox(canvas.dc(), &clip));
    EXPECT_EQ(60, clip.right - clip.left) << "the clip is lifted again";
}

TEST(Gradation, VerticalBandIsClippedToTheRectangleAndSizeZeroSpansIt) {
    DibCanvas canvas(20, 60, kGrey);
    const RECT rect{4, 5, 16, 45};
    const struct {
        const char* size;
        double length;
    } cases[] = {{"100", 100}, {"0", 40}};
    for (const auto& c : cases) {
        canvas.Fill(kGrey);
        MakeSkin(std::string("<gradation from='00ff00' to='ff00ff' direction='vert' size='") +
                 c.size + "'/>")
            ->Draw(canvas.dc(), rect, 0);
        EXPECT_TRUE(PixelsAre(
            canvas,
            [&](int x, int y) {
                return Inside(x, y, rect) ? Mix(kGreen, kMagenta, (y - 5) / c.length) : kGrey;
            },
            8))
            << c.size;
    }
}

class Button : public ::testing::Test {
protected:
    std::unique_ptr<CBkSkinBase> Skin(const std::string& attributes) {
        return MakeSkin(
            "<button bgnormal='ff102030' bghover='ff405060' bgpush='ff708090' "
            "bgdisable='ffa0b0c0' border='ff0000ff' borderdisable='ffff0000' " +
            attributes + "/>");
    }

    DibCanvas canvas_{60, 40, kWhite};
};

TEST_F(Button, RectangleFillAndBorderFollowTheState) {
    // (10, 10, 19, 19) filled and outlined: the outline is on columns and rows 10 and 29.
    auto outlined = [](DWORD fill, DWORD border) {
        return [=](int x, int y) {
            return !Inside(x, y, RECT{10, 10, 30, 30})        ? kWhite
                   : x == 10 || x == 29 || y == 10 || y == 29 ? border
                                                              : fill;
        };
    };
    const struct {
        int state;
        DWORD fill, border;
    } cases[] = {
        {0x00, 0x102030, kBlue}, {0x01, 0x405060, kBlue}, {0x02, 0x708090, kBlue},
        {0x03, 0x708090, kBlue}, {0x10, 0xA0B0C0, kRed},  {0x11, 0xA0B0C0, kBlue},
        {0x12, 0xA0B0C0, kBlue},
    };
    auto skin = Skin("radius='0'");
    for (const auto& c : cases) {
        canvas_.Fill(kWhite);
        skin->Draw(canvas_.dc(), RECT{10, 10, 30, 30}, c.state);
        EXPECT_TRUE(PixelsAre(canvas_, outlined(c.fill, c.border))) << "state " << c.state;
    }

    // The border is drawn opaque whatever its alpha; the fill keeps its own.
    canvas_.Fill(kWhite);
    MakeSkin("<button radius='0' border='00ff00ff' bgnormal='00102030'/>")
        ->Draw(canvas_.dc(), RECT{10, 10, 30, 30}, 0);
    EXPECT_TRUE(PixelsAre(canvas_, outlined(kWhite, kMagenta)));

    canvas_.Fill(kWhite);
    Skin("radius='0' borderwidth='0'")->Draw(canvas_.dc(), RECT{10, 10, 30, 30}, 0);
    EXPECT_TRUE(AreaIs(canvas_, RECT{10, 10, 30, 30}, 0x102030, kWhite));
}

TEST_F(Button, EllipsePillAndRoundedRectangleKeepTheirCornersClear) {
    const struct {
        const char* attributes;
        RECT rect;
        POINT inside, corner, beyond;
    } cases[] = {
        {"mode='1'", {10, 5, 50, 35}, {30, 20}, {11, 6}, {50, 20}},
        {"mode='2' borderwidth='0'", {10, 5, 50, 25}, {30, 15}, {10, 5}, {50, 15}},
        {"radius='6'", {10, 5, 40, 35}, {20, 20}, {10, 5}, {38, 20}},
    };
    for (const auto& c : cases) {
        canvas_.Fill(kWhite);
        Skin(c.attributes)->Draw(canvas_.dc(), c.rect, 0x01);
        EXPECT_EQ(0x405060u, canvas_.Pixel(c.inside.x, c.inside.y)) << c.attributes;
        EXPECT_EQ(kWhite, canvas_.Pixel(c.corner.x, c.corner.y)) << c.attributes;
        EXPECT_EQ(kWhite, canvas_.Pixel(c.beyond.x, c.beyond.y)) << c.attributes;
    }
}

TEST_F(Button, PillStrokesWithTheNormalBorderAndItsOwnAlpha) {
    Skin("mode='2' borderwidth='3'")->Draw(canvas_.dc(), RECT{10, 10, 50, 30}, 0x10);
    EXPECT_EQ(kBlue, canvas_.Pixel(30, 10));
    EXPECT_EQ(kBlue, canvas_.Pixel(30, 29));
    EXPECT_EQ(0xA0B0C0u, canvas_.Pixel(30, 20));

    canvas_.Fill(kWhite);
    MakeSkin("<button mode='2' borderwidth='3' bgnormal='ff102030' border='000000ff'/>")
        ->Draw(canvas_.dc(), RECT{10, 10, 50, 30}, 0);
    EXPECT_EQ(0x102030u, canvas_.Pixel(30, 11));
    EXPECT_EQ(kWhite, canvas_.Pixel(30, 8));
}

TEST_F(Button, DrawOnGraphicsPaintsAndKeepsTheCallersSmoothingMode) {
    Gdiplus::Graphics graphics(canvas_.dc());
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighSpeed);
    Skin("mode='2'")->DrawOnGraphics(&graphics, 10, 10, 40, 20, 0);
    EXPECT_EQ(Gdiplus::SmoothingModeHighSpeed, graphics.GetSmoothingMode());
    Skin("radius='0'")->DrawOnGraphics(&graphics, 10, 10, 20, 20, 0x02);
    graphics.Flush(Gdiplus::FlushIntentionSync);
    EXPECT_EQ(0x708090u, canvas_.Pixel(20, 20));
    EXPECT_EQ(kBlue, canvas_.Pixel(10, 20));
}

TEST(TabButton, MarkerOnlyForTheSelectedStateOnTheChosenSide) {
    DibCanvas canvas(50, 40, kWhite);
    const RECT rect{10, 5, 40, 35};
    const std::string colours =
        "<tabButton bgnormal='ff102030' bghover='ff405060' bgselect='ff00ff00' crtag='ffff0000' ";
    const struct {
        const char* attributes;
        int state;
        DWORD fill;
        RECT marker;
    } cases[] = {
        {"tagsize='4' tagpos='left'", 0x10, kGreen, {10, 5, 14, 35}},
        {"tagsize='4' tagpos='top'", 0x10, kGreen, {10, 5, 40, 9}},
        {"tagsize='4' tagpos='bottom'", 0x10, kGreen, {10, 31, 40, 35}},
        {"tagsize='4' tagpos='right'", 0x10, kGreen, {36, 5, 40, 35}},
        {"", 0x10, kGreen, {10, 5, 13, 35}},
        {"tagsize='4' tagpos='top'", 0x11, kGreen, {}},
        {"tagsize='0'", 0x10, kGreen, {}},
        {"", 0x00, 0x102030, {}},
        {"", 0x01, 0x405060, {}},
        {"", 0x02, 0x405060, {}},
    };
    for (const auto& c : cases) {
        canvas.Fill(kWhite);
        MakeSkin(colours + c.attributes + "/>")->Draw(canvas.dc(), rect, c.state);
        EXPECT_TRUE(PixelsAre(canvas,
                              [&](int x, int y) {
                                  return Inside(x, y, c.marker) ? kRed
                                         : Inside(x, y, rect)   ? c.fill
                                                                : kWhite;
                              }))
            << c.attributes << " state " << c.state;
    }

    canvas.Fill(kWhite);
    {
        Gdiplus::Graphics graphics(canvas.dc());
        MakeSkin(colours + "tagpos='bottom' tagsize='2'/>")
            ->DrawOnGraphics(&graphics, 10, 5, 30, 30, 0x10);
    }
    EXPECT_TRUE(PixelsAre(canvas, [&](int x, int y) {
        return Inside(x, y, RECT{10, 33, 40, 35}) ? kRed : Inside(x, y, rect) ? kGreen : kWhite;
    }));
}

TEST(Shape, FilledKindsUseTheStateColourMadeOpaque) {
    DibCanvas canvas(60, 60, kWhite);
    const struct {
        const char* kind;
        RECT rect;
        POINT inside, corner;
    } cases[] = {
        {"0", {10, 10, 50, 50}, {30, 30}, {10, 10}},
        {"1", {10, 10, 50, 40}, {30, 25}, {11, 11}},
        {"2", {5, 20, 55, 40}, {30, 30}, {5, 20}},
    };
    const struct {
        int state;
        DWORD fill;
    } states[] = {{0x00, 0x102030}, {0x01, 0x405060}, {0x03, 0x708090}, {0x11, 0xA0B0C0}};
    for (const auto& c : cases) {
        auto skin = MakeSkin(std::string("<shape shape='") + c.kind +
                             "' bgnormal='102030' bghover='405060' bgpush='708090' "
                             "bgdisable='a0b0c0' border='0000ff' borderwidth='3'/>");
        for (const auto& s : states) {
            canvas.Fill(kWhite);
            skin->Draw(canvas.dc(), c.rect, s.state);
            EXPECT_EQ(s.fill, canvas.Pixel(c.inside.x, c.inside.y)) << c.kind << " " << s.state;
            EXPECT_EQ(kWhite, canvas.Pixel(c.corner.x, c.corner.y)) << c.kind;
        }
        // A 3-pixel border centred on the outline covers the first row inside entirely.
        EXPECT_EQ(kBlue, canvas.Pixel((c.rect.left + c.rect.right) / 2, c.rect.top)) << c.kind;
    }

    canvas.Fill(kWhite);
    MakeSkin("<shape radius='0' bgnormal='102030' border='0000ff' borderwidth='0'/>")
        ->Draw(canvas.dc(), RECT{10, 10, 50, 50}, 0);
    EXPECT_TRUE(AreaIs(canvas, RECT{10, 10, 50, 50}, 0x102030, kWhite));
}

TEST(Shape, GradientKindsIgnoreTheStateAndDrawNoBorder) {
    const RECT rect{10, 5, 50, 55};
    for (const char* kind : {"3", "4"}) {
        const bool vertical = kind[0] == '3';
        auto skin = MakeSkin(std::string("<shape shape='") + kind +
                             "' from='ffff0000' to='ff0000ff' border='00ff00' borderwidth='4' "
                             "bghover='00ff00'/>");
        DibCanvas normal(60, 60, kWhite);
        DibCanvas hovered(60, 60, kWhite);
        skin->Draw(normal.dc(), rect, 0);
        skin->Draw(hovered.dc(), rect, 0x13);
        EXPECT_TRUE(PixelsAre(hovered, [&](int x, int y) { return normal.Pixel(x, y); })) << kind;
        // The gradient runs from a pixel before the rectangle to a pixel after it.
        EXPECT_TRUE(PixelsAre(
            normal,
            [&](int x, int y) {
                const double t = vertical ? (y - rect.top + 1.5) / (rect.bottom - rect.top + 2)
                                          : (x - rect.left + 1.5) / (rect.right - rect.left + 2);
                return Inside(x, y, rect) ? Mix(kRed, kBlue, t) : kWhite;
            },
            12))
            << kind;
    }
}

TEST(Shape, SixDigitEndColourIsTransparentAndGraphicsGradientsSpanTheRectangle) {
    DibCanvas canvas(60, 60, kWhite);
    MakeSkin("<shape shape='3' from='ffff0000' to='000000'/>")
        ->Draw(canvas.dc(), RECT{10, 10, 50, 50}, 0);
    EXPECT_LE(ColourDistance(kRed, canvas.Pixel(30, 10)), 16);
    EXPECT_LE(ColourDistance(kWhite, canvas.Pixel(30, 49)), 16);
    EXPECT_LT(ColourChannel(canvas.Pixel(30, 20), 8), ColourChannel(canvas.Pixel(30, 40), 8));

    canvas.Fill(kWhite);
    {
        Gdiplus::Graphics graphics(canvas.dc());
        MakeSkin("<shape shape='4' from='ffff0000' to='ff0000ff'/>")
            ->DrawOnGraphics(&graphics, 10, 10, 40, 20, 0);
    }
    EXPECT_LE(ColourDistance(kRed, canvas.Pixel(10, 20)), 12);
    EXPECT_LE(ColourDistance(kBlue, canvas.Pixel(49, 20)), 12);
    EXPECT_LE(ColourDistance(Mix(kRed, kBlue, 0.5), canvas.Pixel(30, 20)), 12);
    EXPECT_EQ(kWhite, canvas.Pixel(50, 20));
    EXPECT_EQ(kWhite, canvas.Pixel(30, 30));
}

class PngStrip : public ::testing::Test {
protected:
    // A PNG file of 4 x 4 cells in the given colours.
    std::wstring WritePng(const wchar_t* name, const std::vector<DWORD>& cells) {
        DibBitmap pixels(static_cast<int>(cells.size()) * 4, 4);
        PaintBitmap(pixels, [&](int x, int) { return cells[x / 4]; });
        const std::wstring path = folder_.path() + L"\\" + name;
        EXPECT_TRUE(pixels.SavePng(path)) << "the test picture could not be written";
        return path;
    }

    std::unique_ptr<CBkPngSkin> Skin(const std::string& xml) {
        return std::unique_ptr<CBkPngSkin>(static_cast<CBkPngSkin*>(MakeSkin(xml).release()));
    }

    TempFolder folder_;
    DibCanvas canvas_{30, 20, kGrey};
};

TEST_F(PngStrip, DrawsCellsAtNaturalSizeAndStretched) {
    auto skin = Skin("<png subwidth='4'/>");
    ASSERT_TRUE(skin->LoadFromFile(WritePng(L"strip.png", {kRed, kGreen, kBlue})))
        << "the three-cell strip did not load";
    EXPECT_EQ(4, skin->GetSkinSize().cx);
    EXPECT_EQ(4, skin->GetSkinSize().cy);
    skin->Draw(canvas_.dc(), RECT{5, 6, 25, 16}, 1);
    EXPECT_TRUE(AreaIs(canvas_, RECT{5, 6, 9, 10}, kGreen, kGrey));

    // 4 x 4 stretched to 16 x 12: the edges may be smoothed, the inside is the cell's colour.
    canvas_.Fill(kGrey);
    skin->StretchDraw(canvas_.dc(), RECT{6, 4, 22, 16}, 2);
    EXPECT_TRUE(PixelsAre(canvas_, [&](int x, int y) {
        return Inside(x, y, RECT{9, 7, 18, 13})   ? kBlue
               : Inside(x, y, RECT{6, 4, 22, 16}) ? canvas_.Pixel(x, y)
                                                  : kGrey;
    }));

    // Without a cell width the whole image is the one cell, whatever the state.
    canvas_.Fill(kGrey);
    skin = Skin("<png/>");
    ASSERT_TRUE(skin->LoadFromFile(WritePng(L"two.png", {kRed, kBlue})))
        << "the two-cell strip did not load";
    EXPECT_EQ(8, skin->GetSkinSize().cx);
    skin->Draw(canvas_.dc(), RECT{1, 1, 2, 2}, 3);
    EXPECT_TRUE(PixelsAre(canvas_, [](int x, int y) {
        return Inside(x, y, RECT{1, 1, 9, 5}) ? (x < 5 ? kRed : kBlue) : kGrey;
    }));
}

TEST_F(PngStrip, ReloadingReplacesTheImageAndAFailedLoadLeavesNone) {
    auto skin = Skin("<png subwidth='4'/>");
    ASSERT_TRUE(skin->LoadFromFile(WritePng(L"a.png", {kRed}))) << "the first picture did not load";
    ASSERT_TRUE(skin->LoadFromFile(WritePng(L"b.png", {kGreen, kBlue})))
        << "the second picture did not load over the first";
    {
        Gdiplus::Graphics graphics(canvas_.dc());
        skin->DrawOnGraphics(&graphics, 0, 0, 30, 20, 1);
    }
    EXPECT_TRUE(AreaIs(canvas_, RECT{0, 0, 4, 4}, kBlue, kGrey));

    canvas_.Fill(kGrey);
    EXPECT_FALSE(skin->LoadFromFile(folder_.path() + L"\\missing.png")) << "a missing file loaded";
    skin->Draw(canvas_.dc(), RECT{0, 0, 30, 20}, 0);
    skin->StretchDraw(canvas_.dc(), RECT{0, 0, 30, 20}, 0);
    EXPECT_TRUE(AreaIs(canvas_, RECT{}, 0, kGrey));
    EXPECT_EQ(0, skin->GetSkinSize().cy);
}

}  // namespace
