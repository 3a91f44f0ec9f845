// The whole program as a user meets it: Tessel.exe with the real browser engine, showing the demo
// service's start page, driven only from outside: mouse clicks at the controls' places in its
// windows, results read from the page (through the service), the desktop folder, the skinned
// message boxes and the daily log.
#include <windows.h>

#include <cjson/cJSON.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CodePage.h"
#include "HttpTransfer.h"
#include "MainDlg.h"
#include "ShellFolderRedirect.h"
#include "Processes.h"
#include "TempFolder.h"
#include "VisibleWindows.h"

namespace {

std::string DemoUrl(const std::string& path) {
    return "http://127.0.0.1:" + ReadFileBytes(ExecutableFolder() + L"..\\demo.port") + path;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(100);
    }
    return true;
}

struct JsonDeleter {
    void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using Json = std::unique_ptr<cJSON, JsonDeleter>;

Json FetchJson(const std::string& path) {
    std::string body;
    return Json(FetchToString(DemoUrl(path), body) == 0 ? cJSON_Parse(body.c_str()) : nullptr);
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM visit) {
    (*reinterpret_cast<const std::function<void(HWND)>*>(visit))(window);
    return TRUE;
}

// Every top-level window (parent null) or every descendant of `parent`.
void ForEachWindow(HWND parent, const std::function<void(HWND)>& visit) {
    const LPARAM data = reinterpret_cast<LPARAM>(&visit);
    if (parent) {
        EnumChildWindows(parent, VisitWindow, data);
    } else {
        EnumWindows(VisitWindow, data);
    }
}

// A click at a point of a window, delivered to the innermost window there as the mouse's
// messages (posted: the system's input goes to whichever window has the focus on the test display).
void PressAt(HWND window, int x, int y, bool right = false) {
    POINT at{x, y};
    for (HWND child;
         (child = ChildWindowFromPointEx(window, at, CWP_SKIPINVISIBLE)) && child != window;) {
        MapWindowPoints(window, child, &at, 1);
        window = child;
    }
    const LPARAM point = MAKELPARAM(at.x, at.y);
    PostMessageW(window, WM_MOUSEMOVE, 0, point);
    PostMessageW(window, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON,
                 point);
    PostMessageW(window, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, point);
}

HWND FindChildOfClass(HWND parent, const wchar_t* className) {
    HWND found = nullptr;
    ForEachWindow(parent, [&](HWND child) {
        if (!found && HasClassName(child, className)) {
            found = child;
        }
    });
    return found;
}

// The program's visible top-level windows of a message box's size other than its main window.
std::vector<HWND> MessageBoxes(DWORD process, HWND main) {
    return VisibleWindowsOf(process, [main](HWND window) {
        RECT client = {};
        GetClientRect(window, &client);
        return window != main && client.right == 400 && client.bottom == 250;
    });
}

std::wstring TextOfBox(HWND box) {
    std::wstring text;
    ForEachWindow(box, [&](HWND child) {
        wchar_t buffer[512] = {};
        GetWindowTextW(child, buffer, 512);
        text += buffer;
    });
    return text;
}

// The program's open save dialog, if any.
HWND SaveDialog(DWORD process) {
    return FindVisibleWindowOf(process,
                               [](HWND window) { return HasClassName(window, L"#32770"); });
}

// The program's browser windows, in every top-level window.
std::vector<HWND> PageWindows(DWORD process) {
    std::vector<HWND> views;
    ForEachWindow(nullptr, [&](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != process) {
            return;
        }
        const auto take = [&](HWND candidate) {
            if (HasClassName(candidate, L"TesselChromiumView")) {
                views.push_back(candidate);
            }
        };
        take(window);  // a popup's browser window is a top-level window of its own
        ForEachWindow(window, take);
    });
    return views;
}

constexpr wchar_t kSiblingFolder[] = L"C:\\Program Files (x86)\\Kestrel";

class EndToEndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The sibling program the main window starts: a program that runs until it is ended.
        CreateDirectoryW(L"C:\\Program Files (x86)", nullptr);
        CreateDirectoryW(kSiblingFolder, nullptr);
        CopyFileW((ExecutableFolder() + L"install_waiter.exe").c_str(),
                  (std::wstring(kSiblingFolder) + L"\\Kestrel.exe").c_str(), FALSE);
        desktop_ = new TempFolder();
        documents_ = new TempFolder();
        desktopRedirect_ = new ShellFolderRedirect(L"Desktop", desktop_->path());
        documentsRedirect_ = new ShellFolderRedirect(L"Personal", documents_->path());
        const std::wstring proxy = Utf8ToWide(DemoUrl(""));
        SetEnvironmentVariableW(L"http_proxy", proxy.c_str());
        SetEnvironmentVariableW(L"no_proxy", L"127.0.0.1,localhost");
        SetEnvironmentVariableW(L"TESSEL_BROWSER", L"chromium");
        std::wstring command = L"\"" + ExecutableFolder() + L"Tessel.exe\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, &process_) != FALSE;
    }

    static void TearDownTestSuite() {
        if (started_) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_.hProcess, 1);
                WaitForSingleObject(process_.hProcess, 10000);
            }
            CloseHandle(process_.hThread);
            CloseHandle(process_.hProcess);
        }
        // Wine's TASKKILL does not find processes by image name here; what it leaves, the test
        // ends, so that nothing outlives the run.
        EndProcesses(L"Kestrel.exe");
        DeleteFileW((std::wstring(kSiblingFolder) + L"\\Kestrel.exe").c_str());
        RemoveDirectoryW(kSiblingFolder);
        delete documentsRedirect_;
        delete desktopRedirect_;
        delete documents_;
        delete desktop_;
    }

    void SetUp() override {
        ASSERT_TRUE(started_) << "Tessel.exe starts";
        ASSERT_TRUE(WaitUntil([] { return MainWindow() != nullptr; }, 120000))
            << "the main window opens";
        main_ = MainWindow();
        ASSERT_TRUE(WaitUntil(
            [&] { return (view_ = FindChildOfClass(main_, L"TesselChromiumView")); }, 60000))
            << "the browser window is in the main window";
        ASSERT_TRUE(WaitUntil(
            [&] {
                const Json positions = FetchJson("/positions.json");
                const cJSON* viewport =
                    cJSON_GetObjectItemCaseSensitive(positions.get(), "viewport");
                RECT client = {};
                GetClientRect(view_, &client);
                return cJSON_GetArraySize(viewport) == 2 &&
                       cJSON_GetArrayItem(viewport, 0)->valueint == client.right &&
                       cJSON_GetArrayItem(viewport, 1)->valueint == client.bottom;
            },
            120000))
            << "the demo's start page loads and reports where its controls are in a window of "
               "the browser window's size";
        SetForegroundWindow(main_);
    }

    static HWND MainWindow() {
        HWND found = nullptr;
        ForEachWindow(nullptr, [&](HWND window) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process_.dwProcessId && GetPropW(window, kInstanceMarker)) {
                found = window;
            }
        });
        return found;
    }

    // Clicks the start page's control with this data-test name where the page laid it out.
    void ClickControl(const char* name) {
        const Json positions = FetchJson("/positions.json");
        const cJSON* at = cJSON_GetObjectItemCaseSensitive(positions.get(), name);
        ASSERT_EQ(2, cJSON_GetArraySize(at)) << "the page has a control " << name;
        PressAt(view_, cJSON_GetArrayItem(at, 0)->valueint, cJSON_GetArrayItem(at, 1)->valueint);
    }

    std::string PageResult(const char* cell) {
        const Json results = FetchJson("/results.json");
        const cJSON* text = cJSON_GetObjectItemCaseSensitive(results.get(), cell);
        return cJSON_IsString(text) ? text->valuestring : std::string();
    }

    // Waits for the save dialog, types `path` into its name box (unless empty: the proposal
    // stands) and presses its Save button.
    bool SaveInDialog(const std::wstring& path) {
        HWND dialog = nullptr;
        if (!WaitUntil([&] { return (dialog = SaveDialog(process_.dwProcessId)) != nullptr; },
                       60000)) {
            return false;
        }
        HWND nameBox = GetDlgItem(dialog, edt1);
        if (!nameBox) {
            nameBox = FindChildOfClass(GetDlgItem(dialog, cmb13), L"Edit");
        }
        if (!nameBox) {
            return false;
        }
        if (!path.empty()) {
            SendMessageW(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        }
        const HWND save = GetDlgItem(dialog, IDOK);
        RECT button;
        GetClientRect(save, &button);
        PressAt(save, button.right / 2, button.bottom / 2);
        return true;
    }

    // Waits for a message box, reads it and closes it with its confirm button.
    std::wstring ConfirmMessageBox() {
        std::vector<HWND> boxes;
        if (!WaitUntil([&] { return !(boxes = MessageBoxes(process_.dwProcessId, main_)).empty(); },
                       60000)) {
            return L"(no message box)";
        }
        const std::wstring text = TextOfBox(boxes[0]);
        PressAt(boxes[0], 400 - 60, 250 - 28);  // the confirm button of the box's layout
        const HWND box = boxes[0];
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 30000))
            << "the confirm button closes the box";
        return text;
    }

    static TempFolder* desktop_;
    static TempFolder* documents_;
    static ShellFolderRedirect* desktopRedirect_;
    static ShellFolderRedirect* documentsRedirect_;
    static PROCESS_INFORMATION process_;
    static bool started_;
    HWND main_ = nullptr;
    HWND view_ = nullptr;
};

