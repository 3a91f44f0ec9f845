#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "MainDlg.h"
#include "Processes.h"
#include "TempFolder.h"

namespace {

// A started copy of the program; ended at scope end if it is still running.
class Program : public ChildProcess {
public:
    explicit Program(const std::wstring& arguments = L"")
        : ChildProcess(L"\"" + ExecutableFolder() + L"Tessel.exe\" " + arguments) {}
};

struct Marked {
    int count = 0;
    HWND window = nullptr;
};

BOOL CALLBACK CountMarked(HWND window, LPARAM found) {
    if (GetPropW(window, kInstanceMarker) == reinterpret_cast<HANDLE>(1)) {
        auto* marked = reinterpret_cast<Marked*>(found);
        ++marked->count;
        marked->window = window;
    }
    return TRUE;
}

Marked FindMarked() {
    Marked marked;
    EnumWindows(CountMarked, reinterpret_cast<LPARAM>(&marked));
    return marked;
}

bool WaitForMarked(DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (FindMarked().count > 0) {
            return true;
        }
        Sleep(100);
    }
    return false;
}

// The task-kill commands of a closed program can still be running after it ended: a start made
// then would be ended by them.
void WaitForTaskKills() {
    for (int waited = 0; CountProcesses(L"taskkill.exe") > 0 && waited < 30000; waited += 50) {
        Sleep(50);
    }
    ASSERT_EQ(0, CountProcesses(L"taskkill.exe")) << "a task-kill command is still running";
}

TEST(Program, ASubProcessRoleEndsWithTheLibrarysCodeAndNoWindow) {
    Program renderer(L"--type=renderer");
    ASSERT_TRUE(renderer.started());
    ASSERT_TRUE(renderer.Ended(60000));
    EXPECT_EQ(0u, renderer.ExitCode());
    EXPECT_EQ(0, FindMarked().count);
}

TEST(Program, OneMainWindowASecondStartEndsAndTheCloseCommandEndsTheProgram) {
    Program first;
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(WaitForMarked(60000));
    const Marked marked = FindMarked();
    DWORD owner = 0;
    GetWindowThreadProcessId(marked.window, &owner);
    EXPECT_EQ(first.Id(), owner);
    wchar_t title[32] = {};
    GetWindowTextW(marked.window, title, 32);
    EXPECT_STREQ(L"Tessel", title);

    ShowWindow(marked.window, SW_MINIMIZE);
    Program second;
    ASSERT_TRUE(second.started());
    ASSERT_TRUE(second.Ended(60000));
    EXPECT_EQ(0u, second.ExitCode());
    EXPECT_EQ(1, FindMarked().count);
    EXPECT_FALSE(IsIconic(marked.window)) << "the running window is restored";

    PostMessageW(marked.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(first.Ended(60000));
    EXPECT_EQ(0, FindMarked().count);
}

// The close path ends every process of the program with the system's task-kill command, so a start
// made while it runs is ended with it. Once the closing window has let go of its mark, no start
// hands over to it: a start after the program has gone opens a window of its own.
TEST(Program, AClosingWindowIsNoLongerHandedOverToAndANewStartTakesOver) {
    WaitForTaskKills();
    Program first;
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(WaitForMarked(60000));
    const HWND closing = FindMarked().window;
    PostMessageW(closing, WM_SYSCOMMAND, SC_CLOSE, 0);
    for (int waited = 0; IsWindow(closing) && FindMarked().count > 0 && waited < 60000;
         waited += 10) {
        Sleep(10);
    }
    EXPECT_EQ(0, FindMarked().count) << "the closing window still says it is the running one";
    ASSERT_TRUE(first.Ended(60000));
    WaitForTaskKills();
    Program second;
    ASSERT_TRUE(second.started());
    ASSERT_TRUE(WaitForMarked(60000)) << "the start made after the program ended showed nothing";
    const Marked marked = FindMarked();
    DWORD owner = 0;
    GetWindowThreadProcessId(marked.window, &owner);
    EXPECT_EQ(second.Id(), owner);
    PostMessageW(marked.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(second.Ended(60000));
}

TEST(Program, TwoStartsAtOnceOpenOneMainWindow) {
    WaitForTaskKills();
    Program first;
    Program second;
    ASSERT_TRUE(first.started() && second.started());
    const HANDLE both[] = {first.Handle(), second.Handle()};
    const DWORD ended = WaitForMultipleObjects(2, both, FALSE, 60000);
    ASSERT_LT(ended - WAIT_OBJECT_0, 2u) << "neither start ended: both went on to a main window";
    const Program& gone = ended == WAIT_OBJECT_0 ? first : second;
    const Program& running = ended == WAIT_OBJECT_0 ? second : first;
    EXPECT_EQ(0u, gone.ExitCode());
    ASSERT_TRUE(WaitForMarked(60000));
    // Long enough for a second window to appear if the other start made one after all.
    Sleep(3000);
    const Marked marked = FindMarked();
    EXPECT_EQ(1, marked.count) << "two starts made two main windows";
    DWORD owner = 0;
    GetWindowThreadProcessId(marked.window, &owner);
    EXPECT_EQ(running.Id(), owner);

    PostMessageW(marked.window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(running.Ended(60000));
}

}  // namespace
