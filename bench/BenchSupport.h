#pragma once

// What every benchmark prints and times with: `name: value unit` lines on stdout.

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

inline void print(const char* name, double value, const char* unit)
{
    std::printf("%s: %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

inline double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace bench
