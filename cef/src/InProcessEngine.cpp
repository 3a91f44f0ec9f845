#include "InProcessEngine.h"

#include <windows.h>
#include <commdlg.h>

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>

#include "GdiScope.h"
#include "Runtime.h"
#include "Text.h"

namespace cefimpl {

namespace {

constexpr wchar_t kViewClass[] = L"TesselCefBrowserWindow";
constexpr wchar_t kDevToolsScheme[] = L"chrome-devtools:";
constexpr size_t kPageBytesKept = 256 * 1024;
constexpr DWORD kProgressIntervalMs = 200;
constexpr long kMaxRedirects = 20;

struct ViewData {
    Runtime* runtime;
    std::map<int, HWND>* views;
    int browserId;
    PageView page;
};

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

// libcurl's global state (which loads the TLS library and its security packages) is set up by the
// first transfer, on its worker thread, rather than at start-up.
EasyHandle NewEasy() {
    static const CURLcode init = curl_global_init(CURL_GLOBAL_ALL);
    (void)init;
    return EasyHandle(curl_easy_init());
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_;
    HDC dc_;
};

std::wstring Lower(std::wstring text) {
    for (auto& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

cef_errorcode_t ErrorOf(CURLcode code) {
    switch (code) {
        case CURLE_OK:
            return ERR_NONE;
        case CURLE_ABORTED_BY_CALLBACK:
            return ERR_ABORTED;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return ERR_NAME_NOT_RESOLVED;
        case CURLE_COULDNT_CONNECT:
            return ERR_CONNECTION_REFUSED;
        case CURLE_OPERATION_TIMEDOUT:
            return ERR_TIMED_OUT;
        case CURLE_TOO_MANY_REDIRECTS:
            return ERR_TOO_MANY_REDIRECTS;
        case CURLE_GOT_NOTHING:
            return ERR_EMPTY_RESPONSE;
        case CURLE_UNSUPPORTED_PROTOCOL:
            return ERR_UNKNOWN_URL_SCHEME;
        case CURLE_URL_MALFORMAT:
            return ERR_INVALID_URL;
        case CURLE_SSL_CONNECT_ERROR:
            return ERR_SSL_PROTOCOL_ERROR;
        case CURLE_PEER_FAILED_VERIFICATION:
            return ERR_CERT_AUTHORITY_INVALID;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
            return ERR_CONNECTION_RESET;
        case CURLE_WEIRD_SERVER_REPLY:
            return ERR_INVALID_RESPONSE;
        default:
            return ERR_FAILED;
    }
}

int AbortWhenCancelled(void* cancelled, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<std::atomic<bool>*>(cancelled)->load() ? 1 : 0;
}

size_t KeepPageStart(char* data, size_t size, size_t count, void* userData) {
    auto* body = static_cast<std::string*>(userData);
    const size_t bytes = size * count;
    if (body->size() < kPageBytesKept) {
        body->append(data, std::min(bytes, kPageBytesKept - body->size()));
    }
    return bytes;
}

std::wstring DecodeEntities(const std::wstring& text) {
    static const std::pair<const wchar_t*, wchar_t> kEntities[] = {
        {L"&amp;", L'&'}, {L"&lt;", L'<'}, {L"&gt;", L'>'}, {L"&quot;", L'"'}, {L"&#39;", L'\''}};
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& entity : kEntities) {
            const std::wstring name = entity.first;
            if (text.compare(i, name.size(), name) == 0) {
                out += entity.second;
                i += name.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

// The page's <title>, with its white space collapsed; empty when it has none.
std::wstring TitleOf(const std::string& body) {
    const std::wstring page = Utf8ToWide(body);
    const std::wstring lower = Lower(page);
    const size_t open = lower.find(L"<title");
    if (open == std::wstring::npos) {
        return std::wstring();
    }
    const size_t start = lower.find(L'>', open);
    const size_t end = lower.find(L"</title", start);
    if (start == std::wstring::npos || end == std::wstring::npos) {
        return std::wstring();
    }
    std::wstring title;
    for (wchar_t c : page.substr(start + 1, end - start - 1)) {
        if (std::iswspace(c)) {
            if (!title.empty() && title.back() != L' ') {
                title += L' ';
            }
        } else {
            title += c;
        }
    }
    while (!title.empty() && title.back() == L' ') {
        title.pop_back();
    }
    return DecodeEntities(title);
}

LoadResult FetchPage(const std::wstring& url, std::atomic<bool>* cancelled, unsigned long timeoutMs,
                     bool verifyCertificates) {
    LoadResult result;
    result.url = url;
    const std::wstring scheme = Lower(url.substr(0, url.find(L':') + 1));
    if (scheme != L"http:" && scheme != L"https:") {
        result.error =
            url.find(L"://") == std::wstring::npos ? ERR_INVALID_URL : ERR_UNKNOWN_URL_SCHEME;
        return result;
    }
    const EasyHandle easy = NewEasy();
    if (!easy) {
        result.error = ERR_FAILED;
        return result;
    }
    const std::string target = WideToUtf8(url);
    std::string body;
    curl_easy_setopt(easy.get(), CURLOPT_URL, target.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy.get(), CURLOPT_XFERINFOFUNCTION, AbortWhenCancelled);
    curl_easy_setopt(easy.get(), CURLOPT_XFERINFODATA, cancelled);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, KeepPageStart);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &body);
    if (timeoutMs) {
        curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutMs));
    }
    if (!verifyCertificates) {
        curl_easy_setopt(easy.get(), CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(easy.get(), CURLOPT_SSL_VERIFYHOST, 0L);
    }
    result.error = ErrorOf(curl_easy_perform(easy.get()));
    if (result.error != ERR_NONE) {
        return result;
    }
    long status = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
    result.httpStatus = static_cast<int>(status);
    char* effective = nullptr;
    if (curl_easy_getinfo(easy.get(), CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
        effective) {
        result.url = Utf8ToWide(effective);
    }
    result.title = TitleOf(body);
    if (result.title.empty()) {
        result.title = result.url;
    }
    return result;
}

struct DownloadProgress {
    std::atomic<bool>* cancelled;
    LoopThread* ui;
    Runtime* runtime;
    uint32 id;
    DWORD lastReport;
};

int ReportDownloadProgress(void* data, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t) {
    auto* progress = static_cast<DownloadProgress*>(data);
    if (progress->cancelled->load()) {
        return 1;
    }
    const DWORD tick = GetTickCount();
    if (tick - progress->lastReport >= kProgressIntervalMs) {
        progress->lastReport = tick;
        Runtime* runtime = progress->runtime;
        const uint32 id = progress->id;
        const int64 received = now;
        const int64 size = total > 0 ? total : -1;
        progress->ui->Post(
            [runtime, id, received, size] { runtime->OnDownloadProgress(id, received, size); });
    }
    return 0;
}

size_t WriteDownload(char* data, size_t size, size_t count, void* file) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(file));
}

void PaintPage(HWND window, HDC dc, const PageView& page) {
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SelectScope font(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    const int lineHeight = metrics.tmHeight + metrics.tmExternalLeading + 4;
    int top = 8;
    for (const std::wstring& line : {page.title, page.url, page.state}) {
        RECT box{8, top, client.right - 8, top + lineHeight};
        DrawTextW(dc, line.c_str(), -1, &box,
                  DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        top += lineHeight;
    }
}

void RegisterViewClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kViewClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

InProcessEngine::InProcessEngine(Runtime& runtime, LoopThread& ui) : runtime_(runtime), ui_(ui) {
    RegisterViewClass();
}

InProcessEngine::~InProcessEngine() {
    Shutdown();
}

HWND InProcessEngine::CreateView(int browserId, const cef_window_info_t& info) {
    auto data = std::make_unique<ViewData>();
    data->runtime = &runtime_;
    data->views = &views_;
    data->browserId = browserId;
    const HWND window = CreateBrowserWindow(info, kViewClass);
    if (!window) {
        return nullptr;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data.release()));
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ViewProc));
    views_[browserId] = window;
    return window;
}

HWND InProcessEngine::FindView(int browserId) const {
    auto it = views_.find(browserId);
    return it == views_.end() ? nullptr : it->second;
}

LRESULT CALLBACK InProcessEngine::ViewProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* data = reinterpret_cast<ViewData*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!data) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    Runtime* runtime = data->runtime;
    switch (message) {
        case WM_PAINT: {
            PaintScope paint(window);
            PaintPage(window, paint.dc(), data->page);
            return 0;
        }
        case WM_PRINTCLIENT:
            PaintPage(window, reinterpret_cast<HDC>(wParam), data->page);
            return 0;
        case WM_CONTEXTMENU: {
            const POINT at = ContextMenuPoint(window, lParam);
            runtime->OnContextMenuRequested(data->browserId, at);
            return 0;
        }
        case WM_CLOSE:
            runtime->OnViewCloseRequested(data->browserId);
            return 0;
        case WM_DESTROY:
            runtime->OnViewDestroyed(data->browserId);
            return 0;
        case WM_NCDESTROY: {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            data->views->erase(data->browserId);
            delete data;
            break;
        }
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void InProcessEngine::ShowPage(int browserId, const PageView& view) {
    const HWND window = FindView(browserId);
    if (!window) {
        return;
    }
    reinterpret_cast<ViewData*>(GetWindowLongPtrW(window, GWLP_USERDATA))->page = view;
    InvalidateRect(window, nullptr, TRUE);
}

template <class Key>
bool InProcessEngine::Retire(std::map<Key, Worker>& workers, Key key) {
    auto it = workers.find(key);
    if (it == workers.end()) {
        return false;
    }
    const bool cancelled = it->second.cancelled->load();
    if (it->second.thread.joinable()) {
        it->second.thread.join();
    }
    workers.erase(it);
    return !cancelled;
}

void InProcessEngine::StartLoad(int64 navigationId, int, int64, const std::wstring& url) {
    Worker& worker = loads_[navigationId];
    worker.cancelled = std::make_shared<std::atomic<bool>>(false);
    const std::wstring lower = Lower(url);
    if (lower == L"about:blank" ||
        lower.compare(0, wcslen(kDevToolsScheme), kDevToolsScheme) == 0) {
        // Pages of the library itself: nothing to fetch.
        LoadResult result;
        result.url = url;
        result.title = lower == L"about:blank" ? url : L"DevTools";
        ui_.Post([this, navigationId, result] {
            if (Retire(loads_, navigationId)) {
                runtime_.OnLoadFinished(navigationId, result);
            }
        });
        return;
    }
    const unsigned long timeoutMs = runtime_.loadTimeout();
    const bool verify = !runtime_.settings().ignore_certificate_errors;
    std::shared_ptr<std::atomic<bool>> cancelled = worker.cancelled;
    worker.thread = std::thread([this, navigationId, url, cancelled, timeoutMs, verify] {
        const LoadResult result = FetchPage(url, cancelled.get(), timeoutMs, verify);
        ui_.Post([this, navigationId, result] {
            if (Retire(loads_, navigationId)) {
                runtime_.OnLoadFinished(navigationId, result);
            }
        });
    });
}

void InProcessEngine::CancelLoad(int64 navigationId) {
    auto it = loads_.find(navigationId);
    if (it != loads_.end()) {
        *it->second.cancelled = true;
    }
}

void InProcessEngine::StartDownload(uint32 downloadId, const std::wstring& url,
                                    const std::wstring& path) {
    Worker& worker = downloads_[downloadId];
    worker.cancelled = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<bool>> cancelled = worker.cancelled;
    worker.thread = std::thread([this, downloadId, url, path, cancelled] {
        bool complete = false;
        curl_off_t received = 0;
        curl_off_t total = -1;
        {
            FileHandle file(_wfopen(path.c_str(), L"wb"));
            const EasyHandle easy = NewEasy();
            if (file && easy) {
                const std::string target = WideToUtf8(url);
                DownloadProgress progress{cancelled.get(), &ui_, &runtime_, downloadId,
                                          GetTickCount()};
                curl_easy_setopt(easy.get(), CURLOPT_URL, target.c_str());
                curl_easy_setopt(easy.get(), CURLOPT_FOLLOWLOCATION, 1L);
                curl_easy_setopt(easy.get(), CURLOPT_MAXREDIRS, kMaxRedirects);
                curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
                curl_easy_setopt(easy.get(), CURLOPT_NOPROGRESS, 0L);
                curl_easy_setopt(easy.get(), CURLOPT_XFERINFOFUNCTION, ReportDownloadProgress);
                curl_easy_setopt(easy.get(), CURLOPT_XFERINFODATA, &progress);
                curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, WriteDownload);
                curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, file.get());
                long status = 0;
                complete =
                    curl_easy_perform(easy.get()) == CURLE_OK &&
                    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status) == CURLE_OK &&
                    status < 400;
                curl_easy_getinfo(easy.get(), CURLINFO_SIZE_DOWNLOAD_T, &received);
                curl_easy_getinfo(easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
            }
        }
        if (!complete) {
            DeleteFileW(path.c_str());
        }
        const int64 size = total >= 0 ? total : received;
        ui_.Post([this, downloadId, complete, received, size] {
            const bool reported = Retire(downloads_, downloadId);
            runtime_.OnDownloadProgress(downloadId, received, size);
            runtime_.OnDownloadFinished(downloadId, complete && reported);
        });
    });
}

void InProcessEngine::CancelDownload(uint32 downloadId) {
    auto it = downloads_.find(downloadId);
    if (it != downloads_.end()) {
        *it->second.cancelled = true;
    }
}

void InProcessEngine::Shutdown() {
    for (auto& entry : loads_) {
        *entry.second.cancelled = true;
    }
    for (auto& entry : downloads_) {
        *entry.second.cancelled = true;
    }
    for (auto& entry : loads_) {
        if (entry.second.thread.joinable()) {
            entry.second.thread.join();
        }
    }
    for (auto& entry : downloads_) {
        if (entry.second.thread.joinable()) {
            entry.second.thread.join();
        }
    }
    loads_.clear();
    downloads_.clear();
}

}  // namespace cefimpl
