#pragma once

#include <string>

namespace cefimpl {

// A two-way channel of whole text messages to a browser's DevTools: sends from any thread,
// receives on one.
class MessageChannel {
public:
    virtual ~MessageChannel() = default;
    virtual bool Send(const std::string& message) = 0;
    // Blocks until a whole message arrives; false once the channel is closed or broken.
    virtual bool Receive(std::string& message) = 0;
    // Ends the channel; a Receive under way returns false.
    virtual void Close() = 0;
};

}  // namespace cefimpl
