#pragma once

#include "BkLimits.h"

// The loading of one container's children. The outermost load of a thread starts the layout's
// allowance of elements; nested loads (containers, tab pages, included files) share it, so that
// no layout text makes more than kBkMaxElements elements or nests deeper than kBkMaxNesting.
class BkLoadScope {
public:
    BkLoadScope() {
        if (depth_++ == 0) {
            left_ = kBkMaxElements;
        }
    }
    ~BkLoadScope() { --depth_; }
    BkLoadScope(const BkLoadScope&) = delete;
    BkLoadScope& operator=(const BkLoadScope&) = delete;

    // Whether this load lies deeper than containers may nest: it then loads no children.
    bool TooDeep() const { return depth_ > kBkMaxNesting; }
    // Takes one element from the allowance; false when it is used up.
    bool Take() {
        if (left_ <= 0) {
            return false;
        }
        --left_;
        return true;
    }

private:
    static inline thread_local int depth_ = 0;
    static inline thread_local int left_ = 0;
};
