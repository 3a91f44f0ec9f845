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

// Through the plug-in's function table and, as the baseline, through plain Winsock calls (send,
// recv) in the same process, against a loopback echo server: 64 MiB sent and received back (bulk),
// and 1 KiB requests each answered before the next (exchanges). Prints the medians of kRounds
// rounds taken in turns: the bulk seconds, and the microseconds of one exchange.
namespace {

constexpr int kTotal = 64 * 1024 * 1024;
constexpr int kBlock = 256 * 1024;
constexpr int kReceiveBuffer = 512 * 1024;
constexpr int kRequest = 1024;
constexpr int kExchanges = 2000;
constexpr int kRounds = 5;

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

// kExchanges requests of kRequest bytes, each answered before the next; the time of each, in
// seconds, or nothing when an answer did not come back whole.
template <class Send, class Receive>
std::vector<double> Exchanges(Send send, Receive receive) {
    const std::vector<char> request(kRequest, 'r');
    std::vector<char> buffer(kRequest);
    std::vector<double> times;
    for (int i = 0; i < kExchanges; ++i) {
        const double start = Now();
        if (send(request.data(), kRequest) != kRequest) {
            return {};
        }
        for (int received = 0; received < kRequest;) {
            const int got = receive(buffer.data() + received, kRequest - received);
            if (got <= 0) {
                return {};
            }
            received += got;
        }
        times.push_back(Now() - start);
    }
    return times;
}

SOCKET ConnectPlain(int port) {
    const SOCKET plain = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    connect(plain, reinterpret_cast<sockaddr*>(&address), sizeof address);
    return plain;
}

// A failed transfer is no time at all: it ends the benchmark.
void Keep(std::vector<double>& kept, const std::vector<double>& seconds) {
    if (seconds.empty() || seconds.front() < 0) {
        std::fprintf(stderr, "a transfer did not bring every byte back\n");
        std::exit(1);
    }
    kept.insert(kept.end(), seconds.begin(), seconds.end());
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
    const std::wstring text = L"ip=127.0.0.1;port=" + std::to_wstring(server.port());
    std::vector<double> winsockBulk, pluginBulk, winsockExchange, pluginExchange, waitingExchange;
    // The two ways take turns, on a fresh connection each, so that both see the same machine.
    for (int round = 0; round < kRounds; ++round) {
        const SOCKET plain = ConnectPlain(server.port());
        const auto plainSend = [&](const char* data, int length) {
            return send(plain, data, length, 0);
        };
        const auto plainReceive = [&](char* buffer, int size) {
            return recv(plain, buffer, size, 0);
        };
        Keep(winsockBulk, {RoundTrip(plainSend, plainReceive)});
        Keep(winsockExchange, Exchanges(plainSend, plainReceive));
        // The same calls the plug-in makes on its non-blocking socket: what the wait costs.
        u_long nonBlocking = 1;
        ioctlsocket(plain, FIONBIO, &nonBlocking);
        Keep(waitingExchange, Exchanges(plainSend, [&](char* buffer, int size) {
                 const int ready = recv(plain, buffer, size, 0);
                 if (ready >= 0 || WSAGetLastError() != WSAEWOULDBLOCK) {
                     return ready;
                 }
                 fd_set readable;
                 FD_ZERO(&readable);
                 FD_SET(plain, &readable);
                 timeval timeout = {5, 0};
                 return select(0, &readable, nullptr, nullptr, &timeout) == 1
                            ? recv(plain, buffer, size, 0)
                            : -1;
             }));
        closesocket(plain);

        const PlugHandle connection = table.open(text.c_str());
        const auto pluginSend = [&](const char* data, int length) {
            return table.send(connection, data, length);
        };
        const auto pluginReceive = [&](char* buffer, int size) {
            return table.receive(connection, buffer, size, 5000);
        };
        Keep(pluginBulk, {RoundTrip(pluginSend, pluginReceive)});
        Keep(pluginExchange, Exchanges(pluginSend, pluginReceive));
        table.close(connection);
    }
    std::printf("winsock-bulk %.4f\nplugin-bulk %.4f\n", Median(winsockBulk), Median(pluginBulk));
    std::printf("winsock-exchange-us %.1f\nplugin-exchange-us %.1f\n",
                Median(winsockExchange) * 1e6, Median(pluginExchange) * 1e6);
    std::printf("waiting-exchange-us %.1f\n", Median(waitingExchange) * 1e6);
    WSACleanup();
    return 0;
}
