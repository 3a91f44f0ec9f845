#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "BenchTimer.h"
#include "HttpTransfer.h"

// Fetches one loopback URL in several ways in one process and prints, a line each, the way, the
// bytes it got and the median of its seconds over ROUNDS rounds. A first round, not counted, warms
// up what a running program has warmed up already (libcurl's global state, the TLS library). The
// ways: plain Winsock loops (one recv into a large buffer at a time, until the end), writing the
// body to disk with WriteFile or receiving it into memory of the announced size;
// then DownloadToFile, ReplaceByDownload and FetchToString. The ways into memory fetch
// MEMORY_URL, whose body FetchToString takes whole. Naming ways runs only those.
// Usage: download_bench URL MEMORY_URL PATH ROUNDS [WAY...]
namespace {

// The loops' receive size: that of the transfers (the fastest for the loop too, of 512 KiB to
// 4 MiB measured), and 512 KiB for reference.
constexpr size_t kLoopBuffer = 2 * 1024 * 1024;
constexpr size_t kSmallLoopBuffer = 512 * 1024;

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

struct SocketCloser {
    void operator()(SOCKET* s) const {
        closesocket(*s);
        delete s;
    }
};
using ScopedSocket = std::unique_ptr<SOCKET, SocketCloser>;

// A connected socket that has sent an HTTP/1.0 GET of `url`; null on failure.
ScopedSocket Request(const std::string& url) {
    std::string host, path;
    int port = 0;
    if (!SplitUrl(url, host, port, path)) {
        return nullptr;
    }
    ScopedSocket s(new SOCKET(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = inet_addr(host.c_str());
    if (*s == INVALID_SOCKET ||
        connect(*s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        return nullptr;
    }
    const std::string request = "GET " + path + " HTTP/1.0\r\nHost: " + host + "\r\n\r\n";
    send(*s, request.data(), static_cast<int>(request.size()), 0);
    return s;
}

// Receives until the header's end; returns the announced body length (0 when none) and moves
// the body bytes that came with the header into `early`.
size_t ReceiveHeader(SOCKET s, std::vector<char>& buffer, std::string& early) {
    std::string header;
    for (;;) {
        const int got = recv(s, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (got <= 0) {
            return 0;
        }
        header.append(buffer.data(), static_cast<size_t>(got));
        const size_t end = header.find("\r\n\r\n");
        if (end != std::string::npos) {
            early = header.substr(end + 4);
            const size_t field = header.find("Content-Length: ");
            return field < end ? std::strtoul(header.c_str() + field + 16, nullptr, 10) : 0;
        }
    }
}

// The body written to `file` as it arrives; the bytes of the body, or -1.
double LoopToFile(const std::string& url, const char* file, size_t receiveSize) {
    const ScopedSocket s = Request(url);
    if (!s) {
        return -1;
    }
    std::vector<char> buffer(receiveSize);
    std::string early;
    ReceiveHeader(*s, buffer, early);
    const HANDLE out =
        CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(out, early.data(), static_cast<DWORD>(early.size()), &written, nullptr);
    double body = written;
    for (;;) {
        const int got = recv(*s, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (got <= 0) {
            break;
        }
        WriteFile(out, buffer.data(), static_cast<DWORD>(got), &written, nullptr);
        body += written;
    }
    CloseHandle(out);
    return body;
}

// The body received straight into memory of the announced length; the bytes of the body, or -1.
double LoopToMemory(const std::string& url) {
    const ScopedSocket s = Request(url);
    if (!s) {
        return -1;
    }
    std::vector<char> buffer(4096);
    std::string early;
    const size_t length = ReceiveHeader(*s, buffer, early);
    if (length < early.size()) {
        return -1;
    }
    const std::unique_ptr<char[]> body(new char[length]);
    std::memcpy(body.get(), early.data(), early.size());
    size_t have = early.size();
    while (have < length) {
        const int want = static_cast<int>(std::min(length - have, kLoopBuffer));
        const int got = recv(*s, body.get() + have, want, 0);
        if (got <= 0) {
            break;
        }
        have += static_cast<size_t>(got);
    }
    return static_cast<double>(have);
}

struct Way {
    Way(const char* wayName, bool memory, std::function<double()> transfer)
        : name(wayName), intoMemory(memory), run(std::move(transfer)) {}

    const char* name;
    bool intoMemory;
    std::function<double()> run;  // the bytes it got, or -1
    std::vector<double> seconds;
    double bytes = 0;
};

std::vector<Way> Ways(const std::string& url, const std::string& memoryUrl, const char* path) {
    return {
        {"winsock", false, [=] { return LoopToFile(url, path, kLoopBuffer); }},
        {"winsock-512k", false, [=] { return LoopToFile(url, path, kSmallLoopBuffer); }},
        {"DownloadToFile", false,
         [=] { return DownloadToFile(url, path) == CURLE_OK ? FileSize(path) : -1; }},
        {"ReplaceByDownload", false,
         [=] { return ReplaceByDownload(url, path) ? FileSize(path) : -1; }},
        {"winsock-memory", true, [=] { return LoopToMemory(memoryUrl); }},
        {"FetchToString", true,
         [=] {
             std::string body;
             return FetchToString(memoryUrl, body) == CURLE_OK ? static_cast<double>(body.size())
                                                               : -1;
         }},
    };
}

bool Chosen(int argc, char** argv, const char* way) {
    if (argc <= 5) {
        return true;
    }
    for (int i = 5; i < argc; ++i) {
        if (std::strcmp(argv[i], way) == 0) {
            return true;
        }
    }
    return false;
}

void Measure(Way& way, int round, const char* path) {
    const double start = Now();
    const double bytes = way.run();
    const double seconds = Now() - start;
    DeleteFileA(path);
    if (round > 0) {
        way.seconds.push_back(seconds);
    }
    // Every round must fetch the whole body; one that does not spoils the way's figure.
    if (bytes < 0 || (round > 0 && bytes != way.bytes)) {
        way.bytes = -1;
    } else if (round == 0) {
        way.bytes = bytes;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || std::atoi(argv[4]) < 1) {
        std::fprintf(stderr, "usage: download_bench URL MEMORY_URL PATH ROUNDS [WAY...]\n");
        return 2;
    }
    const char* path = argv[3];
    const int rounds = std::atoi(argv[4]);
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    std::vector<Way> ways = Ways(argv[1], argv[2], path);
    // Freeing a large body slowed the transfer after it on the virtual machines measured, so the
    // ways to disk run all their rounds before the ways into memory.
    for (const bool intoMemory : {false, true}) {
        for (int round = 0; round <= rounds; ++round) {
            for (Way& way : ways) {
                if (way.intoMemory == intoMemory && Chosen(argc, argv, way.name)) {
                    Measure(way, round, path);
                }
            }
        }
    }
    for (const Way& way : ways) {
        if (!way.seconds.empty()) {
            std::printf("%s %.0f %.3f\n", way.name, way.bytes, Median(way.seconds));
        }
    }
    WSACleanup();
    return 0;
}