TempFolder* EndToEndTest::desktop_ = nullptr;
TempFolder* EndToEndTest::documents_ = nullptr;
ShellFolderRedirect* EndToEndTest::desktopRedirect_ = nullptr;
ShellFolderRedirect* EndToEndTest::documentsRedirect_ = nullptr;
PROCESS_INFORMATION EndToEndTest::process_ = {};
bool EndToEndTest::started_ = false;

TEST_F(EndToEndTest, DownExecelButtonSavesTheFileOnTheDesktopAndThePageShowsTheResult) {
    ClickControl("xlsx0");
    ASSERT_TRUE(WaitUntil([&] { return !PageResult("result0").empty(); }, 60000))
        << "the page shows DownExecel's result";
    EXPECT_EQ("{\"code\":\"0\",\"msg\":\"\xe6\x88\x90\xe5\x8a\x9f\"}", PageResult("result0"));
    TempFolder reference;
    ASSERT_EQ(0, DownloadToFile(DemoUrl("/files/invoice-04400211.xlsx"),
                                reference.narrowPath() + "\\served.xlsx"));
    const std::string served = ReadFileBytes(reference.path() + L"\\served.xlsx");
    const std::string saved = ReadFileBytes(desktop_->path() +
                                            L"\\\x53d1\x7968"
                                            L"04400211.xlsx");
    EXPECT_GT(served.size(), 1000u);
    EXPECT_TRUE(served == saved) << "the desktop file is the service's file, byte for byte ("
                                 << saved.size() << " bytes saved, " << served.size() << " served)";
}

TEST_F(EndToEndTest, ANameThatLeavesTheDesktopIsRefused) {
    ClickControl("badName");
    ASSERT_TRUE(WaitUntil([&] { return !PageResult("badResult").empty(); }, 60000))
        << "the page shows no result for the refused name";
    EXPECT_EQ(0u, PageResult("badResult").find("{\"code\":\"1\""))
        << "refused with the failure result: " << PageResult("badResult");
    const std::wstring parent = desktop_->path().substr(0, desktop_->path().rfind(L'\\') + 1);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((parent + L"escape.xlsx").c_str()))
        << "nothing is written beside the desktop";
}

