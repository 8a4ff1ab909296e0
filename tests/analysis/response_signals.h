#pragma once

// Signals and devices with known responses for the response analyser's tests: white noise, a
// fractional delay made in the frequency domain by FFTW, and the biquad of support/biquad_oracle.h.

#include <fftw3.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "support/biquad_oracle.h"

namespace oracle {

inline std::vector<double> WhiteNoise(std::size_t n, unsigned seed, double rms = 1.0) {
  std::mt19937 gen(seed);
  std::normal_distribution<double> dist(0.0, rms);
  std::vector<double> x(n);
  for (double& v : x) v = dist(gen);
  return x;
}

// x delayed circularly by d samples (any real d): every bin turned by e^(-j w d); the bin at
// half the rate, which no real signal can turn, keeps its cosine part.
inline std::vector<double> FractionalDelay(const std::vector<double>& x, double d) {
  const int n = static_cast<int>(x.size());
  std::vector<double> in(x), out(n);
  fftw_complex* spectrum = fftw_alloc_complex(n / 2 + 1);
  fftw_plan forward = fftw_plan_dft_r2c_1d(n, in.data(), spectrum, FFTW_ESTIMATE);
  fftw_plan backward = fftw_plan_dft_c2r_1d(n, spectrum, out.data(), FFTW_ESTIMATE);
  fftw_execute(forward);
  for (int k = 0; k <= n / 2; ++k) {
    const std::complex<double> turn = std::polar(1.0 / n, -2.0 * std::numbers::pi * k * d / n);
    std::complex<double> v(spectrum[k][0], spectrum[k][1]);
    v *= turn;
    if (2 * k == n) v = {v.real(), 0.0};
    spectrum[k][0] = v.real();
    spectrum[k][1] = v.imag();
  }
  fftw_execute(backward);
  fftw_destroy_plan(forward);
  fftw_destroy_plan(backward);
  fftw_free(spectrum);
  return out;
}

inline double DegreesBetween(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180) d -= 360;
  if (d <= -180) d += 360;
  return d;
}

}  // namespace oracle
