#pragma once

#include <cstddef>
#include <cstdint>

typedef int32_t int32;
typedef uint32_t uint32;
typedef int64_t int64;
typedef uint64_t uint64;
// The library's UTF-16 code unit; on Windows it is the platform's wide character.
typedef wchar_t char16;
