#include "analysis/tpdf_dither.h"

#include <algorithm>
#include <cmath>

double TpdfDither::Uniform() {
  m_state ^= m_state << 13;
  m_state ^= m_state >> 7;
  m_state ^= m_state << 17;
  return static_cast<double>(m_state >> 11) * (1.0 / 9007199254740992.0) - 0.5;
}

int16_t TpdfDither::Quantise(double value) {
  if (std::isnan(value)) return 0;
  const double scaled = std::clamp(value, -2.0, 2.0) * 32767.0 + Uniform() + Uniform();
  return static_cast<int16_t>(std::clamp(std::round(scaled), -32768.0, 32767.0));
}
