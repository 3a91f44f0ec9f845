#include "PopupHandler.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <utility>
#include <vector>

#include "ClientBrowserHandlerListener.h"
#include "CodePage.h"
#include "DesktopFile.h"
#include "HexDigit.h"
#include "HttpTransfer.h"
#include "JsonHelper.h"
#include "LogFile.h"
#include "MsgBox.h"

const char kDataToolBaseUrl[] = "http://download.tesselfp.cn/ufdatatransfer/";

namespace {

constexpr int kNoticeBox = 4;
constexpr int kFailureBox = 2;
constexpr char kDownloadFailed[] = "文件下载失败，请重新下载";
constexpr char kDownloadedToDesktop[] = "文件已下载到桌面 - ";

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool ContainsNoCase(const std::string& text, const std::string& part) {
    return AsciiLower(text).find(AsciiLower(part)) != std::string::npos;
}

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ShowBox(int kind, const std::string& text) {
    CMsgBox(kind, text).DoModal(nullptr);
}

// The path the user picks for the report, or false when the dialog is cancelled.
bool AskReportPath(std::wstring& chosen) {
    std::vector<wchar_t> file(2048, L'\0');
    const std::wstring initial = L"税务健康评测报告";
    initial.copy(file.data(), initial.size());
    static const wchar_t kFilter[] = L"(*.pdf)\0*.pdf\0";
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetActiveWindow();
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

std::string DecodeUrl(const std::string& utf8Url) {
    std::string decoded;
    decoded.reserve(utf8Url.size());
    for (size_t i = 0; i < utf8Url.size(); ++i) {
        const char c = utf8Url[i];
        if (c == '+') {
            decoded.push_back(' ');
        } else if (c == '%' && i + 2 < utf8Url.size() && HexDigit(utf8Url[i + 1]) >= 0 &&
                   HexDigit(utf8Url[i + 2]) >= 0) {
            decoded.push_back(
                static_cast<char>(HexDigit(utf8Url[i + 1]) * 16 + HexDigit(utf8Url[i + 2])));
            i += 2;
        } else {
            decoded.push_back(c);
        }
    }
    return Utf8ToAnsi(decoded);
}

CPopupHandler::CPopupHandler(std::string dataToolBaseUrl)
    : dataToolBaseUrl_(std::move(dataToolBaseUrl)) {}

bool CPopupHandler::HandleNewWindow(const std::string& targetUrlUtf8, int targetDisposition,
                                    ClientBrowserHandlerListener* listener) const {
    if (targetDisposition != kNewForegroundTabDisposition) {
        return false;
    }
    switch (ChoosePopupAction(targetUrlUtf8, dataToolBaseUrl_)) {
        case PopupAction::kDownloadToDesktop:
            DownloadToDesktop(targetUrlUtf8);
            break;
        case PopupAction::kDataToolInstaller:
            DownloadDataTool();
            break;
        case PopupAction::kSaveReport:
            SaveReport(targetUrlUtf8);
            break;
        case PopupAction::kHandOver:
            if (listener) {
                const std::string text = DecodeUrl(targetUrlUtf8);
                listener->OnPopupText(&text);
            }
            break;
    }
    return true;
}

void CPopupHandler::DownloadToDesktop(const std::string& url) const {
    const std::string decoded = DecodeUrl(url);
    std::string name;
    const std::string desktop = DesktopFolder();
    if (desktop.empty() ||
        !MakeDesktopFileName(AnsiToWide(decoded.substr(decoded.rfind('/') + 1)), name)) {
        ShowBox(kFailureBox, kDownloadFailed);
        return;
    }
    const std::string chosen = FreeFileName(desktop, name, PathExists);
    const std::string path = desktop + "\\" + chosen;
    WriteLog(3, "文件下载地址", url);
    WriteLog(3, "文件保存地址", path);
    // An empty body creates no file, which is no download either.
    if (ReplaceByDownload(url, path) && PathExists(path)) {
        ShowBox(kNoticeBox, kDownloadedToDesktop + chosen);
    } else {
        ShowBox(kFailureBox, kDownloadFailed);
    }
}

void CPopupHandler::DownloadDataTool() const {
    std::string version;
    std::string body;
    if (FetchToString(dataToolBaseUrl_ + "curver.json", body) == CURLE_OK) {
        if (!IJsonHelper::GetArray(Utf8ToAnsi(body), "curver", version, 0)) {
            version.clear();
        }
    }
    std::string name;
    const std::string desktop = DesktopFolder();
    if (version.empty() || desktop.empty() ||
        !MakeDesktopFileName(AnsiToWide("数据采集工具 V" + version + ".zip"), name)) {
        ShowBox(kFailureBox, kDownloadFailed);
        return;
    }
    const std::string path = desktop + "\\" + name;
    if (PathExists(path)) {
        ShowBox(kNoticeBox, "文件已经存在桌面 - " + name);
        return;
    }
    // An error page or a broken transfer must not take the installer's name: later clicks would
    // find it and never download again.
    const std::string installer = dataToolBaseUrl_ + AnsiToUtf8(version) + "/setup.zip";
    if (DownloadWholeFile(installer, path) == CURLE_OK && PathExists(path)) {
        ShowBox(kNoticeBox, kDownloadedToDesktop + name);
    } else {
        ShowBox(kFailureBox, kDownloadFailed);
    }
}

void CPopupHandler::SaveReport(const std::string& url) const {
    std::wstring chosen;
    if (!AskReportPath(chosen)) {
        return;
    }
    std::string path = WideToAnsi(chosen);
    if (path.size() < 4 || AsciiLower(path.substr(path.size() - 4)) != ".pdf") {
        path += ".pdf";
    }
    if (ReplaceByDownload(url, path) && PathExists(path)) {
        ShowBox(kNoticeBox, "保存成功");
    } else {
        ShowBox(kFailureBox, "保存失败");
    }
}
