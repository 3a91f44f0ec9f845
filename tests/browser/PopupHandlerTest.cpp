#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "BkImageWnd.h"
#include "BkPngPool.h"
#include "BkSkinResources.h"
#include "CodePage.h"
#include "ListenerRecord.h"
#include "LogFile.h"
#include "MessagePump.h"
#include "MsgBox.h"
#include "PopupHandler.h"
#include "UrlDecode.h"
#include "ShellFolderRedirect.h"
#include "TempFolder.h"
#include "TestServer.h"
#include "VisibleWindows.h"

namespace {

constexpr int kNoticeBox = 4;
constexpr int kFailureBox = 2;
const char kUnreachable[] = "http://127.0.0.1:1";
const wchar_t kOfferedName[] = L"<offered>";

struct SeenBox {
    std::wstring text;
    int iconCell;
};

// Answers, from a timer of the test's thread, the message boxes and save dialogs that the code
// under test opens on any thread of the process: records each box and closes it, and types
// `saveAnswer` into a save dialog and confirms it (or cancels the dialog when the answer is empty).
class DialogAnswerer {
public:
    DialogAnswerer() {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 50, Tick);
    }
    ~DialogAnswerer() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    std::vector<SeenBox> boxes;
    std::wstring saveAnswer;
    // Answers for the next save dialogs, each taken once before `saveAnswer` applies again;
    // kOfferedName confirms the name the dialog offers.
    std::deque<std::wstring> nextSaveAnswers;
    bool replaceAnswer = false;  // the answer to the save dialog's question whether to replace
    int saveDialogs = 0;
    int otherDialogs = 0;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (current_) {
            current_->Answer();
        }
    }

    bool FirstTime(HWND window, const std::vector<HWND>& open) {
        // Forget windows that have gone, so that a reused handle counts as new.
        handled_.erase(
            std::remove_if(
                handled_.begin(), handled_.end(),
                [&](HWND h) { return std::find(open.begin(), open.end(), h) == open.end(); }),
            handled_.end());
        if (std::find(handled_.begin(), handled_.end(), window) != handled_.end()) {
            return false;
        }
        handled_.push_back(window);
        return true;
    }

    void Answer() {
        std::vector<HWND> open = OpenWindows();
        const std::vector<HWND> dialogs = VisibleWindowsOf(
            GetCurrentProcessId(), [](HWND window) { return HasClassName(window, L"#32770"); });
        open.insert(open.end(), dialogs.begin(), dialogs.end());
        for (const HWND window : open) {
            if (!IsWindowVisible(window) || !FirstTime(window, open)) {
                continue;
            }
            if (auto* box = dynamic_cast<CMsgBox*>(CBkWindowImplRoot::FromHandle(window))) {
                auto* icon = static_cast<CBkImageWnd*>(box->GetView().FindElement(kMsgBoxIcon));
                boxes.push_back({box->GetMessageText(), icon ? icon->GetSubImage() : -1});
                PostMessageW(window, WM_MSGBOX_CLOSE, 0, 0);
            } else if (GetDlgItem(window, cmb13) || GetDlgItem(window, edt1)) {
                ++saveDialogs;
                std::wstring answer = saveAnswer;
                if (!nextSaveAnswers.empty()) {
                    answer = nextSaveAnswers.front();
                    nextSaveAnswers.pop_front();
                }
                if (answer != kOfferedName) {
                    SetDlgItemTextW(window, GetDlgItem(window, cmb13) ? cmb13 : edt1,
                                    answer.c_str());
                }
                PostMessageW(window, WM_COMMAND, answer.empty() ? IDCANCEL : IDOK, 0);
                saveDialog_ = window;
            } else if (replaceAnswer) {
                ++otherDialogs;
                PostMessageW(window, WM_COMMAND, IDYES, 0);
            } else {
                // A question of the save dialog (such as whether to replace a file): "no", and
                // the save dialog, answered anew, is cancelled.
                ++otherDialogs;
                PostMessageW(window, WM_COMMAND, IDNO, 0);
                saveAnswer.clear();
                handled_.erase(std::remove(handled_.begin(), handled_.end(), saveDialog_),
                               handled_.end());
            }
        }
    }

    static DialogAnswerer* current_;
    UINT_PTR timer_ = 0;
    std::vector<HWND> handled_;
    HWND saveDialog_ = nullptr;
};

DialogAnswerer* DialogAnswerer::current_ = nullptr;

