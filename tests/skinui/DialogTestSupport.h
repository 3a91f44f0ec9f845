#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "BkDialogImpl.h"
#include "MessagePump.h"
#include "RegionOutline.h"

// Puts the cursor over client point (x, y) of `window` and sends it a mouse message there, as the
// system does for real input.
void SendMouse(HWND window, UINT message, int x, int y, WPARAM keys = 0);
// Move, press and release at (x, y).
void ClickAt(HWND window, int x, int y);

// A plain top-level window to own skinned windows.
class OwnerWindow {
public:
    OwnerWindow(int x, int y, int width, int height, COLORREF color = RGB(0xE0, 0xE0, 0xE0));
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND hwnd() const { return window_; }

private:
    std::wstring className_;
    HWND window_;
    HBRUSH brush_;
};

// Runs `dialog` modally over `owner`. `step` runs once from its modal loop after it opened, and may
// queue a further step with QueueStep; a safety timer ends a run that is still going after 30 s
// with -1.
INT_PTR RunModalWithStep(CBkDialogBase& dialog, HWND owner, std::function<void()> step);
void QueueStep(std::function<void()> step);

// Writes a PNG of `window` as a desktop that blends layered windows shows it: the window's pixels
// (inside its window region) read from the screen, over its drop shadow blended onto `backdrop`,
// with `margin` pixels around it. The test display has no compositor, so the shadow window's
// alpha is applied here, from the same image computation the shadow window uses.
bool SaveWindowShot(HWND window, const ShadowParams& shadow, COLORREF backdrop, int margin,
                    const std::wstring& path);

// A notification a skinned window received.
struct SeenCommand {
    UINT code;
    UINT_PTR idFrom;
    HWND from;
    int id;
    std::string elementClass;
};

// A skinned window for tests: its layout comes from a string, it records notifications and
// system commands (swallowing the move / maximise / restore ones so no system loop starts), and
// it runs `script` once shown when it runs modally.
class TestDialog : public CBkDialogImpl<TestDialog> {
public:
    static const wchar_t* GetWndClassName() { return L"TesselTestDialog"; }

    explicit TestDialog(const std::string& xml, int width = 0, int height = 0);

    std::vector<SeenCommand> seen;
    std::vector<WPARAM> sysCommands;
    std::function<void(TestDialog&)> onInit;
    std::function<void(TestDialog&)> script;
    // Ends the modal run with the clicked element's id.
    bool endOnCommand = false;
    // Answers tab controls' page-change notifications with "cancel".
    bool refusePageChange = false;

    // Ids of the BKNM_COMMAND notifications seen so far.
    std::vector<int> CommandIds() const;
    HWND view() { return GetView().m_hWnd; }

    BK_BEGIN_MSG_MAP(TestDialog)
    BK_MESSAGE_HANDLER(WM_NOTIFY, OnNotify)
    BK_MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    BK_MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    BK_MESSAGE_HANDLER(WM_TIMER, OnTimer)
    BK_CHAIN_MSG_MAP(CBkDialogImpl<TestDialog>)
    BK_END_MSG_MAP()

private:
    LRESULT OnNotify(UINT, WPARAM, LPARAM lParam);
    LRESULT OnSysCommand(UINT, WPARAM wParam, LPARAM);
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM);
    LRESULT OnTimer(UINT, WPARAM wParam, LPARAM);
};
