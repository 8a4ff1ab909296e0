#include "analysis/phase_accumulator.h"

#include <cmath>

void PhaseAccumulator::SetRate(uint32_t rate) {
  m_rate = rate == 0 ? 1 : rate;
  m_modulus = static_cast<uint64_t>(m_rate) * kUnitsPerHertz;
  m_inverseModulus = 1.0 / static_cast<double>(m_modulus);
  m_increment = 0;
  m_phase = 0;
}

void PhaseAccumulator::SetFrequency(double hertz) {
  if (!std::isfinite(hertz) || hertz <= 0.0) {
    m_increment = 0;
    return;
  }
  const double units =
      std::fmod(std::round(hertz * kUnitsPerHertz), static_cast<double>(m_modulus));
  m_increment = static_cast<uint64_t>(units);
}

void PhaseAccumulator::AdvanceBy(uint64_t frames) {
  const unsigned __int128 step = static_cast<unsigned __int128>(frames) * m_increment;
  m_phase = static_cast<uint64_t>((m_phase + step % m_modulus) % m_modulus);
}
