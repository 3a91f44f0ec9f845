#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "BkImageWnd.h"
#include "BkPngPool.h"
#include "BkSkinResources.h"
#include "DialogTestSupport.h"
#include "DibCanvas.h"
#include "MsgBox.h"
#include "TempFolder.h"

namespace {

class MsgBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        BkPngPool::Instance();
        LoadSkinResources();
        CWndShadow::InstallShadowSupport(GetModuleHandleW(nullptr));
    }

    // Runs `box` modally over a grey owner; `step` runs once from its modal loop after it opened.
    INT_PTR Run(CMsgBox& box, const std::function<void(CMsgBox&)>& step) {
        return RunModalWithStep(box, owner_.hwnd(), [&] { step(box); });
    }

    OwnerWindow owner_{100, 100, 600, 450};
};

void ClickElement(CMsgBox& box, int id) {
    const RECT rect = box.GetView().FindElement(id)->GetRect();
    ClickAt(box.GetView().m_hWnd, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

struct Seen {
    int iconCell = -2;
    bool cancelVisible = false;
    bool confirmVisible = false;
};

Seen Look(CMsgBox& box) {
    Seen seen;
    seen.iconCell =
        static_cast<CBkImageWnd*>(box.GetView().FindElement(kMsgBoxIcon))->GetSubImage();
    seen.cancelVisible = box.GetView().FindElement(kMsgBoxCancel)->IsVisible(true);
    seen.confirmVisible = box.GetView().FindElement(kMsgBoxConfirm)->IsVisible(true);
    return seen;
}

TEST(MsgBoxLook, TypesChooseIconCellAndCancelButton) {
    const MsgBoxLook expected[] = {{0, 0}, {1, 0}, {2, 0}, {0, -1}, {3, 0}, {1, 1}, {0, 1}};
    for (int type = 0; type < 7; ++type) {
        EXPECT_EQ(expected[type].iconCell, LookOfType(type).iconCell) << type;
        EXPECT_EQ(expected[type].cancelShown, LookOfType(type).cancelShown) << type;
    }
    EXPECT_EQ(-1, LookOfType(7).iconCell);
    EXPECT_EQ(-1, LookOfType(-1).cancelShown);
}

// The shipped picture has a 96-pixel cell with a disc at its centre for every cell a type uses
// (type 4, success and notices, uses the fourth).
TEST_F(MsgBoxTest, EveryIconCellATypeUsesHasAPicture) {
    Gdiplus::Image* tips = GetPng(50);
    ASSERT_NE(nullptr, tips);
    Gdiplus::Bitmap bitmap(tips->GetWidth(), tips->GetHeight(), PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&bitmap);
        graphics.DrawImage(tips, 0, 0, tips->GetWidth(), tips->GetHeight());
    }
    for (int type = 0; type < 7; ++type) {
        const int cell = LookOfType(type).iconCell;
        ASSERT_LE(static_cast<UINT>((cell + 1) * 96), tips->GetWidth())
            << "type " << type << " uses icon cell " << cell << ", which the picture lacks";
        Gdiplus::Color centre;
        bitmap.GetPixel(cell * 96 + 48, 20, &centre);
        EXPECT_EQ(255, centre.GetA()) << "icon cell " << cell << " is empty at its disc";
    }
}

TEST_F(MsgBoxTest, EachTypeShowsItsIconCellAndButtonsAndConfirmReturnsOne) {
    const int cells[] = {0, 1, 2, 0, 3, 1, 0, 0};
    const bool cancels[] = {false, false, false, true, false, true, true, true};
    for (int type = 0; type < 8; ++type) {
        CMsgBox box(type, "message");
        Seen seen;
        const INT_PTR result = Run(box, [&](CMsgBox& b) {
            seen = Look(b);
            ClickElement(b, kMsgBoxConfirm);
        });
        EXPECT_EQ(1, result) << type;
        EXPECT_EQ(cells[type], seen.iconCell) << type;
        EXPECT_EQ(cancels[type], seen.cancelVisible) << type;
        EXPECT_TRUE(seen.confirmVisible) << type;
    }
}

TEST_F(MsgBoxTest, CancelAltF4AndTheCloseMessageReturnTwo) {
    CMsgBox cancel(5, "message");
    EXPECT_EQ(2, Run(cancel, [](CMsgBox& b) { ClickElement(b, kMsgBoxCancel); }));

    CMsgBox altF4(2, "message");
    EXPECT_EQ(2, Run(altF4,
                     [](CMsgBox& b) { PostMessageW(b.m_hWnd, WM_SYSKEYDOWN, VK_F4, 0x20000001); }));

    CMsgBox told(0, "message");
    EXPECT_EQ(2, Run(told, [](CMsgBox& b) { PostMessageW(b.m_hWnd, WM_MSGBOX_CLOSE, 0, 0); }));

    CMsgBox systemMenu(6, "message");
    EXPECT_EQ(
        2, Run(systemMenu, [](CMsgBox& b) { PostMessageW(b.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }));
}

TEST_F(MsgBoxTest, OpensWithTheMessageInItsTextSlotAShadowAndAnOpenWindowEntry) {
    CMsgBox box(2, "是否删除这张发票？");
    EXPECT_EQ(L"是否删除这张发票？", box.GetMessageText());
    RECT slot = {};
    HWND parent = nullptr;
    bool listed = false;
    bool shadowShown = false;
    HWND window = nullptr;
    HWND view = nullptr;
    Run(box, [&](CMsgBox& b) {
        window = b.m_hWnd;
        view = b.GetView().m_hWnd;
        const HWND text = b.GetTextWindow().m_hWnd;
        parent = GetParent(text);
        GetWindowRect(text, &slot);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&slot), 2);
        const std::vector<HWND> open = OpenWindows();
        listed = std::count(open.begin(), open.end(), b.m_hWnd) == 1;
        shadowShown = IsWindowVisible(b.GetShadow().GetShadowWindow()) != FALSE;
        b.EndDialog(1);
    });
    EXPECT_EQ(view, parent);
    EXPECT_EQ(150, slot.left);
    EXPECT_EQ(50, slot.top);
    EXPECT_EQ(370, slot.right);
    EXPECT_EQ(150, slot.bottom);
    EXPECT_TRUE(listed) << "the open box is not among the open windows";
    EXPECT_TRUE(shadowShown) << "the open box shows no shadow";
    const std::vector<HWND> open = OpenWindows();
    EXPECT_EQ(0, std::count(open.begin(), open.end(), window));
    EXPECT_EQ(0xFFFFFFFFu, box.GetTextWindow().GetBackgroundColor());
    EXPECT_EQ(0xFF3C3C3Cu, box.GetTextWindow().GetTextColor());
}

