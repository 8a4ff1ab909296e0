#pragma once

#include <vector>

// A sum of sinusoids, sum_k c_k cos(theta_k) + s_k sin(theta_k), evaluated by turning each
// partial's unit phasor by its step once a sample. Started afresh from exact phases every few
// dozen samples, it costs a few multiplications per partial and sample and drifts by rounding
// only (about 1e-15 a sample). All memory is taken at construction.
class HarmonicBank {
 public:
  static constexpr int kMaxPartials = 1024;

  HarmonicBank();

  // Coefficients of the partials, kMaxPartials each; partial k is harmonic k + 1 in harmonic
  // mode. Written outside Next.
  double* CosineCoefficients() { return m_cosine.data(); }
  double* SineCoefficients() { return m_sine.data(); }

  // Partial k at (k + 1) times the phase and step (in cycles); count partials take part.
  void StartHarmonics(double phaseCycles, double stepCycles, int count);
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
