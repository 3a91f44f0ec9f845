#pragma once

// Values of a connection text "key=value;key=value".
constexpr int kConnValueCapacity = 50;

// Copies the value of `key` (case-sensitive, at the start of the text or after ';', followed by
// '=') into `out`, which holds kConnValueCapacity units. Returns 1 when found, 0 when the key is
// missing, the value has kConnValueCapacity or more characters, or an argument is null.
int GetConnValue(const wchar_t* text, const wchar_t* key, wchar_t* out);