TEST_F(MsgBoxTest, ScreenshotsOfTypesTwoAndFive) {
    SetCursorPos(0, 0);
    const ShadowParams shadow = {12, 12, 33, 0, 0, 0};
    for (const int type : {2, 5}) {
        CMsgBox box(type, "发票已保存到桌面。是否现在打开文件所在的文件夹查看？");
        bool saved = false;
        const std::wstring file =
            ExecutableFolder() + L"..\\msgbox-type" + std::to_wstring(type) + L".png";
        Run(box, [&](CMsgBox& b) {
            RedrawWindow(b.m_hWnd, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            PumpMessages(300);
            saved = SaveWindowShot(b.m_hWnd, shadow, RGB(0xE0, 0xE0, 0xE0), 24, file);
            b.EndDialog(1);
        });
        EXPECT_TRUE(saved) << type;
    }
}

// Ink rows of a text drawing: rows with at least one pixel that is not the white background,
// grouped into bands of consecutive rows.
int InkBands(const DibCanvas& canvas, int* leftmost, int* rightmost) {
    int bands = 0;
    bool inBand = false;
    *leftmost = canvas.width();
    *rightmost = -1;
    for (int y = 0; y < canvas.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < canvas.width(); ++x) {
            if (canvas.Pixel(x, y) != 0xFFFFFF) {
                ink = true;
                *leftmost = std::min(*leftmost, x);
                *rightmost = std::max(*rightmost, x);
            }
        }
        bands += ink && !inBand ? 1 : 0;
        inBand = ink;
    }
    return bands;
}

