#include "analysis/spectrum_levels.h"

#include <cmath>

#include "analysis/smoothing_windows.h"

std::vector<double> WindowWeights(int fftWindow, int n) {
  std::vector<double> w(n > 0 ? n : 0, 1.0);
  if (n <= 0) return w;
  if (fftWindow == kWindowFlatTop) {
    // Five cosine terms; the peak weight is 1 at the centre.
    constexpr double a[] = {0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368};
    const double twoPi = 8.0 * std::atan(1.0);
    for (int i = 0; i < n; ++i) {
      const double x = twoPi * i / n;
      w[i] = a[0] - a[1] * std::cos(x) + a[2] * std::cos(2 * x) - a[3] * std::cos(3 * x) +
             a[4] * std::cos(4 * x);
    }
    return w;
  }
  // The described windows, weighed through the very routines the described spectra use.
  std::vector<Complex> ones(n, Complex{1.0, 0.0});
  ApplyWindow(ones.data(), n, fftWindow);
  for (int i = 0; i < n; ++i) w[i] = ones[i].re;
  return w;
}

double CoherentGain(const std::vector<double>& weights) {
  if (weights.empty()) return 0;
  double sum = 0;
  for (double v : weights) sum += v;
  return sum / static_cast<double>(weights.size());
}

double BinAmplitude(const Complex& bin, int k, int size, double weightSum) {
  if (!(weightSum > 0)) return 0;
  const double magnitude = std::sqrt(bin.re * bin.re + bin.im * bin.im);
  const bool edge = k == 0 || 2 * k == size;
  return (edge ? 1.0 : 2.0) * magnitude / weightSum;
}

double PowerToDb(double power, double reference) {
  if (!(power > 0) || !(reference > 0)) return kLevelFloorDb;
  const double db = 10.0 * std::log10(power / (reference * reference));
  return db > kLevelFloorDb ? db : kLevelFloorDb;
}

double AmplitudeToDbfs(double amplitude, double fullScale) {
  return PowerToDb(amplitude * amplitude, fullScale);
}

double AmplitudeToDbv(double amplitude, int voltValue) {
  // A sine of peak A has an RMS of A / sqrt 2; one volt is voltValue counts.
  if (voltValue <= 0) return kLevelFloorDb;
  return PowerToDb(amplitude * amplitude / 2.0, static_cast<double>(voltValue));
}
