#pragma once

#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

// Median, 95th percentile and maximum of a set of timings, in milliseconds.
inline void printTimings(const char *label, std::vector<double> milliseconds)
{
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto at = [&](double q) { return milliseconds[size_t(q * double(milliseconds.size() - 1))]; };
    std::printf("%-44s n=%-5zu median %8.3f ms   p95 %8.3f ms   max %8.3f ms\n", label, milliseconds.size(), at(0.5),
                at(0.95), milliseconds.back());
}