int FirstInkRow(const DibCanvas& canvas) {
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (canvas.Pixel(x, y) != 0xFFFFFF) {
                return y;
            }
        }
    }
    return -1;
}

TEST_F(MsgBoxTest, LongMessageWrapsInsideTheTextSlot) {
    std::wstring message;
    while (message.size() < 300) {
        message += L"请确认发票信息无误后再提交。";
    }
    message.resize(300);
    const HWND parent = owner_.hwnd();
    for (const int alignment : {1, 0}) {
        SCOPED_TRACE("line alignment " + std::to_string(alignment));
        CMyText text;
        ASSERT_TRUE(text.Create(parent, 15000)) << "the text element was not created";
        SetWindowPos(text.m_hWnd, nullptr, 0, 0, 220, 400, SWP_NOZORDER);
        text.SetText(message);
        text.SetAlignment(0, alignment);
        DibCanvas canvas(220, 400, 0x123456);
        SendMessageW(text.m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()),
                     PRF_CLIENT);
        int left = 0, right = 0;
        const int bands = InkBands(canvas, &left, &right);
        EXPECT_GE(bands, 10) << "too few lines";
        EXPECT_LT(left, 20) << "the lines do not start at the slot's left";
        EXPECT_GT(right, 180) << "the lines do not reach across the slot";
    }
}

TEST_F(MsgBoxTest, LongMessageWrapsInsideTheOpenBox) {
    std::string message;
    while (message.size() < 600) {
        message += "请确认发票信息无误后再提交。";  // 2 bytes a character in code page 936
    }
    message.resize(600);
    CMsgBox box(0, message);
    EXPECT_EQ(300u, box.GetMessageText().size());
    int bands = 0, left = 0, right = 0, top = -1;
    Run(box, [&](CMsgBox& b) {
        DibCanvas canvas(220, 100, 0x123456);
        SendMessageW(b.GetTextWindow().m_hWnd, WM_PRINTCLIENT,
                     reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
        bands = InkBands(canvas, &left, &right);
        top = FirstInkRow(canvas);
        b.EndDialog(1);
    });
    // Far more than fits: the slot is filled from the message's first line down.
    EXPECT_GE(bands, 4);
    EXPECT_GE(top, 0);
    EXPECT_LT(top, 8);
    EXPECT_LT(left, 20);
    EXPECT_GT(right, 180);
}

TEST(TextLayout, CharactersWrapBeforeTheEdgeAndAtLineBreaks) {
    const std::wstring text = L"abcd\nef";
    const std::vector<float> widths(text.size(), 9.0f);
    const std::vector<TextCell> cells = LayoutCharacters(text, widths, 25.0f, 21.0f);
    ASSERT_EQ(6u, cells.size());
    EXPECT_EQ(0.0f, cells[0].x);
    EXPECT_EQ(10.0f, cells[1].x);
    EXPECT_EQ(0.0f, cells[2].x);  // 20 + 9 would end past 25
    EXPECT_EQ(21.0f, cells[2].y);
    EXPECT_EQ(10.0f, cells[3].x);
    EXPECT_EQ(5u, cells[4].index);  // the line break is not drawn
    EXPECT_EQ(0.0f, cells[4].x);
    EXPECT_EQ(42.0f, cells[4].y);
    for (const TextCell& cell : cells) {
        EXPECT_LE(cell.x + widths[cell.index], 25.0f)
            << "character " << cell.index << " ends past the line's edge";
    }
}

TEST(TextLayout, ACharacterWiderThanTheLineStaysOnItsOwnLine) {
    const std::wstring text = L"WWW";
    const std::vector<TextCell> cells = LayoutCharacters(text, {30, 30, 30}, 20.0f, 10.0f);
    ASSERT_EQ(3u, cells.size());
    EXPECT_EQ(0.0f, cells[0].y);
    EXPECT_EQ(10.0f, cells[1].y);
    EXPECT_EQ(20.0f, cells[2].y);
    EXPECT_TRUE(LayoutCharacters(L"", {}, 20.0f, 10.0f).empty())
        << "an empty text laid out characters";
}

}  // namespace
