#include "PipeChannel.h"

#include <algorithm>
#include <new>

namespace cefimpl {

namespace {

constexpr DWORD kReadChunk = 256 * 1024;

}  // namespace

bool TakeMessage(std::string& buffer, std::string& message) {
    const size_t end = buffer.find('\0');
    if (end == std::string::npos) {
        return false;
    }
    message.assign(buffer, 0, end);
    buffer.erase(0, end + 1);
    return true;
}

PipeChannel::PipeChannel(HANDLE toBrowser, HANDLE fromBrowser, size_t maxMessage)
    : toBrowser_(toBrowser),
      fromBrowser_(fromBrowser),
      maxMessage_(maxMessage),
      chunk_(kReadChunk) {}

PipeChannel::~PipeChannel() {
    Close();
}

bool PipeChannel::Send(const std::string& message) {
    std::lock_guard<std::mutex> lock(sendMutex_);
    const std::string framed = message + '\0';
    size_t sent = 0;
    while (sent < framed.size()) {
        if (WaitForSingleObject(closed_.get(), 0) == WAIT_OBJECT_0) {
            return false;
        }
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(framed.size() - sent, kReadChunk));
        if (!WriteFile(toBrowser_.get(), framed.data() + sent, chunk, &written, nullptr) ||
            written == 0) {
            return false;
        }
        sent += written;
    }
    return true;
}

bool PipeChannel::Receive(std::string& message) {
    // A message this program cannot hold ends the channel, not the program.
    try {
        for (;;) {
            if (TakeMessage(received_, message)) {
                if (!skipping_ && message.size() <= maxMessage_) {
                    return true;
                }
                skipping_ = false;  // the end of a message too long to take
                continue;
            }
            if (received_.size() > maxMessage_) {
                // Too long to take: passed over up to its end, and the channel goes on.
                received_.clear();
                skipping_ = true;
            }
            if (!Fill()) {
                return false;
            }
        }
    } catch (const std::bad_alloc&) {
        received_.clear();
        received_.shrink_to_fit();
        return false;
    }
}

bool PipeChannel::Fill() {
    OVERLAPPED read = {};
    read.hEvent = readDone_.get();
    ResetEvent(read.hEvent);
    DWORD got = 0;
    if (!ReadFile(fromBrowser_.get(), chunk_.data(), kReadChunk, nullptr, &read)) {
        if (GetLastError() != ERROR_IO_PENDING) {
            return false;  // the browser's end went (end of file) or broke
        }
        const HANDLE events[] = {read.hEvent, closed_.get()};
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
            CancelIoEx(fromBrowser_.get(), &read);
            GetOverlappedResult(fromBrowser_.get(), &read, &got, TRUE);
            return false;
        }
    }
    if (!GetOverlappedResult(fromBrowser_.get(), &read, &got, FALSE) || got == 0) {
        return false;
    }
    received_.append(chunk_.data(), got);
    return true;
}

void PipeChannel::Close() {
    SetEvent(closed_.get());
}

}  // namespace cefimpl
