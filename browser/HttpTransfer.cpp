#include "HttpTransfer.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "TemporaryDownload.h"
#include "SystemProxy.h"

namespace {

constexpr char kCredentials[] = "MOVAR:MOVAR";
constexpr long kConnectTimeoutS = 30;
constexpr long kFetchConnectTimeoutS = 8;
constexpr long kFetchTimeoutS = 10;
constexpr size_t kWriteFailed = static_cast<size_t>(-1);
// Under Wine every receive costs a fixed amount whatever its size: large receives make fast
// transfers (libcurl's default is 16 KiB). Of 1 to 8 MiB, 2 MiB measured fastest on loopback.
constexpr long kReceiveBuffer = 2 * 1024 * 1024;

// libcurl's global state is set up once for the whole process and kept: setting it up and
// tearing it down around each transfer is unsafe while another thread is transferring.
void InitCurlOnce() {
    static const CURLcode init = curl_global_init(CURL_GLOBAL_ALL);
    (void)init;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

// Whatever libcurl was built with, a web page's address reaches no local file and no service
// other than a web server, also through a redirect.
bool AllowOnlyHttp(CURL* easy) {
#if LIBCURL_VERSION_NUM >= 0x075500
    return curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
#else
    const long http = CURLPROTO_HTTP | CURLPROTO_HTTPS;
    return curl_easy_setopt(easy, CURLOPT_PROTOCOLS, http) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS, http) == CURLE_OK;
#endif
}

// A handle for `url` with what every transfer shares, or null (CURLE_FAILED_INIT).
EasyHandle NewTransfer(const std::string& url) {
    InitCurlOnce();
    EasyHandle easy(curl_easy_init());
    if (!easy || !AllowOnlyHttp(easy.get())) {
        return nullptr;
    }
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_BUFFERSIZE, kReceiveBuffer);
    curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
    const ProxyChoice proxy = SystemProxyFor(url);
    if (!proxy.fromEnvironment) {
        curl_easy_setopt(easy.get(), CURLOPT_PROXY, proxy.proxy.c_str());
    }
    return easy;
}

bool IsSuccessStatus(CURL* easy) {
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    return status >= 200 && status <= 299;
}

struct FileSink {
    CURL* easy;
    CTemporaryDownload* file;
    bool refusedStatus = false;
};

// No exception may cross libcurl's C frames: a block that cannot be stored is a write error.
size_t WriteToFile(char* data, size_t size, size_t count, void* userData) {
    auto* sink = static_cast<FileSink*>(userData);
    try {
        // An error page never reaches the disk.
        if (!sink->file->HasFile() && !IsSuccessStatus(sink->easy)) {
            sink->refusedStatus = true;
            return kWriteFailed;
        }
        return sink->file->Append(data, size * count) ? count : kWriteFailed;
    } catch (...) {
        return kWriteFailed;
    }
}

// Fails a transfer that has received nothing for the stall limit, then asks the caller's
// progress callback. libcurl calls it about once a second also while nothing arrives.
struct StallWatch {
    const DownloadOptions& options;
    curl_off_t received = -1;
    DWORD lastArrival = GetTickCount();
    bool stalled = false;
};

int WatchTransfer(void* data, curl_off_t totalDown, curl_off_t down, curl_off_t totalUp,
                  curl_off_t up) {
    auto* watch = static_cast<StallWatch*>(data);
    const DWORD now = GetTickCount();
    if (down != watch->received) {
        watch->received = down;
        watch->lastArrival = now;
    } else if (now - watch->lastArrival >= watch->options.stallLimitMs) {
        watch->stalled = true;
        return 1;
    }
    const curl_xferinfo_callback progress = watch->options.progress;
    return progress ? progress(watch->options.progressData, totalDown, down, totalUp, up) : 0;
}

struct StringSink {
    CURL* easy;
    std::string* out;
    bool tooLarge = false;
};

size_t AppendToString(char* data, size_t size, size_t count, void* userData) {
    auto* sink = static_cast<StringSink*>(userData);
    if (!sink || !sink->out || !data) {
        return kWriteFailed;
    }
    try {
        const size_t bytes = size * count;
        if (bytes > kFetchLimit - sink->out->size()) {
            sink->tooLarge = true;
            return kWriteFailed;
        }
        // A body of announced length is held in one allocation, not grown by doubling.
        curl_off_t length = 0;
        if (sink->out->empty() &&
            curl_easy_getinfo(sink->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
                CURLE_OK &&
            length > 0) {
            sink->out->reserve(static_cast<size_t>(std::min<curl_off_t>(length, kFetchLimit)));
        }
        sink->out->append(data, bytes);
        return count;
    } catch (...) {
        return kWriteFailed;
    }
}

int PerformDownload(CURL* easy, FileSink& sink, const DownloadOptions& options) {
    StallWatch watch{options};
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy, CURLOPT_USERPWD, kCredentials);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutS);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, WatchTransfer);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &watch);
    const int result = curl_easy_perform(easy);
    if (watch.stalled) {
        return CURLE_OPERATION_TIMEDOUT;
    }
    if (sink.refusedStatus || (result == CURLE_OK && !IsSuccessStatus(easy))) {
        return CURLE_HTTP_RETURNED_ERROR;
    }
    return result;
}

}  // namespace

DownloadResult DownloadFile(const std::string& url, const std::string& path, Placement placement,
                            const DownloadOptions& options) {
    DownloadResult download;
    const EasyHandle easy = NewTransfer(url);
    if (!easy) {
        download.code = CURLE_FAILED_INIT;
        return download;
    }
    CTemporaryDownload file(path);
    FileSink sink{easy.get(), &file};
    download.code = PerformDownload(easy.get(), sink, options);
    // The last block reaches the disk only now; losing it loses the file's end.
    if (download.code == CURLE_OK && !file.Finish()) {
        download.code = CURLE_WRITE_ERROR;
    }
    if (download.code == CURLE_OK && file.HasFile() && !file.PutInPlace(placement, download.path)) {
        download.code = CURLE_WRITE_ERROR;
    }
    return download;
}

int DownloadToFile(const std::string& url, const std::string& path, curl_xferinfo_callback progress,
                   void* progressData) {
    DownloadOptions options;
    options.progress = progress;
    options.progressData = progressData;
    return DownloadFile(url, path, Placement::kReplace, options).code;
}

int ReplaceByDownload(const std::string& url, const std::string& path) {
    return DownloadFile(url, path, Placement::kReplace).path.empty() ? 0 : 1;
}

int FetchToString(const std::string& url, std::string& out) {
    out.clear();
    const EasyHandle easy = NewTransfer(url);
    if (!easy) {
        return CURLE_FAILED_INIT;
    }
    StringSink sink{easy.get(), &out};
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, AppendToString);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
    // A longer announced body fails before any of it arrives.
    curl_easy_setopt(easy.get(), CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kFetchLimit));
    curl_easy_setopt(easy.get(), CURLOPT_CONNECTTIMEOUT, kFetchConnectTimeoutS);
    curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, kFetchTimeoutS);
    int result = curl_easy_perform(easy.get());
    if (sink.tooLarge) {
        result = CURLE_FILESIZE_EXCEEDED;
    } else if (result == CURLE_OK && !IsSuccessStatus(easy.get())) {
        result = CURLE_HTTP_RETURNED_ERROR;
    }
    if (result != CURLE_OK) {
        out.clear();
    }
    return result;
}
