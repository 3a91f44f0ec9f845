#include "HttpTransfer.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "Win32Handles.h"

namespace {

constexpr char kCredentials[] = "MOVAR:MOVAR";
constexpr long kFetchConnectTimeoutS = 8;
constexpr long kFetchTimeoutS = 10;
constexpr size_t kWriteFailed = static_cast<size_t>(-1);
// Under Wine every receive costs a fixed amount whatever its size: large receives make fast
// transfers (libcurl's default is 16 KiB). Of 1 to 8 MiB, 2 MiB measured fastest on loopback.
constexpr long kReceiveBuffer = 2 * 1024 * 1024;
constexpr curl_off_t kLargestReservation = 512 * 1024 * 1024;

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

// The body's file, created on the first block and written in large blocks: under Wine every
// write call costs a fixed amount whatever its size.
class DownloadSink {
public:
    explicit DownloadSink(const std::string& path) : path_(path) {}

    bool Append(const char* data, size_t size) {
        if (!file_.valid()) {
            file_.reset(CreateFileA(path_.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file_.valid()) {
                return false;
            }
            buffer_.reserve(kBlockSize);
        }
        if (buffer_.size() + size > kBlockSize && !Flush()) {
            return false;
        }
        if (size >= kBlockSize) {
            return WriteAll(data, size);
        }
        buffer_.insert(buffer_.end(), data, data + size);
        return true;
    }

    // Writes what is left and closes the file; false when any of it failed. True without a file.
    bool Finish() {
        if (!file_.valid()) {
            return true;
        }
        const bool flushed = Flush();
        return file_.close() && flushed;
    }

private:
    static constexpr size_t kBlockSize = 512 * 1024;

    bool Flush() {
        const bool written = WriteAll(buffer_.data(), buffer_.size());
        buffer_.clear();
        return written;
    }

    bool WriteAll(const char* data, size_t size) {
        while (size > 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file_.get(), data, chunk, &written, nullptr) || written == 0) {
                return false;
            }
            data += written;
            size -= written;
        }
        return true;
    }

    std::string path_;
    CScopedHandle file_;
    std::vector<char> buffer_;
};

size_t WriteToFile(char* data, size_t size, size_t count, void* userData) {
    auto* sink = static_cast<DownloadSink*>(userData);
    return sink->Append(data, size * count) ? count : kWriteFailed;
}

struct StringSink {
    CURL* easy;
    std::string* out;
};

size_t AppendToString(char* data, size_t size, size_t count, void* userData) {
    auto* sink = static_cast<StringSink*>(userData);
    if (!sink || !sink->out || !data) {
        return kWriteFailed;
    }
    // A body of announced length is held in one allocation, not grown by doubling.
    if (sink->out->empty()) {
        curl_off_t length = 0;
        if (curl_easy_getinfo(sink->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
                CURLE_OK &&
            length > 0 && length <= kLargestReservation) {
            sink->out->reserve(static_cast<size_t>(length));
        }
    }
    sink->out->append(data, size * count);
    return count;
}

}  // namespace

namespace {

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A name in the folder of `path` that no other transfer of this process uses.
std::string TemporaryPathBeside(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) +
           ".part";
}

int Download(const std::string& url, const std::string& path, curl_xferinfo_callback progress,
             void* progressData, long* status) {
    InitCurlOnce();
    DownloadSink sink(path);
    const EasyHandle easy(curl_easy_init());
    if (!easy) {
        return CURLE_FAILED_INIT;
    }
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(easy.get(), CURLOPT_BUFFERSIZE, kReceiveBuffer);
    curl_easy_setopt(easy.get(), CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_USERPWD, kCredentials);
    curl_easy_setopt(easy.get(), CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(easy.get(), CURLOPT_SSL_VERIFYHOST, 0L);
    if (progress) {
        curl_easy_setopt(easy.get(), CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy.get(), CURLOPT_XFERINFOFUNCTION, progress);
        curl_easy_setopt(easy.get(), CURLOPT_XFERINFODATA, progressData);
    }
    int result = curl_easy_perform(easy.get());
    // The last block reaches the disk only now; losing it loses the file's end.
    if (!sink.Finish() && result == CURLE_OK) {
        result = CURLE_WRITE_ERROR;
    }
    if (status) {
        curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, status);
    }
    return result;
}

}  // namespace

int DownloadToFile(const std::string& url, const std::string& path, curl_xferinfo_callback progress,
                   void* progressData) {
    return Download(url, path, progress, progressData, nullptr);
}

int ReplaceByDownload(const std::string& url, const std::string& path) {
    const std::string temporary = TemporaryPathBeside(path);
    if (Download(url, temporary, nullptr, nullptr, nullptr) != CURLE_OK) {
        DeleteFileA(temporary.c_str());
        return 0;
    }
    // Nothing arrived to take the file's place: the file stays, and nothing was saved.
    if (!FileExists(temporary)) {
        return 0;
    }
    if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporary.c_str());
        return 0;
    }
    return 1;
}

int DownloadWholeFile(const std::string& url, const std::string& path) {
    const std::string temporary = TemporaryPathBeside(path);
    long status = 0;
    int result = Download(url, temporary, nullptr, nullptr, &status);
    if (result == CURLE_OK && (status < 200 || status > 299)) {
        result = CURLE_HTTP_RETURNED_ERROR;
    }
    if (result == CURLE_OK && FileExists(temporary) &&
        !MoveFileExA(temporary.c_str(), path.c_str(), 0)) {
        result = CURLE_WRITE_ERROR;
    }
    if (result != CURLE_OK) {
        DeleteFileA(temporary.c_str());
    }
    return result;
}

int FetchToString(const std::string& url, std::string& out) {
    out.clear();
    InitCurlOnce();
    const EasyHandle easy(curl_easy_init());
    if (!easy) {
        return CURLE_FAILED_INIT;
    }
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    StringSink sink{easy.get(), &out};
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, AppendToString);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(easy.get(), CURLOPT_BUFFERSIZE, kReceiveBuffer);
    curl_easy_setopt(easy.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy.get(), CURLOPT_CONNECTTIMEOUT, kFetchConnectTimeoutS);
    curl_easy_setopt(easy.get(), CURLOPT_TIMEOUT, kFetchTimeoutS);
    return curl_easy_perform(easy.get());
}
