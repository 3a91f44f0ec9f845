#include "HttpTransfer.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace {

constexpr char kCredentials[] = "MOVAR:MOVAR";
constexpr long kFetchConnectTimeoutS = 8;
constexpr long kFetchTimeoutS = 10;
constexpr size_t kWriteFailed = static_cast<size_t>(-1);

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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct DownloadSink {
    std::string path;
    std::unique_ptr<std::FILE, FileCloser> file;
};

size_t WriteToFile(char* data, size_t size, size_t count, void* userData) {
    auto* sink = static_cast<DownloadSink*>(userData);
    if (!sink->file) {
        sink->file.reset(std::fopen(sink->path.c_str(), "wb"));
        if (!sink->file) {
            return kWriteFailed;
        }
    }
    return std::fwrite(data, size, count, sink->file.get());
}

size_t AppendToString(char* data, size_t size, size_t count, void* userData) {
    auto* out = static_cast<std::string*>(userData);
    if (!out || !data) {
        return kWriteFailed;
    }
    out->append(data, size * count);
    return count;
}

}  // namespace

int DownloadToFile(const std::string& url, const std::string& path, curl_xferinfo_callback progress,
                   void* progressData) {
    InitCurlOnce();
    DownloadSink sink{path, nullptr};
    const EasyHandle easy(curl_easy_init());
    if (!easy) {
        return CURLE_FAILED_INIT;
    }
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(easy.get(), CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_USERPWD, kCredentials);
    curl_easy_setopt(easy.get(), CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(easy.get(), CURLOPT_SSL_VERIFYHOST, 0L);
    if (progress) {
        curl_easy_setopt(easy.get(), CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy.get(), CURLOPT_XFERINFOFUNCTION, progress);
        curl_easy_setopt(easy.get(), CURLOPT_XFERINFODATA, progressData);
    }
    return curl_easy_perform(easy.get());
}

int ReplaceByDownload(const std::string& url, const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        DeleteFileA(path.c_str());
    }
    return DownloadToFile(url, path) == CURLE_OK ? 1 : 0;
}

int FetchToString(const std::string& url, std::string& out) {
    out.clear();
    InitCurlOnce();
    const EasyHandle easy(curl_easy_init());
    if (!easy) {
        return CURLE_FAILED_INIT;
    }
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, AppendToString);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &out);
    curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_CONNECTTIMEOUT, kFetchConnectTimeoutS);
    curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, kFetchTimeoutS);
    return curl_easy_perform(easy.get());
}
