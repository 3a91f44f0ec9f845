#include "PopupHandler.h"

#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "AsciiCase.h"
#include "ClientBrowserHandlerListener.h"
#include "CodePage.h"
#include "DesktopFile.h"
#include "DesktopName.h"
#include "HttpTransfer.h"
#include "JsonHelper.h"
#include "LogFile.h"
#include "MsgBox.h"
#include "UrlDecode.h"

const char kDataToolBaseUrl[] = "http://download.tesselfp.cn/ufdatatransfer/";

namespace {

constexpr int kNoticeBox = 4;
constexpr int kFinishWaitMs = 5000;
constexpr int kFailureBox = 2;
constexpr char kDownloadFailed[] = "文件下载失败，请重新下载";
constexpr char kDownloadedToDesktop[] = "文件已下载到桌面 - ";

bool ContainsNoCase(const std::string& text, const std::string& part) {
    return AsciiLower(text).find(AsciiLower(part)) != std::string::npos;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ShowBox(HWND owner, int kind, const std::string& text) {
    CMsgBox(kind, text).DoModal(owner && IsWindow(owner) ? owner : nullptr);
}

// The path the user picks for the report, starting from `initial`, or false when the dialog is
// cancelled.
bool AskReportPath(HWND owner, const std::wstring& initial, std::wstring& chosen) {
    std::vector<wchar_t> file(2048, L'\0');
    initial.copy(file.data(), std::min(initial.size(), file.size() - 1));
    static const wchar_t kFilter[] = L"(*.pdf)\0*.pdf\0";
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner && IsWindow(owner) ? owner : nullptr;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    // With the extension supplied by the dialog, its overwrite prompt covers the file written.
    dialog.lpstrDefExt = L"pdf";
    dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) {
        return false;
    }
    chosen = file.data();
    return true;
}

// The ANSI path the report is written to, the chosen name with ".pdf" added unless it ends so,
// or false when the user cancels. The dialog asks about the name typed; when ".pdf" makes it
// another existing file, the dialog is shown again with that name, so that it asks about the
// file that is replaced.
bool ChooseReportPath(HWND owner, std::string& path) {
    std::wstring offered = L"税务健康评测报告";
    for (;;) {
        std::wstring chosen;
        if (!AskReportPath(owner, offered, chosen)) {
            return false;
        }
        path = WideToAnsi(chosen);
        if (path.size() >= 4 && AsciiLower(path.substr(path.size() - 4)) == ".pdf") {
            return true;
        }
        path += ".pdf";
        if (!PathExists(path)) {
            return true;
        }
        offered = AnsiToWide(path);
    }
}

}  // namespace

PopupAction ChoosePopupAction(const std::string& utf8Url, const std::string& dataToolBaseUrl) {
    if (ContainsNoCase(utf8Url, ".xls") || ContainsNoCase(utf8Url, ".pdf")) {
        return PopupAction::kDownloadToDesktop;
    }
    if (ContainsNoCase(utf8Url, dataToolBaseUrl + "download.htm")) {
        return PopupAction::kDataToolInstaller;
    }
    if (ContainsNoCase(utf8Url, "/cjtgjb/download/ViewReport")) {
        return PopupAction::kSaveReport;
    }
    return PopupAction::kHandOver;
}

// The queue of actions and the thread that carries them out. The thread holds it too, so that it
// may finish an action after the handler has gone.
struct CPopupHandler::Worker {
    struct Request {
        PopupAction action;
        std::string url;
    };

    explicit Worker(std::string base) : dataToolBaseUrl(std::move(base)) {}

    void Run();
    void Carry(const Request& request);
    void DownloadToDesktop(const std::string& url) const;
    void DownloadDataTool() const;
    void SaveReport(const std::string& url) const;
    HWND Owner() const;

    const std::string dataToolBaseUrl;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Request> requests;
    HWND owner = nullptr;
    bool busy = false;
    bool started = false;
    bool stopping = false;
};

void CPopupHandler::Worker::Run() {
    // The save dialog needs a single-threaded apartment.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !requests.empty(); });
        if (stopping) {
            break;
        }
        const Request request = requests.front();
        requests.pop_front();
        busy = true;
        lock.unlock();
        Carry(request);
        lock.lock();
        busy = false;
        wake.notify_all();
    }
    lock.unlock();
    CoUninitialize();
}

void CPopupHandler::Worker::Carry(const Request& request) {
    switch (request.action) {
        case PopupAction::kDownloadToDesktop:
            DownloadToDesktop(request.url);
            break;
        case PopupAction::kDataToolInstaller:
            DownloadDataTool();
            break;
        case PopupAction::kSaveReport:
            SaveReport(request.url);
            break;
        case PopupAction::kHandOver:
            break;
    }
}

HWND CPopupHandler::Worker::Owner() const {
    std::lock_guard<std::mutex> guard(mutex);
    return owner;
}

