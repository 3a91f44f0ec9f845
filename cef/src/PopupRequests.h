#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace cefimpl {

// A page's request for a new window (window.open or a link to another window), as the browser
// announces it before or after it makes the window.
struct PopupRequest {
    std::string url;
    std::vector<std::string> features;
    bool userGesture = false;
};

// A window the browser made for a page, paused until it is decided on.
struct PopupWindow {
    std::string targetId;
    std::string sessionId;
};

// Matches new windows with the requests they answer, per opening page. A request the browser
// refuses (a sandboxed frame without popups, say) announces itself but never gets a window. While
// a window is paused its opener cannot ask again, so when a window comes, the newest request of
// its opener is the window's own and the older ones were refused: they go. A window that comes
// before its request waits for the opener's next one.
class PopupRequests {
public:
    // The most requests kept per page: a page that keeps asking in vain keeps only its latest.
    static constexpr size_t kMostPending = 16;

    struct Match {
        bool found = false;
        PopupWindow window;
        PopupRequest request;
    };

    // A request of page `opener`; a match when a window of that page was waiting for it.
    Match Requested(const std::string& opener, const PopupRequest& request);
    // A window of page `opener`; a match when its request has come.
    Match WindowCame(const std::string& opener, const PopupWindow& window);
    // A page with requests not yet answered (for windows that do not name their opener); empty
    // when there is none.
    std::string AnyOpenerAsking() const;
    // A target went: as a window it waits no more, as a page its requests go.
    void Forget(const std::string& targetId);
    void Clear();

private:
    std::map<std::string, std::deque<PopupRequest>> requests_;
    std::map<std::string, std::deque<PopupWindow>> windows_;
};

}  // namespace cefimpl
