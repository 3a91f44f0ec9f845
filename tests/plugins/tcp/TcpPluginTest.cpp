#include <winsock2.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "Exports.h"
#include "LoopbackServer.h"
#include "TempFolder.h"
#include "corvel_tcp.h"

namespace {

class TcpPluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = LoadLibraryW((ExecutableFolder() + L"corvel_tcp.dll").c_str());
        ASSERT_NE(nullptr, library_);
        const auto get = LoadExport<GetPlugDllFunsFn>(library_, "GetPlugDllFuns");
        ASSERT_NE(nullptr, get);
        ASSERT_EQ(0, get(&funs_));
    }
    void TearDown() override {
        if (library_) {
            FreeLibrary(library_);
        }
    }

    PlugHandle Open(const std::wstring& text) { return funs_.open(text.c_str()); }

    HMODULE library_ = nullptr;
    PlugDllFuns funs_ = {};
};

// A plug-in connection and the server's end of it.
class ConnectedTest : public TcpPluginTest {
protected:
    void SetUp() override {
        TcpPluginTest::SetUp();
        handle_ = Open(server_.connectionText());
        ASSERT_NE(nullptr, handle_);
        peer_.reset(server_.Accept());
        ASSERT_NE(INVALID_SOCKET, peer_.get());
    }
    void TearDown() override {
        funs_.close(handle_);
        TcpPluginTest::TearDown();
    }

    void PeerSends(const std::string& data) {
        ASSERT_EQ(static_cast<int>(data.size()),
                  send(peer_.get(), data.data(), static_cast<int>(data.size()), 0));
    }

    LoopbackServer server_;
    ScopedSocket peer_;
    PlugHandle handle_ = nullptr;
};

}  // namespace

TEST_F(TcpPluginTest, TableHasThirteenEntriesInFiftyTwoBytes) {
    EXPECT_EQ(52u, sizeof(PlugDllFuns));
    EXPECT_EQ(8u, offsetof(PlugDllFuns, open));
    EXPECT_EQ(24u, offsetof(PlugDllFuns, receive));
    EXPECT_EQ(32u, offsetof(PlugDllFuns, drain));
    EXPECT_EQ(52, funs_.size);
    const PlugReservedFn reserved[] = {funs_.reserved1, funs_.reserved2, funs_.reserved3,
                                       funs_.reserved4, funs_.reserved5};
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(nullptr, reserved[i]) << "reserved" << i + 1 << " is missing";
        EXPECT_EQ(0, reserved[i]()) << "reserved" << i + 1;
    }
    const auto get = LoadExport<GetPlugDllFunsFn>(library_, "GetPlugDllFuns");
    EXPECT_EQ(-1, get(nullptr));
}

TEST_F(TcpPluginTest, DescriptionNeedsRoomForItsTerminator) {
    wchar_t text[64];
    EXPECT_EQ(-1, funs_.description(nullptr, 64));
    EXPECT_EQ(-1, funs_.description(text, 0));
    text[0] = L'#';
    EXPECT_EQ(-2, funs_.description(text, 22));
    EXPECT_EQ(L'#', text[0]);
    EXPECT_EQ(0, funs_.description(text, 23));
    EXPECT_STREQ(L"TCP socket communicate", text);
}

TEST_F(TcpPluginTest, NullHandleIsAMissingArgumentEverywhere) {
    char buffer[8];
    EXPECT_EQ(-1, funs_.state(nullptr));
    EXPECT_EQ(-1, funs_.receive(nullptr, buffer, sizeof buffer, 0));
    EXPECT_EQ(-1, funs_.send(nullptr, "x", 1));
    EXPECT_EQ(-1, funs_.drain(nullptr));
    EXPECT_EQ(0, funs_.close(nullptr));
}