CPopupHandler::CPopupHandler(std::string dataToolBaseUrl)
    : worker_(std::make_shared<Worker>(std::move(dataToolBaseUrl))) {}

CPopupHandler::~CPopupHandler() {
    std::unique_lock<std::mutex> lock(worker_->mutex);
    worker_->stopping = true;
    worker_->requests.clear();
    worker_->wake.notify_all();
    // The handler goes when the program ends: an action under way gets a moment to finish, so that
    // it does not run on while the process tears down what it uses. A transfer without end is
    // left to the process's end.
    worker_->wake.wait_for(lock, std::chrono::milliseconds(kFinishWaitMs),
                           [this] { return !worker_->busy; });
}

void CPopupHandler::SetOwner(HWND owner) {
    std::lock_guard<std::mutex> guard(worker_->mutex);
    worker_->owner = owner;
}

bool CPopupHandler::IsIdle() const {
    std::lock_guard<std::mutex> guard(worker_->mutex);
    return worker_->requests.empty() && !worker_->busy;
}

bool CPopupHandler::HandleNewWindow(const std::string& targetUrlUtf8, int targetDisposition,
                                    ClientBrowserHandlerListener* listener) const {
    if (targetDisposition != kNewForegroundTabDisposition) {
        return false;
    }
    const PopupAction action = ChoosePopupAction(targetUrlUtf8, worker_->dataToolBaseUrl);
    if (action == PopupAction::kHandOver) {
        if (listener) {
            const std::string text = DecodeUrl(targetUrlUtf8);
            listener->OnPopupText(&text);
        }
        return true;
    }
    std::lock_guard<std::mutex> guard(worker_->mutex);
    worker_->requests.push_back({action, targetUrlUtf8});
    if (!worker_->started) {
        worker_->started = true;
        std::thread([worker = worker_] { worker->Run(); }).detach();
    }
    worker_->wake.notify_one();
    return true;
}

void CPopupHandler::Worker::DownloadToDesktop(const std::string& url) const {
    const std::string decoded = DecodeUrl(url);
    std::string name;
    const std::string desktop = DesktopFolder();
    if (desktop.empty() ||
        !MakeDesktopFileName(AnsiToWide(decoded.substr(decoded.rfind('/') + 1)), name)) {
        ShowBox(Owner(), kFailureBox, kDownloadFailed);
        return;
    }
    const std::string chosen = desktop + "\\" + FreeFileName(desktop, name, PathExists);
    WriteLog(kLogProgress, "文件下载地址", url);
    WriteLog(kLogProgress, "文件保存地址", chosen);
    // The free name is taken again when the file is complete: one may have appeared meanwhile.
    const DownloadResult download =
        DownloadFile(url, desktop + "\\" + name, Placement::kNextFreeName);
    // An empty body creates no file, which is no download either.
    if (download.code != CURLE_OK || download.path.empty()) {
        ShowBox(Owner(), kFailureBox, kDownloadFailed);
        return;
    }
    if (download.path != chosen) {
        WriteLog(kLogProgress, "文件保存地址", download.path);
    }
    ShowBox(Owner(), kNoticeBox, kDownloadedToDesktop + download.path.substr(desktop.size() + 1));
}

void CPopupHandler::Worker::DownloadDataTool() const {
    std::string version;
    std::string body;
    if (FetchToString(dataToolBaseUrl + "curver.json", body) == CURLE_OK) {
        if (!IJsonHelper::GetArray(Utf8ToAnsi(body), "curver", version, 0)) {
            version.clear();
        }
    }
    std::string name;
    const std::string desktop = DesktopFolder();
    if (version.empty() || desktop.empty() ||
        !MakeDesktopFileName(AnsiToWide("数据采集工具 V" + version + ".zip"), name)) {
        ShowBox(Owner(), kFailureBox, kDownloadFailed);
        return;
    }
    const std::string path = desktop + "\\" + name;
    if (PathExists(path)) {
        ShowBox(Owner(), kNoticeBox, "文件已经存在桌面 - " + name);
        return;
    }
    // An error page or a broken transfer must not take the installer's name: later clicks would
    // find it and never download again.
    const std::string installer = dataToolBaseUrl + AnsiToUtf8(version) + "/setup.zip";
    if (!DownloadFile(installer, path, Placement::kKeepExisting).path.empty()) {
        ShowBox(Owner(), kNoticeBox, kDownloadedToDesktop + name);
    } else {
        ShowBox(Owner(), kFailureBox, kDownloadFailed);
    }
}

void CPopupHandler::Worker::SaveReport(const std::string& url) const {
    std::string path;
    if (!ChooseReportPath(Owner(), path)) {
        return;
    }
    if (ReplaceByDownload(url, path)) {
        ShowBox(Owner(), kNoticeBox, "保存成功");
    } else {
        ShowBox(Owner(), kFailureBox, "保存失败");
    }
}
