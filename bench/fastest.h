#pragma once

#include <algorithm>
#include <vector>

// On a shared machine the fastest of several repetitions says most about the code itself: with
// --benchmark_repetitions=N a benchmark that computes this statistic reports it as "min".
inline double fastest(const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
}
