#pragma once

#include <windows.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "MessageChannel.h"
#include "Threads.h"

namespace cefimpl {

// Takes the first message off the front of `buffer` when a NUL ends it. False when none is whole
// yet.
bool TakeMessage(std::string& buffer, std::string& message);

// DevTools messages over a pair of pipes, each message ended by a NUL, as a browser started with
// --remote-debugging-pipe speaks them: no port listens, and only who holds the pipes can talk.
class PipeChannel : public MessageChannel {
public:
    // The longest message taken: far above what the engine asks for, and small enough for a
    // 32-bit program to hold with a copy or two.
    static constexpr size_t kMaxMessageBytes = 64u * 1024 * 1024;

    // Takes over `toBrowser` (written synchronously) and `fromBrowser` (opened for overlapped
    // reads, so that Close can end a read under way). A message longer than `maxMessage` is passed
    // over.
    PipeChannel(HANDLE toBrowser, HANDLE fromBrowser, size_t maxMessage = kMaxMessageBytes);
    ~PipeChannel() override;

    bool Send(const std::string& message) override;
    bool Receive(std::string& message) override;
    void Close() override;

private:
    bool Fill();

    UniqueHandle toBrowser_;
    UniqueHandle fromBrowser_;
    UniqueHandle closed_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle readDone_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::mutex sendMutex_;
    const size_t maxMessage_;
    std::string received_;
    std::vector<char> chunk_;  // one read's bytes; kept, since each message is one or more reads
    bool skipping_ = false;    // within a message that is passed over
};

}  // namespace cefimpl
