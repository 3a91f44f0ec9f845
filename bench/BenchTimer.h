#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

// The performance counter's time in seconds.
inline double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The mean time of `work` over `repeat` runs, in seconds, by the performance counter.
inline double Seconds(const std::function<void()>& work, int repeat) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < repeat; ++i) {
        work();
    }
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart) / repeat;
}

// The middle value of `values` (the upper one of the two middle values when their number is even);
// 0 for none.
inline double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median time of `work` over `repeat` runs, in seconds: for work whose single runs are
// disturbed now and then by what else the machine does (the X server, the other core).
inline double MedianSeconds(const std::function<void()>& work, int repeat) {
    std::vector<double> times;
    for (int i = 0; i < repeat; ++i) {
        const double start = Now();
        work();
        times.push_back(Now() - start);
    }
    return Median(times);
}
