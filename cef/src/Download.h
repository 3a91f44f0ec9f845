#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "include/cef_download_handler.h"
#include "include/cef_download_item.h"
#include "LiveObjects.h"
#include "Snapshots.h"

namespace cefimpl {

class BrowserImpl;
class Engine;

// The downloads pages started, from OnBeforeDownload to their end. UI thread, except Snapshots.
class DownloadManager {
public:
    explicit DownloadManager(Engine& engine) : engine_(engine) {}

    uint32 Start(CefRefPtr<BrowserImpl> browser, const std::wstring& url,
                 const std::wstring& suggestedName);
    void Continue(uint32 id, const std::wstring& path, bool showDialog);
    void Cancel(uint32 id);
    void OnProgress(uint32 id, int64 received, int64 total);
    void OnFinished(uint32 id, bool complete);
    // Cancels what still runs and forgets every download, releasing their browsers.
    void Clear();

    std::vector<DownloadSnapshot> Snapshots();
    bool AnyRunning();

private:
    enum class State { Pending, InProgress, Complete, Canceled };
    struct Record {
        CefRefPtr<BrowserImpl> browser;
        DownloadSnapshot data;
        State state = State::Pending;
        CefTime start;
        CefTime end;
    };

    void SetState(Record& record, State state);
    // Calls OnDownloadUpdated with a snapshot of the download.
    void Notify(uint32 id);
    bool ChooseSavePath(int browserId, std::wstring& path);

    Engine& engine_;
    std::mutex mutex_;
    std::map<uint32, Record> records_;
    uint32 nextId_ = 1;
};

class DownloadItemImpl : public CefDownloadItem {
public:
    DownloadItemImpl(const DownloadSnapshot& data, const CefTime& start, const CefTime& end)
        : data_(data), start_(start), end_(end) {}

    // The callback it was handed to has returned.
    void Invalidate() { valid_ = false; }

    bool IsValid() override { return valid_; }
    bool IsInProgress() override { return data_.inProgress; }
    bool IsComplete() override { return data_.complete; }
    bool IsCanceled() override { return data_.canceled; }
    int64 GetCurrentSpeed() override { return 0; }
    int GetPercentComplete() override;
    int64 GetTotalBytes() override { return data_.total < 0 ? 0 : data_.total; }
    int64 GetReceivedBytes() override { return data_.received; }
    CefTime GetStartTime() override { return start_; }
    CefTime GetEndTime() override { return end_; }
    CefString GetFullPath() override { return data_.fullPath; }
    uint32 GetId() override { return data_.id; }
    CefString GetURL() override { return data_.url; }
    CefString GetOriginalUrl() override { return data_.url; }
    CefString GetSuggestedFileName() override { return data_.suggestedName; }
    CefString GetContentDisposition() override { return CefString(); }
    CefString GetMimeType() override { return CefString(); }

private:
    bool valid_ = true;
    DownloadSnapshot data_;
    CefTime start_;
    CefTime end_;
    Live<LiveKind::Other> live_;
    IMPLEMENT_REFCOUNTING(DownloadItemImpl);
};

}  // namespace cefimpl