TEST(PopupUrl, DecodingTurnsPlusAndEscapesOfEitherCaseIntoBytesThenAnsi) {
    EXPECT_EQ("发票 1.xls", DecodeUrl("%E5%8F%91%e7%a5%a8+1.xls"));
    EXPECT_EQ("a/b?c=d&e", DecodeUrl("a%2Fb%3fc%3Dd&e"));
    // A "%" without two hexadecimal digits is kept, also at the very end.
    EXPECT_EQ("100%zz% 5%4", DecodeUrl("100%zz%+5%4"));
    EXPECT_EQ("", DecodeUrl(""));
}

TEST(PopupUrl, RulesAreTriedInOrderIgnoringCase) {
    const std::string base = "http://dl.example.cn/ufdatatransfer/";
    EXPECT_EQ(PopupAction::kDownloadToDesktop, ChoosePopupAction("http://h/x/A.XLSX", base));
    EXPECT_EQ(PopupAction::kDownloadToDesktop,
              ChoosePopupAction("http://h/cjtgjb/download/ViewReport?f=r.Pdf", base));
    EXPECT_EQ(PopupAction::kDownloadToDesktop,
              ChoosePopupAction(base + "download.htm?f=a.xls", base));
    EXPECT_EQ(PopupAction::kDataToolInstaller,
              ChoosePopupAction("HTTP://DL.EXAMPLE.CN/ufdatatransfer/Download.htm#top", base));
    EXPECT_EQ(PopupAction::kHandOver,
              ChoosePopupAction("http://other.cn/ufdatatransfer/download.htm", base));
    EXPECT_EQ(PopupAction::kSaveReport,
              ChoosePopupAction("http://h/app/CJTGJB/Download/viewreport?id=1", base));
    EXPECT_EQ(PopupAction::kHandOver, ChoosePopupAction("http://h/app/page?id=1", base));
    EXPECT_EQ(PopupAction::kHandOver, ChoosePopupAction("", base));
}

class PopupHandlerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        BkPngPool::Instance();
        LoadSkinResources();
        CWndShadow::InstallShadowSupport(GetModuleHandleW(nullptr));
    }

    // Asks for the new window and waits, answering boxes and dialogs, until its action is done;
    // succeeds when the handler took the new window over from the browser.
    ::testing::AssertionResult Open(const std::string& url,
                                    const CPopupHandler& handler = CPopupHandler()) {
        const bool cancelled =
            handler.HandleNewWindow(url, kNewForegroundTabDisposition, &listener_);
        for (DWORD waited = 0; !handler.IsIdle() && waited < 60000; waited += 20) {
            PumpMessages(20);
        }
        EXPECT_TRUE(handler.IsIdle()) << "the action for " << url << " did not end";
        if (!cancelled) {
            return ::testing::AssertionFailure()
                   << "the new window for " << url << " was left to the browser";
        }
        return ::testing::AssertionSuccess();
    }

    static CPopupHandler DataTool(const std::string& variant) {
        return CPopupHandler(TestServerUrl("/datatool/" + variant + "/ufdatatransfer/"));
    }

    // The data tool's download page on the test server, in one of its variants.
    static std::string DataToolPage(const std::string& variant) {
        return TestServerUrl("/datatool/" + variant + "/ufdatatransfer/download.htm");
    }

    std::wstring OnDesktop(const std::wstring& name) const {
        return desktop_.path() + L"\\" + name;
    }

    // The boxes seen so far were exactly one of `kind` saying `text`; forgets them.
    void ExpectOneBox(int kind, const std::wstring& text) {
        ASSERT_EQ(1u, answerer_.boxes.size());
        EXPECT_EQ(text, answerer_.boxes[0].text);
        EXPECT_EQ(LookOfType(kind).iconCell, answerer_.boxes[0].iconCell);
        answerer_.boxes.clear();
    }

    TempFolder desktop_;
    TempFolder documents_;
    ShellFolderRedirect desktopRedirect_{L"Desktop", desktop_.path()};
    ShellFolderRedirect documentsRedirect_{L"Personal", documents_.path()};
    DialogAnswerer answerer_;
    ListenerRecord listener_;
};

TEST_F(PopupHandlerTest, OnlyNewForegroundTabsAreIntercepted) {
    const CPopupHandler handler;
    for (const int disposition : {0, 1, 2, 3, 5, 6, 7, 8, 9}) {
        SCOPED_TRACE("disposition " + std::to_string(disposition));
        EXPECT_FALSE(
            handler.HandleNewWindow(TestServerUrl("/files/a.xls"), disposition, &listener_))
            << "a file's new window was intercepted";
        EXPECT_FALSE(handler.HandleNewWindow("http://h/page", disposition, &listener_))
            << "a page's new window was intercepted";
    }
    EXPECT_TRUE(listener_.Texts().empty()) << "a text reached the listener";
    EXPECT_TRUE(answerer_.boxes.empty()) << "a box was shown";
    EXPECT_TRUE(FileNames(desktop_.path()).empty()) << "a file was written to the desktop";
}

