#pragma once

// Signals and devices with known responses for the response analyser's tests: white noise, a
// fractional delay made in the frequency domain by FFTW, and a biquad whose response is its
// transfer function on the unit circle.

#include <fftw3.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

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

// A second-order section b0 + b1 z^-1 + b2 z^-2 over 1 + a1 z^-1 + a2 z^-2.
struct Biquad {
  double b0, b1, b2, a1, a2;

  // The bilinear low-pass with its corner warped to f0 (the audio cookbook's form).
  static Biquad LowPass(double f0, double q, double rate) {
    const double w = 2.0 * std::numbers::pi * f0 / rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha;
    const double c = std::cos(w);
    return {(1.0 - c) / 2.0 / a0, (1.0 - c) / a0, (1.0 - c) / 2.0 / a0, -2.0 * c / a0,
            (1.0 - alpha) / a0};
  }

  std::vector<double> Filter(const std::vector<double>& x) const {
    std::vector<double> y(x.size());
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
      const double v = b0 * x[i] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
      x2 = x1;
      x1 = x[i];
      y2 = y1;
      y1 = v;
      y[i] = v;
    }
    return y;
  }

  std::complex<double> Response(double f, double rate) const {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * f / rate);
    return (b0 + b1 * z1 + b2 * z1 * z1) / (1.0 + a1 * z1 + a2 * z1 * z1);
  }
};

inline double DegreesBetween(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180) d -= 360;
  if (d <= -180) d += 360;
  return d;
}

}  // namespace oracle
