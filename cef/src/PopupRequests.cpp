#include "PopupRequests.h"

#include <algorithm>

namespace cefimpl {

PopupRequests::Match PopupRequests::Requested(const std::string& opener,
                                              const PopupRequest& request) {
    Match match;
    auto waiting = windows_.find(opener);
    if (waiting != windows_.end() && !waiting->second.empty()) {
        match.found = true;
        match.window = waiting->second.front();
        match.request = request;
        waiting->second.pop_front();
        return match;
    }
    std::deque<PopupRequest>& pending = requests_[opener];
    pending.push_back(request);
    if (pending.size() > kMostPending) {
        pending.pop_front();
    }
    return match;
}

PopupRequests::Match PopupRequests::WindowCame(const std::string& opener,
                                               const PopupWindow& window) {
    Match match;
    auto pending = requests_.find(opener);
    if (pending == requests_.end() || pending->second.empty()) {
        windows_[opener].push_back(window);
        return match;
    }
    match.found = true;
    match.window = window;
    match.request = pending->second.back();
    requests_.erase(pending);
    return match;
}

std::string PopupRequests::AnyOpenerAsking() const {
    for (const auto& entry : requests_) {
        if (!entry.second.empty()) {
            return entry.first;
        }
    }
    return std::string();
}

void PopupRequests::Forget(const std::string& targetId) {
    requests_.erase(targetId);
    windows_.erase(targetId);
    for (auto& entry : windows_) {
        auto& windows = entry.second;
        windows.erase(
            std::remove_if(windows.begin(), windows.end(),
                           [&](const PopupWindow& window) { return window.targetId == targetId; }),
            windows.end());
    }
}

void PopupRequests::Clear() {
    requests_.clear();
    windows_.clear();
}

}  // namespace cefimpl
