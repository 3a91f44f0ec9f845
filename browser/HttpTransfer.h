#pragma once

#include <curl/curl.h>

#include <string>

// Blocking HTTP transfers over libcurl. Results are libcurl's CURLcode values; an HTTP error
// status is not a failure here, its body is delivered like any other.

// Downloads `url` (UTF-8) into the file at `path` (ANSI), sending the service's fixed
// credentials. The file is created on the first body byte only, so an empty body creates none.
// A file that cannot be written completely, to the last block, is CURLE_WRITE_ERROR.
// No time-outs, no redirects followed, no certificate checks.
int DownloadToFile(const std::string& url, const std::string& path,
                   curl_xferinfo_callback progress = nullptr, void* progressData = nullptr);

// Downloads `url` like DownloadToFile and puts the file in place of the one at `path` once the
// transfer is complete; a failed transfer or an empty body leaves the old file as it was. 1 when
// a file was downloaded and put in place, else 0.
int ReplaceByDownload(const std::string& url, const std::string& path);

// Downloads `url` like DownloadToFile, but a file appears at `path` only for a complete transfer
// with a 2xx status; then CURLE_OK. Another status is CURLE_HTTP_RETURNED_ERROR, and no file of
// that name is ever replaced. An empty body leaves no file.
int DownloadWholeFile(const std::string& url, const std::string& path);

// Fetches `url` into `out` (cleared first): no credentials, 8 s to connect, 10 s in all.
int FetchToString(const std::string& url, std::string& out);