TEST_F(PopupHandlerTest, OtherUrlsHandTheirDecodedTextToTheListener) {
    EXPECT_TRUE(Open("http://h/app/open?title=%E5%8F%91%E7%A5%A8+2024&p=%2F"));
    EXPECT_EQ(std::vector<std::string>{"http://h/app/open?title=发票 2024&p=/"}, listener_.Texts());
    EXPECT_TRUE(CPopupHandler().HandleNewWindow("http://h/app/page", 4, nullptr))
        << "without a listener the new window was left to the browser";
    EXPECT_EQ(1u, listener_.Texts().size());
    EXPECT_TRUE(answerer_.boxes.empty()) << "a box was shown";
}

TEST_F(PopupHandlerTest, SpreadsheetLandsOnTheDesktopUnderItsDecodedNameAndIsLogged) {
    const std::string url = TestServerUrl("/files/%E5%8F%91%E7%A5%A8+1.xls");
    EXPECT_TRUE(Open(url));
    ExpectOneBox(kNoticeBox, L"文件已下载到桌面 - 发票 1.xls");
    EXPECT_EQ(std::vector<std::wstring>{L"发票 1.xls"}, FileNames(desktop_.path()));
    EXPECT_EQ("file /files/%E5%8F%91%E7%A5%A8+1.xls", ReadFileBytes(OnDesktop(L"发票 1.xls")));
    const std::string log = ReadFileBytes(AnsiToWide(g_logFile.GetLogFileName()));
    EXPECT_NE(std::string::npos, log.find("文件下载地址 : " + url + "\r\n"))
        << "the address is not logged";
    EXPECT_NE(std::string::npos,
              log.find("文件保存地址 : " + desktop_.narrowPath() + "\\发票 1.xls\r\n"))
        << "the saved file is not logged";
    EXPECT_TRUE(listener_.Texts().empty()) << "a download's text reached the listener";
}

TEST_F(PopupHandlerTest, ExistingNamesAreNumberedUntilOneIsFree) {
    for (const wchar_t* name : {L"a.xls", L"a(1).xls", L"a(2).xls"}) {
        WriteFileBytes(OnDesktop(name), "old");
    }
    EXPECT_TRUE(Open(TestServerUrl("/files/a.xls")));
    ExpectOneBox(kNoticeBox, L"文件已下载到桌面 - a(3).xls");
    EXPECT_EQ("file /files/a.xls", ReadFileBytes(OnDesktop(L"a(3).xls")));
    for (const wchar_t* name : {L"a.xls", L"a(1).xls", L"a(2).xls"}) {
        EXPECT_EQ("old", ReadFileBytes(OnDesktop(name))) << name;
    }
    EXPECT_EQ(4u, FileNames(desktop_.path()).size());
}

TEST_F(PopupHandlerTest, PdfAnywhereInTheUrlIsADownloadNamedAfterTheLastSlash) {
    // Also a report address: the download rule comes first.
    EXPECT_TRUE(Open(TestServerUrl("/files/cjtgjb/download/ViewReport/r.pdf")));
    ExpectOneBox(kNoticeBox, L"文件已下载到桌面 - r.pdf");
    EXPECT_EQ(0, answerer_.saveDialogs);

    EXPECT_TRUE(Open(TestServerUrl("/files/show?doc=/2024/a.pdf&v=2")));
    ExpectOneBox(kNoticeBox, L"文件已下载到桌面 - a.pdf&v=2");
    EXPECT_EQ("file /files/show?doc=/2024/a.pdf&v=2", ReadFileBytes(OnDesktop(L"a.pdf&v=2")));

    // The name then carries the query, whose "?" no file name may have.
    EXPECT_TRUE(Open(TestServerUrl("/files/export.xls?id=5")));
    ExpectOneBox(kNoticeBox, L"文件已下载到桌面 - export.xls_id=5");
    EXPECT_EQ("file /files/export.xls?id=5", ReadFileBytes(OnDesktop(L"export.xls_id=5")));
    EXPECT_TRUE(Open(TestServerUrl("/files/export.xls?id=5")));
    ExpectOneBox(kNoticeBox, L"文件已下载到桌面 - export(1).xls_id=5");
    EXPECT_EQ(4u, FileNames(desktop_.path()).size());
}