TEST_F(EndToEndTest, ANewWindowSpreadsheetIsNumberedOnTheDesktop) {
    const std::wstring name = L"\x53d1\x7968\x6e05\x5355";  // the link's file name, decoded
    ClickControl("blankXlsx");
    EXPECT_EQ(L"\x6587\x4ef6\x5df2\x4e0b\x8f7d\x5230\x684c\x9762 - " + name + L".xlsx",
              ConfirmMessageBox());
    ClickControl("blankXlsx");
    EXPECT_EQ(L"\x6587\x4ef6\x5df2\x4e0b\x8f7d\x5230\x684c\x9762 - " + name + L"(1).xlsx",
              ConfirmMessageBox());
    const std::string first = ReadFileBytes(desktop_->path() + L"\\" + name + L".xlsx");
    EXPECT_GT(first.size(), 1000u) << "the spreadsheet is on the desktop";
    EXPECT_TRUE(first == ReadFileBytes(desktop_->path() + L"\\" + name + L"(1).xlsx"))
        << "and its numbered copy";
}

TEST_F(EndToEndTest, TheDataToolIsFetchedOnceAndThenFoundOnTheDesktop) {
    const std::wstring name = L"\x6570\x636e\x91c7\x96c6\x5de5\x5177 V2.5.1.zip";
    ClickControl("dataTool");
    EXPECT_EQ(L"\x6587\x4ef6\x5df2\x4e0b\x8f7d\x5230\x684c\x9762 - " + name, ConfirmMessageBox());
    TempFolder reference;
    ASSERT_EQ(0, DownloadToFile("http://download.tesselfp.cn/ufdatatransfer/2.5.1/setup.zip",
                                reference.narrowPath() + "\\setup.zip"));
    const std::string installer = ReadFileBytes(desktop_->path() + L"\\" + name);
    EXPECT_GT(installer.size(), 100u);
    EXPECT_TRUE(installer == ReadFileBytes(reference.path() + L"\\setup.zip"))
        << "the installer on the desktop is the service's";
    ClickControl("dataTool");
    EXPECT_EQ(L"\x6587\x4ef6\x5df2\x7ecf\x5b58\x5728\x684c\x9762 - " + name, ConfirmMessageBox())
        << "a second click finds it on the desktop";
}

TEST_F(EndToEndTest, TheReportIsSavedWhereTheSaveDialogSays) {
    ClickControl("report");
    const std::wstring chosen = desktop_->path() + L"\\\x4f53\x68c0\x62a5\x544a";
    ASSERT_TRUE(SaveInDialog(chosen)) << "no save dialog to type the report's name into";
    EXPECT_EQ(L"\x4fdd\x5b58\x6210\x529f", ConfirmMessageBox());
    const std::string report = ReadFileBytes(chosen + L".pdf");
    EXPECT_EQ(0u, report.find("%PDF-")) << "the report is saved with .pdf added";
}

TEST_F(EndToEndTest, APlainDownloadLinkSavesWhereTheDialogProposes) {
    ClickControl("guide");
    ASSERT_TRUE(SaveInDialog(L"")) << "the browser's own download asks where to save";
    const std::wstring saved = documents_->path() + L"\\\x4f7f\x7528\x8bf4\x660e.txt";
    TempFolder reference;
    ASSERT_EQ(0, DownloadToFile(DemoUrl("/public/guide.txt"), reference.narrowPath() + "\\g.txt"));
    const std::string served = ReadFileBytes(reference.path() + L"\\g.txt");
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(saved) == served; }, 60000))
        << "the link's file is in the documents folder under its suggested name";
}

TEST_F(EndToEndTest, ANewWindowPdfGoesToTheDesktop) {
    ClickControl("blankPdf");
    EXPECT_EQ(L"\x6587\x4ef6\x5df2\x4e0b\x8f7d\x5230\x684c\x9762 - summary-2026-11.pdf",
              ConfirmMessageBox());
    EXPECT_EQ(0u, ReadFileBytes(desktop_->path() + L"\\summary-2026-11.pdf").find("%PDF-"));
}

