#include "Download.h"

#include <windows.h>

#include "Runtime.h"

namespace cefimpl {

namespace {

// Lets a pending download go on, once; released unused, it cancels the download.
class BeforeDownloadCallbackImpl : public CefBeforeDownloadCallback {
public:
    explicit BeforeDownloadCallbackImpl(uint32 id) : id_(id) {}
    ~BeforeDownloadCallbackImpl() override {
        if (!used_) {
            Post([id = id_] { Runtime::Get()->downloads().Cancel(id); });
        }
    }

    void Continue(const CefString& download_path, bool show_dialog) override {
        if (used_.exchange(true)) {
            return;
        }
        const std::wstring path = download_path.ToWString();
        Post([id = id_, path, show_dialog] {
            Runtime::Get()->downloads().Continue(id, path, show_dialog);
        });
    }

private:
    static void Post(Task task) {
        if (Runtime* runtime = Runtime::Get()) {
            runtime->ui().Post(std::move(task));
        }
    }

    const uint32 id_;
    std::atomic<bool> used_{false};
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(BeforeDownloadCallbackImpl);
};

class DownloadItemCallbackImpl : public CefDownloadItemCallback {
public:
    explicit DownloadItemCallbackImpl(uint32 id) : id_(id) {}

    void Cancel() override {
        if (Runtime* runtime = Runtime::Get()) {
            runtime->ui().Post([id = id_] { Runtime::Get()->downloads().Cancel(id); });
        }
    }

private:
    const uint32 id_;
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(DownloadItemCallbackImpl);
};

std::wstring TempFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    return std::wstring(buffer, length);
}

}  // namespace

int DownloadItemImpl::GetPercentComplete() {
    if (data_.complete) {
        return 100;
    }
    if (data_.total <= 0) {
        return -1;
    }
    return static_cast<int>(data_.received * 100 / data_.total);
}

uint32 DownloadManager::Start(CefRefPtr<BrowserImpl> browser, const std::wstring& url,
                              const std::wstring& suggestedName) {
    uint32 id;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        id = nextId_++;
        Record& record = records_[id];
        record.browser = browser;
        record.data.id = id;
        record.data.browserId = browser->GetIdentifier();
        record.data.url = url;
        record.data.suggestedName = suggestedName;
        record.data.inProgress = true;
        record.start.Now();
    }
    CefRefPtr<CefClient> client = browser->GetClient();
    CefRefPtr<CefDownloadHandler> handler = client ? client->GetDownloadHandler() : nullptr;
    if (!handler) {
        Cancel(id);
        return id;
    }
    CefRefPtr<DownloadItemImpl> item;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const Record& record = records_[id];
        item = new DownloadItemImpl(record.data, record.start, record.end);
    }
    handler->OnBeforeDownload(browser.get(), item.get(), suggestedName,
                              new BeforeDownloadCallbackImpl(id));
    item->Invalidate();
    return id;
}

void DownloadManager::Continue(uint32 id, const std::wstring& path, bool showDialog) {
    std::wstring target = path;
    int browserId;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = records_.find(id);
        if (it == records_.end() || it->second.state != State::Pending) {
            return;
        }
        browserId = it->second.data.browserId;
        if (target.empty()) {
            target = TempFolder() + it->second.data.suggestedName;
        }
    }
    if (showDialog && !ChooseSavePath(browserId, target)) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            SetState(records_[id], State::Canceled);
        }
        Notify(id);
        return;
    }
    std::wstring url;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Record& record = records_[id];
        record.data.fullPath = target;
        record.state = State::InProgress;
        url = record.data.url;
    }
    Notify(id);
    engine_.StartDownload(id, url, target);
}

bool DownloadManager::ChooseSavePath(int browserId, std::wstring& path) {
    std::wstring answer = path;
    if (Runtime::Get()->ScriptedSaveAnswer(answer)) {
        path = answer;
        return !path.empty();
    }
    return engine_.ChooseSavePath(browserId, path);
}

void DownloadManager::Cancel(uint32 id) {
    State state;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = records_.find(id);
        if (it == records_.end()) {
            return;
        }
        state = it->second.state;
        if (state == State::Pending) {
            SetState(it->second, State::Canceled);
        }
    }
    if (state == State::InProgress) {
        engine_.CancelDownload(id);
    }
}

void DownloadManager::OnProgress(uint32 id, int64 received, int64 total) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = records_.find(id);
        if (it == records_.end() || it->second.state != State::InProgress) {
            return;
        }
        it->second.data.received = received;
        it->second.data.total = total;
    }
    Notify(id);
}

void DownloadManager::OnFinished(uint32 id, bool complete) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = records_.find(id);
        if (it == records_.end() || it->second.state != State::InProgress) {
            return;
        }
        SetState(it->second, complete ? State::Complete : State::Canceled);
    }
    Notify(id);
}

void DownloadManager::SetState(Record& record, State state) {
    record.state = state;
    record.data.inProgress = state == State::Pending || state == State::InProgress;
    record.data.complete = state == State::Complete;
    record.data.canceled = state == State::Canceled;
    if (!record.data.inProgress) {
        record.end.Now();
    }
}

void DownloadManager::Notify(uint32 id) {
    CefRefPtr<BrowserImpl> browser;
    CefRefPtr<DownloadItemImpl> item;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = records_.find(id);
        if (it == records_.end()) {
            return;
        }
        browser = it->second.browser;
        item = new DownloadItemImpl(it->second.data, it->second.start, it->second.end);
    }
    CefRefPtr<CefClient> client = browser->GetClient();
    CefRefPtr<CefDownloadHandler> handler = client ? client->GetDownloadHandler() : nullptr;
    if (handler) {
        handler->OnDownloadUpdated(browser.get(), item.get(), new DownloadItemCallbackImpl(id));
    }
    item->Invalidate();
}

void DownloadManager::Clear() {
    std::map<uint32, Record> records;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        records.swap(records_);
    }
    for (const auto& entry : records) {
        if (entry.second.state == State::InProgress) {
            engine_.CancelDownload(entry.first);
        }
    }
}

std::vector<DownloadSnapshot> DownloadManager::Snapshots() {
    std::vector<DownloadSnapshot> snapshots;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : records_) {
        snapshots.push_back(entry.second.data);
    }
    return snapshots;
}

bool DownloadManager::AnyRunning() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : records_) {
        if (entry.second.state == State::InProgress) {
            return true;
        }
    }
    return false;
}

}  // namespace cefimpl
