// What the front end's benchmarks share: a clock in seconds and order
// statistics over repeated measurements.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace mox::bench {

inline double now_seconds() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

// The smallest figure with at least the fraction q of all figures at or
// below it (nearest rank); 0 for no figures.
inline double quantile(std::vector<double> figures, double q) {
  if (figures.empty()) return 0;
  std::sort(figures.begin(), figures.end());
  auto rank = static_cast<size_t>(std::ceil(q * static_cast<double>(figures.size())));
  return figures[std::clamp<size_t>(rank, 1, figures.size()) - 1];
}

inline double median(const std::vector<double>& figures) { return quantile(figures, 0.5); }

}  // namespace mox::bench
