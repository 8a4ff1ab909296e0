#include "analysis/log_sweep.h"

#include <algorithm>
#include <cmath>
#include <numbers>

bool LogSweep::Valid(double startHz, double stopHz, double seconds, double rate) {
  return std::isfinite(startHz) && std::isfinite(stopHz) && std::isfinite(seconds) &&
         startHz > 0.0 && stopHz > startHz && stopHz <= 0.5 * rate && seconds > 0.0;
}

LogSweep::LogSweep(double startHz, double stopHz, double seconds, double rate)
    : m_f1(startHz), m_f2(stopHz), m_rate(rate) {
  // A request no sweep can meet is an empty sweep; its length would otherwise be negative or no
  // number, and the frame count below would run away.
  if (!std::isfinite(startHz) || !std::isfinite(stopHz) || !std::isfinite(seconds) ||
      !std::isfinite(rate) || !(startHz > 0) || !(stopHz > startHz) || !(seconds > 0) ||
      !(rate > 0)) {
    m_L = 0;
    m_seconds = 0;
    m_frames = 0;
    return;
  }
  const double octaves = std::log(m_f2 / m_f1);
  const double cycles = std::max(1.0, std::round(m_f1 * seconds / octaves));
  m_L = cycles / m_f1;
  m_seconds = m_L * octaves;
  m_frames = static_cast<uint64_t>(std::ceil(m_seconds * m_rate));
  while (m_frames > 0 && static_cast<double>(m_frames - 1) / m_rate >= m_seconds) --m_frames;
}

double LogSweep::PhaseCycles(uint64_t n) const {
  const double t = static_cast<double>(n) / m_rate;
  const double phase = m_f1 * m_L * std::expm1(t / m_L);
  return phase - std::floor(phase);
}

double LogSweep::Value(uint64_t n) const {
  return std::sin(2.0 * std::numbers::pi * PhaseCycles(n));
}

void LogSweep::Generate(double amplitude, double* out, uint64_t count) const {
  for (uint64_t n = 0; n < count; ++n) out[n] = n < m_frames ? amplitude * Value(n) : 0.0;
}

double LogSweep::FrequencyAt(double seconds) const { return m_f1 * std::exp(seconds / m_L); }

std::complex<double> LogSweep::InverseSpectrum(double hertz) const {
  const double f = std::max(hertz, 1e-12);
  const double angle =
      -2.0 * std::numbers::pi * f * m_L * (1.0 - std::log(f / m_f1)) + std::numbers::pi / 4.0;
  return std::polar(2.0 * std::sqrt(f / m_L), angle);
}
