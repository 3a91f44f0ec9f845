#pragma once

#include <algorithm>

// Bounds on what a layout text may ask for, so that no layout can exhaust the stack, memory or
// time: numbers beyond them are clamped, includes beyond them are left empty.

// "dlgfile" includes nested in one another.
constexpr int kBkMaxIncludeDepth = 8;
// Images in one "imglisth" row.
constexpr int kBkMaxImageCount = 256;
// Width and height of an icon loaded at a chosen size.
constexpr int kBkMaxIconSize = 256;

// Elements one layout may make, counted across nested containers, tab pages and included files.
constexpr int kBkMaxElements = 10000;
// Containers nested in one another.
constexpr int kBkMaxNesting = 64;

// Coordinates and offsets a layout gives in numbers ("pos" items): far beyond any screen, and
// small enough that sums and differences of a few of them stay within an int.
constexpr int kBkMaxCoordinate = 1 << 20;

// Width and height of a window a layout asks for: an 8K screen is 7680 pixels wide, and the
// window's back buffer takes four bytes a pixel.
constexpr int kBkMaxWindowExtent = 8192;

inline int BkClamp(int value, int low, int high) {
    return std::min(std::max(value, low), high);
}
