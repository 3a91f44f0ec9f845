#pragma once

#include <windows.h>

#include <vector>

#include "ShadowImage.h"

// The outline of a window region for its shadow: per row, the first and last pixel inside
// `region` as [first, last + 1), or [width, 0) for a row with none.
std::vector<ShadowSpan> OutlineSpans(HRGN region, int width, int height);
