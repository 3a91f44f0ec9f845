#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BenchTimer.h"
#include "corvel_tcp.h"

// 64 MiB sent to a loopback echo server and received back, through the plug-in's function table
// and, as the baseline, through plain Winsock calls (send, recv) in the same process; prints the
// best seconds of three runs of each, taken in turns.
namespace {

constexpr int kTotal = 64 * 1024 * 1024;
constexpr int kBlock = 256 * 1024;
constexpr int kReceiveBuffer = 512 * 1024;

// Accepts one connection at a time and sends back what it receives until the peer closes.
class EchoServer {
public:
    EchoServer() {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(listener_, 4);
        thread_ = std::thread([this] { Serve(); });
    }
    ~EchoServer() {
        closesocket(listener_);
        thread_.join();
    }
    int port() const { return port_; }

private:
    void Serve() {
        std::vector<char> buffer(kReceiveBuffer);
        for (;;) {
            const SOCKET peer = accept(listener_, nullptr, nullptr);
            if (peer == INVALID_SOCKET) {
                return;
            }
            for (int got; (got = recv(peer, buffer.data(), kReceiveBuffer, 0)) > 0;) {
                for (int sent = 0; sent < got;) {
                    const int now = send(peer, buffer.data() + sent, got - sent, 0);
                    if (now <= 0) {
                        break;
                    }
                    sent += now;
                }
            }
            closesocket(peer);
        }
    }

    SOCKET listener_;
    int port_ = 0;
    std::thread thread_;
};

// Sends kTotal bytes a block at a time with `send` and takes each block back with `receive`
// before the next (the plug-in gives up a connection whose send buffer is full, so the data in
// flight stays well below it); the seconds it took, or -1 when the bytes did not all come back.
template <class Send, class Receive>
double RoundTrip(Send send, Receive receive) {
    const std::vector<char> block(kBlock, 'x');
    std::vector<char> buffer(kReceiveBuffer);
    const double start = Now();
    for (int done = 0; done < kTotal; done += kBlock) {
        for (int sent = 0; sent < kBlock;) {
            const int now = send(block.data() + sent, kBlock - sent);
            if (now <= 0) {
                return -1;
            }
            sent += now;
        }
        for (int received = 0; received < kBlock;) {
            const int got = receive(buffer.data(), kReceiveBuffer);
            if (got <= 0) {
                return -1;
            }
            received += got;
        }
    }
    return Now() - start;
}

}  // namespace

int main() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    EchoServer server;

    const HMODULE library = LoadLibraryW(L"corvel_tcp.dll");
    const auto get = reinterpret_cast<GetPlugDllFunsFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetPlugDllFuns")));
    PlugDllFuns table = {};
    table.size = sizeof table;
    if (!get || get(&table) != 0) {
        std::fprintf(stderr, "the plug-in could not be loaded\n");
        return 1;
    }
    double winsock = 1e9;
    double plugin = 1e9;
    // A failed transfer (-1) is no time at all: it ends the benchmark.
    const auto best = [](double& kept, double seconds) {
        if (seconds < 0) {
            std::fprintf(stderr, "a transfer did not bring every byte back\n");
            std::exit(1);
        }
        kept = std::min(kept, seconds);
    };
    for (int round = 0; round < 3; ++round) {
        const SOCKET plain = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<u_short>(server.port()));
        connect(plain, reinterpret_cast<sockaddr*>(&address), sizeof address);
        best(winsock,
             RoundTrip([&](const char* data, int length) { return send(plain, data, length, 0); },
                       [&](char* buffer, int size) { return recv(plain, buffer, size, 0); }));
        closesocket(plain);

        const std::wstring text = L"ip=127.0.0.1;port=" + std::to_wstring(server.port());
        const PlugHandle connection = table.open(text.c_str());
        best(plugin, RoundTrip([&](const char* data,
                                   int length) { return table.send(connection, data, length); },
                               [&](char* buffer, int size) {
                                   return table.receive(connection, buffer, size, 5000);
                               }));
        table.close(connection);
    }
    std::printf("winsock %.3f\nplugin %.3f\n", winsock, plugin);
    WSACleanup();
    return 0;
}
