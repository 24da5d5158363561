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

// Median of `runs` timings of f, in milliseconds.
template <typename F> double timeMedian(int runs, F&& f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        f();
        times.push_back(ms(t));
    }
    return median(times);
}

} // namespace bench
