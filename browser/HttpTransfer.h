#pragma once

#include <curl/curl.h>

#include <string>

// Blocking HTTP transfers over libcurl. Results are libcurl's CURLcode values; an HTTP error
// status is not a failure here, its body is delivered like any other.

// Downloads `url` (UTF-8) into the file at `path` (ANSI), sending the service's fixed
// credentials. The file is created on the first body byte only, so an empty body creates none.
// No time-outs, no redirects followed, no certificate checks.
int DownloadToFile(const std::string& url, const std::string& path,
                   curl_xferinfo_callback progress = nullptr, void* progressData = nullptr);

// Deletes the file at `path`, then downloads into it. 1 when the download succeeded, else 0.
int ReplaceByDownload(const std::string& url, const std::string& path);

// Fetches `url` into `out` (cleared first): no credentials, 8 s to connect, 10 s in all.
int FetchToString(const std::string& url, std::string& out);
