#pragma once

// Reference computations the analysis tests compare against; none uses our own transform.

#include <fftw3.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "analysis/complex.h"

namespace oracle {

inline std::vector<Complex> RandomSignal(int n, unsigned seed, double scale = 1000.0) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> dist(-scale, scale);
  std::vector<Complex> x(n);
  for (Complex& c : x) c = {dist(gen), dist(gen)};
  return x;
}

// Naive DFT in long double: sign -1 forward, +1 inverse (unscaled).
inline std::vector<Complex> NaiveDft(const std::vector<Complex>& x, int sign) {
  const int n = static_cast<int>(x.size());
  const long double twoPi = 2.0L * 3.14159265358979323846264338327950288L;
  std::vector<Complex> out(n);
  for (int k = 0; k < n; ++k) {
    std::complex<long double> sum = 0;
    for (int i = 0; i < n; ++i) {
      const long double angle = sign * twoPi * ((static_cast<long long>(k) * i) % n) / n;
      sum += std::complex<long double>(x[i].re, x[i].im) *
             std::complex<long double>(std::cos(angle), std::sin(angle));
    }
    out[k] = {static_cast<double>(sum.real()), static_cast<double>(sum.imag())};
  }
  return out;
}

// FFTW3's unscaled transform: sign FFTW_FORWARD or FFTW_BACKWARD.
inline std::vector<Complex> Fftw(const std::vector<Complex>& x, int sign) {
  const int n = static_cast<int>(x.size());
  fftw_complex* in = fftw_alloc_complex(n);
  fftw_complex* out = fftw_alloc_complex(n);
  fftw_plan plan = fftw_plan_dft_1d(n, in, out, sign, FFTW_ESTIMATE);
  for (int i = 0; i < n; ++i) {
    in[i][0] = x[i].re;
    in[i][1] = x[i].im;
  }
  fftw_execute(plan);
  std::vector<Complex> result(n);
  for (int i = 0; i < n; ++i) result[i] = {out[i][0], out[i][1]};
  fftw_destroy_plan(plan);
  fftw_free(in);
  fftw_free(out);
  return result;
}

inline double Magnitude(const Complex& c) { return std::hypot(c.re, c.im); }

// Largest difference between two arrays relative to the largest magnitude of the reference.
inline double RelativeError(const Complex* got, const std::vector<Complex>& want) {
  double diff = 0;
  double scale = 0;
  for (std::size_t i = 0; i < want.size(); ++i) {
    diff = std::max(diff, std::hypot(got[i].re - want[i].re, got[i].im - want[i].im));
    scale = std::max(scale, Magnitude(want[i]));
  }
  return scale > 0 ? diff / scale : diff;
}

// Marks the value just past an output array so an overrun shows.
constexpr double kGuard = -12345.678;

}  // namespace oracle