TEST_F(TcpPluginTest, KeysAreFoundInEitherOrderAndOnlyAsWholeKeys) {
    LoopbackServer server;
    const std::wstring port = std::to_wstring(server.port());
    for (const std::wstring& text : std::vector<std::wstring>{
             L"ip=127.0.0.1;port=" + port, L"port=" + port + L";ip=127.0.0.1",
             L"xip=1;ip=127.0.0.1;port=" + port, L"ip=127.0.0.1;port=" + port + L";name=printer",
             L"port=" + std::wstring(49 - port.size(), L'0') + port + L";ip=127.0.0.1"}) {
        SCOPED_TRACE(text);
        const PlugHandle handle = Open(text);
        ASSERT_NE(nullptr, handle) << "no connection opened";
        EXPECT_EQ(2, funs_.state(handle)) << "not connected";
        ScopedSocket peer(server.Accept());
        EXPECT_NE(INVALID_SOCKET, peer.get()) << "the server saw no connection";
        EXPECT_EQ(0, funs_.close(handle));
    }
}

TEST_F(TcpPluginTest, BadConnectionTextsOpenNothing) {
    LoopbackServer server;
    const std::wstring port = std::to_wstring(server.port());
    for (const std::wstring& text : std::vector<std::wstring>{
             L"IP=127.0.0.1;port=" + port, L"ip=127.0.0.1;Port=" + port, L"ip=127.0.0.1",
             L"port=" + port, L"ip=;port=" + port, L"ip=localhost;port=" + port,
             L"ip=127.0.0.1;port=", L"ip=127.0.0.1;port=x" + port,
             L"port=" + std::wstring(50 - port.size(), L'0') + port + L";ip=127.0.0.1",
             L"ip=127.0.0.1;port=" + std::to_wstring(ClosedPort())}) {
        EXPECT_EQ(nullptr, Open(text)) << text;
    }
    EXPECT_EQ(nullptr, funs_.open(nullptr));
}

TEST_F(ConnectedTest, SendAndReceiveCarryBytesBothWays) {
    const std::string request("\x02status\x00\x03", 9);
    ASSERT_EQ(9, funs_.send(handle_, request.data(), 9));
    EXPECT_EQ(request, ReceiveExactly(peer_.get(), 9));

    PeerSends("ready");
    char buffer[64] = {};
    ASSERT_EQ(5, funs_.receive(handle_, buffer, sizeof buffer, 5000));
    EXPECT_EQ("ready", std::string(buffer, 5));

    PeerSends("abcdef");
    Sleep(100);
    ASSERT_EQ(4, funs_.receive(handle_, buffer, 4, 5000));
    EXPECT_EQ("abcd", std::string(buffer, 4));
    ASSERT_EQ(2, funs_.receive(handle_, buffer, sizeof buffer, 5000));
    EXPECT_EQ("ef", std::string(buffer, 2));
}

TEST_F(ConnectedTest, ReceiveTimeOutLeavesTheConnectionUp) {
    char buffer[16];
    EXPECT_EQ(-3, funs_.receive(handle_, buffer, sizeof buffer, 0));
    EXPECT_EQ(-3, funs_.receive(handle_, buffer, sizeof buffer, 120));
    EXPECT_EQ(2, funs_.state(handle_));
    PeerSends("late");
    EXPECT_EQ(4, funs_.receive(handle_, buffer, sizeof buffer, 5000));
}

TEST_F(ConnectedTest, EmptyBuffersAreRejectedWithoutBreakingTheConnection) {
    char buffer[4];
    EXPECT_EQ(-1, funs_.receive(handle_, nullptr, 4, 0));
    EXPECT_EQ(-1, funs_.receive(handle_, buffer, 0, 0));
    EXPECT_EQ(-1, funs_.send(handle_, nullptr, 4));
    EXPECT_EQ(-1, funs_.send(handle_, "x", 0));
    EXPECT_EQ(2, funs_.state(handle_));
    EXPECT_EQ(1, funs_.send(handle_, "x", 1));
}

