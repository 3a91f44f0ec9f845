#include "BkPos.h"

#include "BkLimits.h"
#include "BkParse.h"

int ParsePos(const std::string& text, PosItem items[kMaxPosItems]) {
    for (int i = 0; i < kMaxPosItems; ++i) {
        items[i] = PosItem{0, 0, 0};
    }
    if (text.empty()) {
        return 0;
    }
    int count = 0;
    size_t at = 0;
    while (count < kMaxPosItems && at <= text.size()) {
        size_t end = text.find(',', at);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string item = text.substr(at, end - at);
        PosItem& parsed = items[count++];
        if (!item.empty() && item[0] == '|') {
            parsed.center = 1;
            item.erase(0, 1);
        }
        if (!item.empty() && item[0] == '-') {
            parsed.fromEnd = 1;
            item.erase(0, 1);
        }
        parsed.value = BkClamp(ParseInt(item), -kBkMaxCoordinate, kBkMaxCoordinate);
        at = end + 1;
    }
    return count;
}

int ResolvePosItem(const PosItem& item, int start, int length) {
    const int base = item.center ? start + length / 2 : item.fromEnd ? start + length : start;
    return item.fromEnd ? base - item.value : base + item.value;
}
