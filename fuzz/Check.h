#pragma once

#include <cstdio>
#include <cstdlib>

// A property every input must keep: a broken one ends the run like a crash, with the input saved.
#define FUZZ_CHECK(condition, what)                                                         \
    do {                                                                                    \
        if (!(condition)) {                                                                 \
            std::fprintf(stderr, "%s:%d: %s (%s)\n", __FILE__, __LINE__, what, #condition); \
            std::abort();                                                                   \
        }                                                                                   \
    } while (0)