TEST_F(ConnectedTest, PeerCloseBreaksTheConnectionForGood) {
    peer_.reset();
    char buffer[16];
    EXPECT_EQ(-11, funs_.receive(handle_, buffer, sizeof buffer, 5000));
    EXPECT_EQ(1, funs_.state(handle_));
    EXPECT_EQ(-11, funs_.send(handle_, "x", 1));
    EXPECT_EQ(-11, funs_.receive(handle_, buffer, sizeof buffer, 0));
    EXPECT_EQ(-11, funs_.drain(handle_));
    EXPECT_EQ(1, funs_.state(handle_));
}

TEST_F(ConnectedTest, DrainDiscardsPendingInput) {
    PeerSends(std::string(5000, 'z'));
    Sleep(100);
    EXPECT_EQ(0, funs_.drain(handle_));
    char buffer[16];
    EXPECT_EQ(-3, funs_.receive(handle_, buffer, sizeof buffer, 0));
    EXPECT_EQ(2, funs_.state(handle_));
    EXPECT_EQ(0, funs_.drain(handle_));
}

TEST_F(ConnectedTest, DrainAfterPeerCloseReportsBrokenState) {
    PeerSends("leftover");
    peer_.reset();
    EXPECT_EQ(0, funs_.drain(handle_));
    EXPECT_EQ(1, funs_.state(handle_));
}

TEST_F(ConnectedTest, LargeSendIsTakenInPartsAndCounted) {
    std::vector<char> data(32 * 1024 * 1024);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 7 + i / 251);
    }
    const int taken = funs_.send(handle_, data.data(), static_cast<int>(data.size()));
    ASSERT_GT(taken, 0);
    ASSERT_LT(taken, static_cast<int>(data.size()));
    const std::string received = ReceiveExactly(peer_.get(), static_cast<size_t>(taken));
    ASSERT_EQ(static_cast<size_t>(taken), received.size());
    EXPECT_EQ(0, received.compare(0, received.size(), data.data(), received.size()));
    EXPECT_EQ(2, funs_.state(handle_));
}

TEST_F(TcpPluginTest, EachOpenHandleKeepsSocketsStartedUntilClosed) {
    PlugHandle handle = nullptr;
    {
        LoopbackServer server;
        handle = Open(server.connectionText());
        ASSERT_NE(nullptr, handle);
        ScopedSocket peer(server.Accept());
    }
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(INVALID_SOCKET, probe) << "the open handle keeps the sockets library started";
    closesocket(probe);

    funs_.close(handle);
    probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_EQ(INVALID_SOCKET, probe) << "the last close left the sockets library started";
    EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
    closesocket(probe);
}

TEST_F(TcpPluginTest, FailedOpenReleasesTheSocketsLibrary) {
    EXPECT_EQ(nullptr, Open(L"ip=127.0.0.1;port=" + std::to_wstring(ClosedPort())));
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_EQ(INVALID_SOCKET, probe);
    EXPECT_EQ(WSANOTINITIALISED, WSAGetLastError());
}

TEST_F(TcpPluginTest, ThousandsOfConnectionsLeakNoHandles) {
    LoopbackServer server;
    const std::wstring text = server.connectionText();
    auto cycle = [&](int i) {
        const PlugHandle handle = Open(text);
        ASSERT_NE(nullptr, handle) << "connection " << i << " did not open";
        ScopedSocket peer(server.Accept());
        ASSERT_EQ(1, funs_.send(handle, "x", 1)) << "connection " << i;
        ASSERT_EQ(0, funs_.close(handle)) << "connection " << i;
    };
    for (int i = 0; i < 50 && !HasFailure(); ++i) {
        cycle(i);
    }
    DWORD before = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before))
        << "the handle count is unreadable: error " << GetLastError();
    for (int i = 0; i < 2000 && !HasFailure(); ++i) {
        cycle(i);
    }
    DWORD after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after))
        << "the handle count is unreadable: error " << GetLastError();
    EXPECT_LE(after, before + 5) << "handles leaked over 2000 connections";
}
