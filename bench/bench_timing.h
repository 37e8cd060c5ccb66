#pragma once

#include <functional>
#include <vector>

// What the benchmarks time with: milliseconds on the steady clock, and the median of a series.
double millis(const std::function<void()> &work);
double median(std::vector<double> values);