// Nothing lands on the desktop, and the user hears of the failure, when the download fails, is
// empty or an error page, or when its name is a device's or would leave the desktop.
TEST_F(PopupHandlerTest, FailedDownloadsShowTheFailureBoxAndWriteNothing) {
    std::vector<std::string> urls = {std::string(kUnreachable) + "/a.xls"};
    for (const char* path :
         {"/blank/b.xls", "/files/..%5C..%5Cescaped.xls", "/files/NUL.xls", "/files/aux.xls",
          "/files/COM1.pdf", "/files/con.tar.xls", "/files/LPT1.pdf", "/status?code=404&f=a.xls",
          "/status?code=500&f=a.pdf", "/status?code=302&f=a.xls"}) {
        urls.push_back(TestServerUrl(path));
    }
    for (const std::string& url : urls) {
        SCOPED_TRACE(url);
        EXPECT_TRUE(Open(url));
        ExpectOneBox(kFailureBox, L"文件下载失败，请重新下载");
    }
    wchar_t outside[MAX_PATH] = {};
    GetFullPathNameW(OnDesktop(L"..\\..\\escaped.xls").c_str(), MAX_PATH, outside, nullptr);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(outside))
        << "a file was written outside the desktop";
    EXPECT_TRUE(FileNames(desktop_.path()).empty()) << "a failed download left a file";
}

TEST_F(PopupHandlerTest, DataToolInstallerOfTheCurrentVersionIsDownloaded) {
    const struct {
        const char* variant;
        const char* query;
        const wchar_t* name;
        const char* content;
    } cases[] = {{"string", "", L"数据采集工具 V2.5.1.zip", "setup 2.5.1"},
                 // A numeric version reads with six decimals, in the address and in the name.
                 {"number", "?from=menu", L"数据采集工具 V3.000000.zip", "setup 3.000000"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variant);
        EXPECT_TRUE(Open(DataToolPage(c.variant) + c.query, DataTool(c.variant)));
        ExpectOneBox(kNoticeBox, std::wstring(L"文件已下载到桌面 - ") + c.name);
        EXPECT_EQ(c.content, ReadFileBytes(OnDesktop(c.name)));
    }
}

TEST_F(PopupHandlerTest, DataToolInstallerAlreadyOnTheDesktopIsKept) {
    WriteFileBytes(OnDesktop(L"数据采集工具 V2.5.1.zip"), "old");
    EXPECT_TRUE(Open(DataToolPage("string"), DataTool("string")));
    ExpectOneBox(kNoticeBox, L"文件已经存在桌面 - 数据采集工具 V2.5.1.zip");
    EXPECT_EQ("old", ReadFileBytes(OnDesktop(L"数据采集工具 V2.5.1.zip")));
}

// Without a readable version or a whole installer the user hears of the failure, nothing is
// left, and the next click tries again.
TEST_F(PopupHandlerTest, AFailedDataToolDownloadLeavesNothingAndIsTriedAgain) {
    for (const std::string variant : {"missing", "notjson", "noinstaller", "brokeninstaller"}) {
        for (int click = 1; click <= 2; ++click) {
            SCOPED_TRACE(variant + ", click " + std::to_string(click));
            EXPECT_TRUE(Open(DataToolPage(variant), DataTool(variant)));
            ExpectOneBox(kFailureBox, L"文件下载失败，请重新下载");
        }
    }
    const CPopupHandler unreachable(std::string(kUnreachable) + "/ufdatatransfer/");
    EXPECT_TRUE(Open(std::string(kUnreachable) + "/ufdatatransfer/download.htm", unreachable));
    ExpectOneBox(kFailureBox, L"文件下载失败，请重新下载");
    EXPECT_TRUE(FileNames(desktop_.path()).empty()) << "a failed data tool download left a file";
}

TEST_F(PopupHandlerTest, ReportIsSavedWhereTheSaveDialogSays) {
    const std::string url = TestServerUrl("/files/cjtgjb/download/ViewReport?id=7");
    answerer_.saveAnswer = documents_.path() + L"\\健康报告";
    EXPECT_TRUE(Open(url));
    EXPECT_EQ(1, answerer_.saveDialogs);
    ExpectOneBox(kNoticeBox, L"保存成功");
    EXPECT_EQ("file /files/cjtgjb/download/ViewReport?id=7",
              ReadFileBytes(documents_.path() + L"\\健康报告.pdf"));

    // A name given with its extension does not get a second one.
    answerer_.saveAnswer = documents_.path() + L"\\second.PDF";
    EXPECT_TRUE(Open(url));
    ExpectOneBox(kNoticeBox, L"保存成功");
    EXPECT_EQ((std::vector<std::wstring>{L"second.PDF", L"健康报告.pdf"}),
              FileNames(documents_.path()));
    EXPECT_EQ(0, answerer_.otherDialogs);
}

