#pragma once
// Wall-clock timing shared by the benchmarks.

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

// The wall time of each of `runs` calls of `work`, in milliseconds.
inline std::vector<double> TimeRunsMs(int runs, const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return ms;
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

inline double MedianMs(int runs, const std::function<void()>& work) { return Median(TimeRunsMs(runs, work)); }
