#pragma once

#include <curl/curl.h>

#include <string>

// Blocking HTTP transfers over libcurl. Results are libcurl's CURLcode values. Only http and https
// are fetched, also after a redirect, and every transfer takes the proxy the system would use.

// How a downloaded file takes its place at the path asked for.
enum class Placement {
    kReplace,       // a file of that name is replaced
    kKeepExisting,  // a file of that name is kept and the download fails (CURLE_WRITE_ERROR)
    kNextFreeName,  // nothing is replaced: the first free "name(n).ext" is taken instead
};

struct DownloadOptions {
    curl_xferinfo_callback progress = nullptr;
    void* progressData = nullptr;
    // A transfer that receives nothing for this long fails with CURLE_OPERATION_TIMEDOUT.
    unsigned long stallLimitMs = 60 * 1000;
};

struct DownloadResult {
    int code = CURLE_OK;
    // Where the file was put (ANSI); empty when none was: a failure, or an empty body.
    std::string path;
};

// Downloads `url` (UTF-8) into a temporary file beside `path` (ANSI), sending the service's fixed
// credentials, and moves it into place only when a 2xx response arrived complete. Any other
// status is CURLE_HTTP_RETURNED_ERROR (redirects are not followed). On failure nothing at `path`
// is touched and no temporary file remains. An empty body writes no file. Connecting gives up
// after 30 s. No certificate checks.
DownloadResult DownloadFile(const std::string& url, const std::string& path, Placement placement,
                            const DownloadOptions& options = DownloadOptions());

// DownloadFile replacing a file of that name; the CURLcode.
int DownloadToFile(const std::string& url, const std::string& path,
                   curl_xferinfo_callback progress = nullptr, void* progressData = nullptr);

// DownloadFile replacing a file of that name: 1 when a file was downloaded and put in place,
// else 0 (an empty body saves nothing and keeps the old file too).
int ReplaceByDownload(const std::string& url, const std::string& path);

// The most FetchToString takes; a longer body is CURLE_FILESIZE_EXCEEDED.
constexpr size_t kFetchLimit = 1024 * 1024;

// Fetches `url` into `out`: no credentials, 8 s to connect, 10 s in all. `out` is empty unless
// the transfer succeeded (any status: the body is what the server sent).
int FetchToString(const std::string& url, std::string& out);
