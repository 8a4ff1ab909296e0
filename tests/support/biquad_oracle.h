#pragma once

// A device whose response is known in closed form, for the response analyser's tests at every
// level: a second-order section, whose response is its transfer function on the unit circle.

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace oracle {

// b0 + b1 z^-1 + b2 z^-2 over 1 + a1 z^-1 + a2 z^-2.
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

  // x filtered from rest. periodic: filtered twice over, the second pass starting where the first
  // ended, so that the output of x played in a loop is the steady one and joins without a seam.
  std::vector<double> Filter(const std::vector<double>& x, bool periodic = false) const {
    std::vector<double> y(x.size());
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (int pass = periodic ? 0 : 1; pass < 2; ++pass) {
      for (std::size_t i = 0; i < x.size(); ++i) {
        const double v = b0 * x[i] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x[i];
        y2 = y1;
        y1 = v;
        y[i] = v;
      }
    }
    return y;
  }

  std::complex<double> Response(double f, double rate) const {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * f / rate);
    return (b0 + b1 * z1 + b2 * z1 * z1) / (1.0 + a1 * z1 + a2 * z1 * z1);
  }
};

}  // namespace oracle
