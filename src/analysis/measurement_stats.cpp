#include "analysis/measurement_stats.h"

#include <algorithm>
#include <cmath>

void RunningStats::Add(double value) {
  if (!std::isfinite(value)) return;
  ++m_nCount;
  if (m_nCount == 1) {
    m_dMin = m_dMax = m_dMean = value;
    m_dM2 = 0;
    return;
  }
  const double delta = value - m_dMean;
  m_dMean += delta / static_cast<double>(m_nCount);
  m_dM2 += delta * (value - m_dMean);
  if (value < m_dMin) m_dMin = value;
  if (value > m_dMax) m_dMax = value;
}

double RunningStats::StdDev() const {
  if (m_nCount < 2) return 0;
  return std::sqrt(std::max(0.0, m_dM2 / static_cast<double>(m_nCount - 1)));
}

void ChannelStats::Add(const ChannelMeasurement& m) {
  ++m_nUpdates;
  for (std::size_t i = 0; i < kQuantityCount; ++i) {
    if (m.valid[i]) m_stats[i].Add(m.value[i]);
  }
}

void ChannelStats::Reset() {
  for (RunningStats& s : m_stats) s.Reset();
  m_nUpdates = 0;
}
