#pragma once

#include <vector>

// A sum of sinusoids, sum_k c_k cos(theta_k) + s_k sin(theta_k), evaluated by turning each
// partial's phasor, (c_k - j s_k) exp(j theta_k), by its step once a sample and adding up the
// real parts. Started afresh from exact phases every few dozen samples, it costs six
// floating-point operations per partial and sample and drifts by rounding only (about 1e-15 a
// sample). All memory is taken at construction.
class HarmonicBank {
 public:
  static constexpr int kMaxPartials = 1024;

  HarmonicBank();

  // Coefficients of the partials, kMaxPartials each; they take effect at the next start.
  double* CosineCoefficients() { return m_cosine.data(); }
  double* SineCoefficients() { return m_sine.data(); }

  // Partial k is harmonic first + k * stride of the phase and step (in cycles); count partials
  // take part.
  void StartHarmonics(double phaseCycles, double stepCycles, int count, int first = 1,
                      int stride = 1);
  // Partial k at phaseCycles[k] turning by stepCycles[k].
  void StartPartials(const double* phaseCycles, const double* stepCycles, int count);
  int Count() const { return m_count; }

  // The sum at the current phases; then every partial moves on by its step.
  double Next();

 private:
  std::vector<double> m_cosine, m_sine;
  std::vector<double> m_re, m_im, m_stepRe, m_stepIm;
  int m_count = 0;
};
