#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "BkPngPool.h"
#include "BkSkinPool.h"
#include "BkSkinResources.h"
#include "BkString.h"
#include "ColourDistance.h"
#include "DibCanvas.h"
#include "TempFolder.h"

namespace {

struct Row {
    const char* skin;
    std::vector<int> states;
    SIZE cell;
};

// Every shipped skin: image strips by cell (-1 the whole strip), buttons by state bits.
const std::vector<Row>& ShippedRows() {
    static const std::vector<Row> rows = {
        {"btnSysClose", {-1, 0, 1, 2, 3}, {36, 12}},
        {"btnSysMin", {-1, 0, 1, 2, 3}, {36, 12}},
        {"btnSysMax", {-1, 0, 1, 2, 3}, {36, 12}},
        {"imgMsgBoxTips", {0, 1, 2, 3}, {96, 96}},
        {"btnRoundRect1", {0x00, 0x01, 0x02, 0x10, 0x11}, {80, 28}},
        {"btnRoundRect2", {0x00, 0x01, 0x02, 0x10, 0x11}, {80, 28}},
    };
    return rows;
}

constexpr int kGap = 12;
constexpr DWORD kBackdrop = 0x5A6E8C;

class ShippedSkins : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        BkPngPool::Instance();
        LoadSkinResources();
    }

    // Draws one skin in one state with its cell's top-left at (x, y).
    static void DrawAt(HDC dc, const char* name, int state, int x, int y, SIZE cell) {
        const RECT rect = {x, y, x + cell.cx, y + cell.cy};
        GetSkin(name)->Draw(dc, rect, state);
    }
};

}  // namespace

TEST_F(ShippedSkins, ContactSheetShowsEverySkinInEveryState) {
    int width = 0;
    int height = kGap;
    for (const Row& row : ShippedRows()) {
        const int rowWidth = static_cast<int>(row.states.size() * (row.cell.cx + kGap) + kGap);
        width = std::max(width, rowWidth);
        height += static_cast<int>(row.cell.cy) + kGap;
    }
    DibCanvas sheet(width, height, kBackdrop);
    int y = kGap;
    for (const Row& row : ShippedRows()) {
        ASSERT_NE(nullptr, GetSkin(row.skin)) << row.skin;
        int x = kGap;
        for (const int state : row.states) {
            DrawAt(sheet.dc(), row.skin, state, x, y, row.cell);
            x += row.cell.cx + kGap;
        }
        y += row.cell.cy + kGap;
    }
    const std::wstring file = ExecutableFolder() + L"..\\skin-contact-sheet.png";
    EXPECT_TRUE(sheet.SavePng(file)) << "the contact sheet could not be saved";
    EXPECT_FALSE(ReadFileBytes(file).empty()) << "the saved contact sheet is empty";
}

TEST_F(ShippedSkins, ConfirmButtonIsFilledRedAndDarkerWhenActive) {
    DibCanvas canvas(80, 28, 0xFFFFFF);
    const SIZE size = {80, 28};
    for (const auto& [state, fill] : {std::pair<int, DWORD>{0x00, 0xE73C3C},
                                      {0x01, 0xBF0A11},
                                      {0x02, 0xBF0A11},
                                      {0x10, 0xCCCCCC}}) {
        DrawAt(canvas.dc(), "btnRoundRect2", state, 0, 0, size);
        EXPECT_EQ(fill, canvas.Pixel(40, 14)) << "fill in state 0x" << std::hex << state;
    }
}

TEST_F(ShippedSkins, CancelButtonIsWhiteWithARedBorderAndTranslucentWhenActive) {
    DibCanvas canvas(80, 28, 0xFFFFFF);
    const SIZE size = {80, 28};
    DrawAt(canvas.dc(), "btnRoundRect1", 0x00, 0, 0, size);
    EXPECT_EQ(0xFFFFFFu, canvas.Pixel(40, 14));
    EXPECT_LE(ColourDistance(canvas.Pixel(40, 0), 0xF25435), 40)
        << "the border is not red: 0x" << std::hex << canvas.Pixel(40, 0);

    DrawAt(canvas.dc(), "btnRoundRect1", 0x01, 0, 0, size);
    // 0x40 of F25435 over white.
    EXPECT_LE(ColourDistance(canvas.Pixel(40, 14), 0xFCD4CC), 2)
        << "the active fill is not the translucent red: 0x" << std::hex << canvas.Pixel(40, 14);
}

TEST_F(ShippedSkins, CaptionButtonsHaveThreeCellsAndNoDisabledCell) {
    for (const char* name : {"btnSysClose", "btnSysMin", "btnSysMax"}) {
        DibCanvas canvas(12, 12, kBackdrop);
        DrawAt(canvas.dc(), name, 3, 0, 0, {12, 12});
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 12; ++x) {
                ASSERT_EQ(kBackdrop, canvas.Pixel(x, y)) << name << " draws nothing for cell 3";
            }
        }
        DibCanvas hover(12, 12, kBackdrop);
        DrawAt(hover.dc(), name, 1, 0, 0, {12, 12});
        EXPECT_NE(kBackdrop, hover.Pixel(1, 6)) << name << " hover cell has a backing";
    }
}

TEST_F(ShippedSkins, WindowTitleTextIsTessel) {
    ASSERT_NE(nullptr, GetString(1));
    EXPECT_EQ(L"Tessel", *GetString(1));
}
