#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "HttpTransfer.h"

// Fetches one loopback URL in several ways in one process and prints, a line each, the way, the
// bytes it got and the seconds it took: first the baseline, a plain Winsock loop (one recv into a
// large buffer, WriteFile to disk, until the end), then DownloadToFile, ReplaceByDownload and
// FetchToString.
// Usage: download_bench URL PATH
namespace {

constexpr size_t kLoopBuffer = 512 * 1024;

double FileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        return 0;
    }
    return static_cast<double>(data.nFileSizeLow) +
           static_cast<double>(data.nFileSizeHigh) * 4294967296.0;
}

// "http://HOST:PORT/PATH" into its parts; false for anything else.
bool SplitUrl(const std::string& url, std::string& host, int& port, std::string& path) {
    const std::string scheme = "http://";
    if (url.compare(0, scheme.size(), scheme) != 0) {
        return false;
    }
    const size_t slash = url.find('/', scheme.size());
    const std::string authority = url.substr(scheme.size(), slash - scheme.size());
    const size_t colon = authority.find(':');
    host = authority.substr(0, colon);
    port = colon == std::string::npos ? 80 : std::atoi(authority.c_str() + colon + 1);
    path = slash == std::string::npos ? "/" : url.substr(slash);
    return true;
}

// The body of an HTTP/1.0 GET written to `file` as it arrives; the bytes of the body, or -1.
double WinsockLoop(const std::string& url, const char* file) {
    std::string host, path;
    int port = 0;
    if (!SplitUrl(url, host, port, path)) {
        return -1;
    }
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = inet_addr(host.c_str());
    if (s == INVALID_SOCKET ||
        connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        return -1;
    }
    const std::string request = "GET " + path + " HTTP/1.0\r\nHost: " + host + "\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    const HANDLE out =
        CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::vector<char> buffer(kLoopBuffer);
    std::string header;
    bool inBody = false;
    double body = 0;
    for (;;) {
        const int got = recv(s, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (got <= 0) {
            break;
        }
        const char* data = buffer.data();
        size_t size = static_cast<size_t>(got);
        if (!inBody) {
            header.append(data, size);
            const size_t end = header.find("\r\n\r\n");
            if (end == std::string::npos) {
                continue;
            }
            inBody = true;
            const size_t already = header.size() - (end + 4);
            data = buffer.data() + (size - already);
            size = already;
        }
        DWORD written = 0;
        WriteFile(out, data, static_cast<DWORD>(size), &written, nullptr);
        body += written;
    }
    CloseHandle(out);
    closesocket(s);
    return body;
}

void Report(const char* way, double bytes, double seconds) {
    std::printf("%s %.0f %.3f\n", way, bytes, seconds);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: download_bench URL PATH\n");
        return 2;
    }
    const std::string url = argv[1];
    const char* path = argv[2];
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);

    double start = Now();
    const double loopBytes = WinsockLoop(url, path);
    Report("winsock", loopBytes, Now() - start);
    DeleteFileA(path);

    start = Now();
    const int toFile = DownloadToFile(url, path);
    Report("DownloadToFile", toFile == CURLE_OK ? FileSize(path) : -1, Now() - start);

    start = Now();
    const int replaced = ReplaceByDownload(url, path);
    Report("ReplaceByDownload", replaced ? FileSize(path) : -1, Now() - start);
    DeleteFileA(path);

    std::string body;
    start = Now();
    const int fetched = FetchToString(url, body);
    Report("FetchToString", fetched == CURLE_OK ? static_cast<double>(body.size()) : -1,
           Now() - start);
    WSACleanup();
    return 0;
}
