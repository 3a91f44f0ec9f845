// Downloads: the browser's downloads reported to the library, which says where each goes, and
// moved there once complete.
#include "ChromiumEngine.h"

#include "Browser.h"
#include "Download.h"
#include "Runtime.h"
#include "Text.h"

namespace cefimpl {

void ChromiumEngine::OnDownloadWillBegin(const cJSON* params) {
    const std::string guid = JsonString(params, "guid");
    const std::string frameId = JsonString(params, "frameId");
    int browserId = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& entry : pages_) {
            if (entry.second.targetId == frameId || entry.second.frames.count(frameId)) {
                browserId = entry.first;
            }
        }
        downloads_[guid] = Download();
    }
    const std::wstring url = Utf8ToWide(JsonString(params, "url"));
    const std::wstring name = Utf8ToWide(JsonString(params, "suggestedFilename"));
    runtime_.ui().Post([this, guid, browserId, url, name] {
        CefRefPtr<BrowserImpl> browser = runtime_.FindBrowser(browserId);
        const uint32 id = browser ? runtime_.downloads().Start(browser, url, name) : 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            downloads_[guid].id = id;
        }
        if (!id) {
            connection_.Send("Browser.cancelDownload", Params({{"guid", guid}}));
        }
    });
}

void ChromiumEngine::OnDownloadProgress(const cJSON* params) {
    const std::string guid = JsonString(params, "guid");
    const std::string state = JsonString(params, "state");
    const int64 received = static_cast<int64>(JsonNumber(params, "receivedBytes"));
    const int64 total = static_cast<int64>(JsonNumber(params, "totalBytes", -1));
    runtime_.ui().Post([this, guid, state, received, total] {
        uint32 id = 0;
        bool started = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto it = downloads_.find(guid);
            if (it == downloads_.end()) {
                return;
            }
            it->second.state = state;
            it->second.received = received;
            it->second.total = total > 0 ? total : -1;
            id = it->second.id;
            started = !it->second.path.empty();
        }
        if (!started) {
            return;  // waits for the application to say where it goes
        }
        if (state == "inProgress") {
            runtime_.OnDownloadProgress(id, received, total > 0 ? total : -1);
        } else {
            FinishDownload(guid);
        }
    });
}

void ChromiumEngine::StartDownload(uint32 downloadId, const std::wstring&,
                                   const std::wstring& path) {
    std::string guid;
    bool ended = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : downloads_) {
            if (entry.second.id == downloadId) {
                guid = entry.first;
                entry.second.path = path;
                ended = entry.second.state == "completed" || entry.second.state == "canceled";
            }
        }
    }
    if (guid.empty()) {
        runtime_.ui().Post([this, downloadId] { runtime_.OnDownloadFinished(downloadId, false); });
    } else if (ended) {
        FinishDownload(guid);
    }
}

void ChromiumEngine::FinishDownload(const std::string& guid) {
    Download download;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = downloads_.find(guid);
        if (it == downloads_.end() || it->second.reported) {
            return;
        }
        it->second.reported = true;
        download = it->second;
    }
    const std::wstring temporary = process_.downloadFolder() + L"\\" + Utf8ToWide(guid);
    bool complete = download.state == "completed";
    if (complete) {
        complete = MoveFileExW(temporary.c_str(), download.path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
    }
    if (!complete) {
        DeleteFileW(temporary.c_str());
    }
    runtime_.OnDownloadProgress(download.id, download.received,
                                download.total > 0 ? download.total : download.received);
    runtime_.OnDownloadFinished(download.id, complete);
}

void ChromiumEngine::CancelDownload(uint32 downloadId) {
    std::string guid;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : downloads_) {
            if (entry.second.id == downloadId) {
                guid = entry.first;
                entry.second.state = "canceled";
            }
        }
    }
    if (guid.empty()) {
        return;
    }
    connection_.Send("Browser.cancelDownload", Params({{"guid", guid}}));
    runtime_.ui().Post([this, guid] { FinishDownload(guid); });
}

void ChromiumEngine::FailDownloads() {
    std::vector<std::string> started;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& entry : downloads_) {
            entry.second.state = "canceled";
            // One the application has not placed yet ends when it is placed.
            if (!entry.second.path.empty()) {
                started.push_back(entry.first);
            }
        }
    }
    for (const auto& guid : started) {
        FinishDownload(guid);
    }
}

}  // namespace cefimpl