TEST_F(EndToEndTest, AWindowWithFeaturesOpensAsItsOwnWindow) {
    const int before = static_cast<int>(PageWindows(process_.dwProcessId).size());
    ClickControl("notice");
    ASSERT_TRUE(WaitUntil(
        [&] { return static_cast<int>(PageWindows(process_.dwProcessId).size()) == before + 1; },
        60000))
        << "a second browser window opens";
    ASSERT_TRUE(WaitUntil(
        [] {
            const Json log = FetchJson("/log.json");
            const cJSON* entry;
            cJSON_ArrayForEach(entry, log.get()) {
                const cJSON* path = cJSON_GetObjectItemCaseSensitive(entry, "path");
                if (cJSON_IsString(path) && std::string(path->valuestring) == "/notice") {
                    return true;
                }
            }
            return false;
        },
        60000))
        << "and loads the announcement from the service";
    for (HWND view : PageWindows(process_.dwProcessId)) {
        const HWND top = GetAncestor(view, GA_ROOT);
        if (top != main_) {
            PostMessageW(top, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
    }
    EXPECT_TRUE(WaitUntil(
        [&] { return static_cast<int>(PageWindows(process_.dwProcessId).size()) == before; },
        30000))
        << "the popup closes";
}

TEST_F(EndToEndTest, TheContextMenuOpensDevToolsInAWindowOfItsOwn) {
    const size_t before = PageWindows(process_.dwProcessId).size();
    RECT page;
    GetClientRect(view_, &page);
    PressAt(view_, page.right - 40, page.bottom - 40, true);  // empty page, below the content
    HWND menuWindow = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            return (menuWindow = FindWindowW(L"#32768", nullptr)) && IsWindowVisible(menuWindow);
        },
        30000))
        << "the context menu opens";
    // The program's DevTools entry is the menu's last: the user goes there with the keyboard.
    for (WPARAM key : {VK_UP, VK_RETURN}) {
        PostMessageW(menuWindow, WM_KEYDOWN, key, 1);
        PostMessageW(menuWindow, WM_KEYUP, key, 0xC0000001);
        Sleep(200);
    }
    HWND devToolsWindow = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (HWND view : PageWindows(process_.dwProcessId)) {
                wchar_t title[32] = {};
                GetWindowTextW(GetAncestor(view, GA_ROOT), title, 32);
                if (wcscmp(title, L"DevTools") == 0) {
                    devToolsWindow = GetAncestor(view, GA_ROOT);
                }
            }
            return devToolsWindow != nullptr;
        },
        60000))
        << "a DevTools window opens";
    EXPECT_EQ(before + 1, PageWindows(process_.dwProcessId).size());
    PostMessageW(devToolsWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(
        WaitUntil([&] { return PageWindows(process_.dwProcessId).size() == before; }, 30000))
        << "and closes again";
}

// Last: it ends the program.
TEST_F(EndToEndTest, TheCloseButtonEndsTheProgramAndLogsIt) {
    const auto closingLines = [] {
        int count = 0;
        for (const auto& name : FileNames(ExecutableFolder() + L"_OrvanLog")) {
            const std::string log = ReadFileBytes(ExecutableFolder() + L"_OrvanLog\\" + name);
            for (size_t at = log.find("endDialog"); at != std::string::npos;
                 at = log.find("endDialog", at + 1)) {
                ++count;
            }
        }
        return count;
    };
    const int before = closingLines();
    EXPECT_TRUE(WaitUntil([] { return CountProcesses(L"Kestrel.exe") == 1; }, 10000))
        << "the sibling program runs beside the main window";
    RECT client;
    GetClientRect(main_, &client);
    PressAt(main_, client.right - 22, 15);  // the close button of the window's layout
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process_.hProcess, 60000)) << "the program ended";
    EXPECT_EQ(before + 1, closingLines()) << "the daily log has the closing line";
}

}  // namespace
