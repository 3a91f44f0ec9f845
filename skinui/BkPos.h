#pragma once

#include <string>

// One item of a "pos" attribute: "N" from the start, "-N" from the end, "|N" after the middle,
// "|-N" before the middle of a span.
struct PosItem {
    int center;
    int fromEnd;
    int value;
};

constexpr int kMaxPosItems = 4;

// Reads up to four comma-separated items into `items` (the rest zeroed) and returns how many
// were read; an empty text reads none. Values are clamped to kBkMaxCoordinate either way.
int ParsePos(const std::string& text, PosItem items[kMaxPosItems]);

// The coordinate an item names within the span [start, start + length).
int ResolvePosItem(const PosItem& item, int start, int length);
