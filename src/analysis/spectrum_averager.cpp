#include "analysis/spectrum_averager.h"

#include <algorithm>
#include <cmath>

void SpectrumAverager::Reset(int bins, const AverageSettings& settings) {
  m_settings = settings;
  const std::size_t n = bins > 0 ? static_cast<std::size_t>(bins) : 0;
  m_average.assign(n, 0.0);
  m_peak.assign(n, 0.0);
  m_minimum.assign(n, 0.0);
  m_nCount = 0;
}

void SpectrumAverager::Restart() {
  std::fill(m_average.begin(), m_average.end(), 0.0);
  std::fill(m_peak.begin(), m_peak.end(), 0.0);
  std::fill(m_minimum.begin(), m_minimum.end(), 0.0);
  m_nCount = 0;
}

void SpectrumAverager::Add(const double* power, double elapsedSeconds) {
  const std::size_t n = m_average.size();
  double weight = 1.0;
  if (m_nCount > 0) {
    switch (m_settings.mode) {
      case kAverageExponential: {
        const double tau = std::clamp(m_settings.timeConstant, 1e-3, 1e6);
        weight = 1.0 - std::exp(-std::max(elapsedSeconds, 0.0) / tau);
        break;
      }
      case kAverageLinear:
        weight = 1.0 / std::min(m_nCount + 1, std::max(m_settings.count, 1));
        break;
      default:
        break;
    }
  }
  for (std::size_t k = 0; k < n; ++k) m_average[k] += weight * (power[k] - m_average[k]);
  if (m_settings.peakHold) {
    // Decay in decibels a second is a factor in power.
    const double decay = m_nCount > 0 && m_settings.peakDecayDbPerSecond > 0
                             ? std::pow(10.0, -m_settings.peakDecayDbPerSecond *
                                                  std::max(elapsedSeconds, 0.0) / 10.0)
                             : 1.0;
    for (std::size_t k = 0; k < n; ++k) {
      m_peak[k] = m_nCount == 0 ? m_average[k] : std::max(m_peak[k] * decay, m_average[k]);
    }
  }
  if (m_settings.minimumHold) {
    for (std::size_t k = 0; k < n; ++k) {
      m_minimum[k] = m_nCount == 0 ? m_average[k] : std::min(m_minimum[k], m_average[k]);
    }
  }
  ++m_nCount;
}
