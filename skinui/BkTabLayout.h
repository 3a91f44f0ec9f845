#pragma once

// Where a tab control's tabs go: plain arithmetic over numbers.

// The offset of the tab that follows `before` visible tabs, each `extent` long with `spacing`
// between them, the first at `start`: exact, or clamped to kBkMaxCoordinate either way.
int TabOffset(int before, int extent, int spacing, int start);
