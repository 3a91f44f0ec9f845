#pragma once

#include <windows.h>

// One 8-bit channel of a 0xRRGGBB colour: `shift` 16 is red, 8 green, 0 blue.
int ColourChannel(DWORD rgb, int shift);

// The largest channel difference between two 0xRRGGBB colours: at most n puts every channel
// within n of the other colour's.
int ColourDistance(DWORD a, DWORD b);
