#pragma once

#include <cstdint>

// An exact oscillator phase: the frequency is kept in micro-hertz and the phase as a whole
// number of 1/(rate * 10^6) cycles, so a tone keeps its frequency for any length of run: after
// n samples the phase is exactly (n * frequency) mod 1 for the frequency as rounded to 1 µHz.
class PhaseAccumulator {
 public:
  static constexpr uint64_t kUnitsPerHertz = 1'000'000;

  explicit PhaseAccumulator(uint32_t rate = 48000) { SetRate(rate); }

  // Restarts at phase 0 with frequency 0.
  void SetRate(uint32_t rate);
  // Rounded to 1 µHz; a frequency at or above the rate wraps as sampling folds it.
  void SetFrequency(double hertz);
  double Frequency() const { return static_cast<double>(m_increment) / kUnitsPerHertz; }
  uint32_t Rate() const { return m_rate; }

  void Reset() { m_phase = 0; }
  void Advance() {
    m_phase += m_increment;
    if (m_phase >= m_modulus) m_phase -= m_modulus;
  }
  // The same as frames calls of Advance, in constant time.
  void AdvanceBy(uint64_t frames);

  // The phase in cycles, in [0, 1).
  double Cycles() const { return static_cast<double>(m_phase) * m_inverseModulus; }
  // The exact phase and the number of units in one cycle.
  uint64_t Units() const { return m_phase; }
  uint64_t UnitsPerCycle() const { return m_modulus; }
  uint64_t Increment() const { return m_increment; }

 private:
  uint32_t m_rate = 0;
  uint64_t m_modulus = 1;
  double m_inverseModulus = 1.0;
  uint64_t m_increment = 0;
  uint64_t m_phase = 0;
};
