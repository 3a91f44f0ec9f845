#pragma once

#include <atomic>

namespace cefimpl {

// Kinds of library objects whose instances are counted, so that tests can see every one released.
enum class LiveKind { Browser, Frame, V8Context, V8Value, Other, Count };

std::atomic<int>& LiveCounter(LiveKind kind);

// A member that counts its owner among the live objects of one kind.
template <LiveKind kind>
class Live {
public:
    Live() { ++LiveCounter(kind); }
    Live(const Live&) : Live() {}
    Live& operator=(const Live&) { return *this; }
    ~Live() { --LiveCounter(kind); }
};

}  // namespace cefimpl
