// The two measuring programs' shared arithmetic: performance-counter ticks
// to microseconds, and percentiles of a set of latencies.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

inline double ticksToMicroseconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return ticks * 1e6 / frequency.QuadPart;
}

// The value below which the given fraction of the values lie, the nearest
// rank rounded; 0 for no values. 1.0 gives the largest.
inline double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * (values.size() - 1) + 0.5)];
}
