#include "ColourDistance.h"

#include <algorithm>
#include <cstdlib>

int ColourChannel(DWORD rgb, int shift) {
    return static_cast<int>((rgb >> shift) & 0xFF);
}

int ColourDistance(DWORD a, DWORD b) {
    int distance = 0;
    for (const int shift : {16, 8, 0}) {
        distance = std::max(distance, std::abs(ColourChannel(a, shift) - ColourChannel(b, shift)));
    }
    return distance;
}