TEST_F(PopupHandlerTest, ReportDialogAsksBeforeReplacingTheFileItWouldWrite) {
    WriteFileBytes(documents_.path() + L"\\kept.pdf", "old");
    answerer_.saveAnswer = documents_.path() + L"\\kept";
    EXPECT_TRUE(Open(TestServerUrl("/files/cjtgjb/download/ViewReport?id=7")));
    EXPECT_EQ(1, answerer_.otherDialogs);
    EXPECT_EQ(2, answerer_.saveDialogs);
    EXPECT_TRUE(answerer_.boxes.empty()) << "a box was shown though the save was refused";
    EXPECT_EQ("old", ReadFileBytes(documents_.path() + L"\\kept.pdf"));
}

// A name typed with another extension gets ".pdf": the file of that name is replaced only after
// the dialog has asked about it, not about the name typed.
TEST_F(PopupHandlerTest, ReportDialogAsksAboutTheNameWithTheExtensionAdded) {
    const std::wstring written = documents_.path() + L"\\报告.txt.pdf";
    WriteFileBytes(written, "old");
    answerer_.nextSaveAnswers = {documents_.path() + L"\\报告.txt", kOfferedName};
    EXPECT_TRUE(Open(TestServerUrl("/files/cjtgjb/download/ViewReport?id=7")));
    EXPECT_EQ(1, answerer_.otherDialogs) << "the dialog did not ask about " << WideToUtf8(written);
    EXPECT_TRUE(answerer_.boxes.empty()) << "a box was shown though the save was refused";
    EXPECT_EQ("old", ReadFileBytes(written)) << "replaced without asking";

    answerer_.nextSaveAnswers = {documents_.path() + L"\\报告.txt", kOfferedName};
    answerer_.replaceAnswer = true;
    EXPECT_TRUE(Open(TestServerUrl("/files/cjtgjb/download/ViewReport?id=8")));
    ExpectOneBox(kNoticeBox, L"保存成功");
    EXPECT_EQ("file /files/cjtgjb/download/ViewReport?id=8", ReadFileBytes(written));
    EXPECT_EQ(std::vector<std::wstring>{L"报告.txt.pdf"}, FileNames(documents_.path()));
}

TEST_F(PopupHandlerTest, CancelledOrFailedReportSavesWriteNothing) {
    answerer_.saveAnswer.clear();
    EXPECT_TRUE(Open(TestServerUrl("/files/cjtgjb/download/ViewReport?id=7")));
    EXPECT_EQ(1, answerer_.saveDialogs);
    EXPECT_TRUE(answerer_.boxes.empty()) << "a box was shown for a cancelled save";

    answerer_.saveAnswer = documents_.path() + L"\\failed";
    EXPECT_TRUE(Open(std::string(kUnreachable) + "/cjtgjb/download/ViewReport?id=7"));
    EXPECT_EQ(2, answerer_.saveDialogs);
    ExpectOneBox(kFailureBox, L"保存失败");
    EXPECT_TRUE(FileNames(documents_.path()).empty()) << "a failed save left a file";
}

// A report that cannot be fetched, or that the server answers with an error page, leaves the
// file it was to replace as it was, and the next save replaces it.
TEST_F(PopupHandlerTest, AFailedReportSaveKeepsTheFileItWasToReplace) {
    const std::wstring kept = documents_.path() + L"\\kept.pdf";
    WriteFileBytes(kept, "old");
    answerer_.saveAnswer = kept;
    answerer_.replaceAnswer = true;
    for (const std::string& url :
         {std::string(kUnreachable) + "/cjtgjb/download/ViewReport?id=7",
          TestServerUrl("/status?code=500&r=/cjtgjb/download/ViewReport")}) {
        SCOPED_TRACE(url);
        answerer_.otherDialogs = 0;
        EXPECT_TRUE(Open(url));
        EXPECT_EQ(1, answerer_.otherDialogs) << "the dialog did not ask whether to replace";
        ExpectOneBox(kFailureBox, L"保存失败");
        EXPECT_EQ("old", ReadFileBytes(kept)) << "a failed save replaced the user's report";
        EXPECT_EQ(std::vector<std::wstring>{L"kept.pdf"}, FileNames(documents_.path()));
    }

    EXPECT_TRUE(Open(TestServerUrl("/files/cjtgjb/download/ViewReport?id=8")));
    ExpectOneBox(kNoticeBox, L"保存成功");
    EXPECT_EQ("file /files/cjtgjb/download/ViewReport?id=8", ReadFileBytes(kept));
}

}  // namespace
