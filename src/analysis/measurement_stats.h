#pragma once

#include <array>
#include <cstdint>

#include "analysis/measurements.h"

// Mean, extremes and standard deviation of a stream of values, updated one value at a time
// (Welford's method, so a long run neither overflows nor loses the small differences).
class RunningStats {
 public:
  void Add(double value);
  void Reset() { *this = RunningStats(); }

  uint64_t Count() const { return m_nCount; }
  double Mean() const { return m_dMean; }
  double Min() const { return m_dMin; }
  double Max() const { return m_dMax; }
  // The sample standard deviation (n - 1 in the divisor); 0 for fewer than two values.
  double StdDev() const;

 private:
  uint64_t m_nCount = 0;
  double m_dMean = 0;
  double m_dM2 = 0;
  double m_dMin = 0;
  double m_dMax = 0;
};

// The statistics of every quantity of one channel over the updates since the last reset. Only
// valid values count.
class ChannelStats {
 public:
  void Add(const ChannelMeasurement& m);
  void Reset();
  const RunningStats& Of(Quantity q) const { return m_stats[static_cast<std::size_t>(q)]; }
  // Updates added since the reset, valid or not.
  uint64_t Updates() const { return m_nUpdates; }

 private:
  std::array<RunningStats, kQuantityCount> m_stats;
  uint64_t m_nUpdates = 0;
};
