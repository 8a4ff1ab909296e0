#include "analysis/smoothing_windows.h"

#include <cmath>

namespace {

template <typename Weight>
void Weigh(Complex* x, int n, Weight weight) {
  if (n < 2) return;
  const double twoPi = 8.0 * std::atan(1.0);
  for (int i = 0; i < n; ++i) {
    const double w = weight(i, twoPi * i / (n - 1));
    x[i].re *= w;
    x[i].im *= w;
  }
}

}  // namespace

void WindowTriangular(Complex* x, int n) {
  const int middle = (n - 1) / 2;
  Weigh(x, n, [n, middle](int i, double) {
    const double rise = 2.0 * i / (n - 1);
    return i > middle ? 2.0 - rise : rise;
  });
}

void WindowHanning(Complex* x, int n) {
  Weigh(x, n, [](int, double a) { return 0.5 - 0.5 * std::cos(a); });
}

void WindowHamming(Complex* x, int n) {
  Weigh(x, n, [](int, double a) { return 0.54 - 0.46 * std::cos(a); });
}

void WindowBlackman(Complex* x, int n) {
  Weigh(x, n, [](int, double a) { return 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2.0 * a); });
}

void ApplyWindow(Complex* x, int n, int fftWindow) {
  switch (fftWindow) {
    case kWindowTriangular:
      WindowTriangular(x, n);
      break;
    case kWindowHanning:
      WindowHanning(x, n);
      break;
    case kWindowHamming:
      WindowHamming(x, n);
      break;
    case kWindowBlackman:
      WindowBlackman(x, n);
      break;
    default:
      break;
  }
}
