#include "ListenerRecord.h"

void ListenerRecord::OnLoadStateChanged(BrowserLoadState state) {
    const std::lock_guard<std::mutex> guard(lock_);
    states_.push_back(state);
}

void ListenerRecord::OnPopupText(const std::string* text) {
    const std::lock_guard<std::mutex> guard(lock_);
    texts_.push_back(text ? *text : "null");
}

std::vector<int> ListenerRecord::States() {
    const std::lock_guard<std::mutex> guard(lock_);
    return states_;
}

std::vector<std::string> ListenerRecord::Texts() {
    const std::lock_guard<std::mutex> guard(lock_);
    return texts_;
}
