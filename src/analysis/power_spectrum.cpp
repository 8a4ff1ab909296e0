#include "analysis/power_spectrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

void EstimateAutocorrelation(FftEngine& fft, const double* samples, int L, int M, bool removeMean,
                             double* r) {
  if (L <= 0 || M < 2) return;
  std::vector<double> a(M, 0.0);

  double mean = 0;
  if (removeMean) {
    double sum = 0;
    for (int i = 0; i < L; ++i) sum += samples[i];
    mean = sum / L;
  }
  const int used = std::min(L, M);
  for (int i = 0; i < used; ++i) a[i] = samples[i] - mean;
  std::vector<double> b = a;

  fft.TransformPair(a.data(), b.data(), M, 1);

  // Separate the two real transforms packed as Z = X + jY and form S = conj(X) * Y; both hold
  // the same data, so S = |A|^2.
  const int half = M / 2;
  std::vector<double> sRe(M, 0.0), sIm(M, 0.0);
  for (int k = 1; k < half; ++k) {
    const double zr = a[k], zi = b[k], wr = a[M - k], wi = b[M - k];
    const double xr = (zr + wr) / 2, xi = (zi - wi) / 2;
    const double yr = (zi + wi) / 2, yi = (wr - zr) / 2;
    sRe[k] = xr * yr + xi * yi;
    sIm[k] = xr * yi - xi * yr;
  }
  sRe[0] = a[0] * b[0];
  sRe[half] = a[half] * b[half];
  for (int k = 1; k < half; ++k) {
    sRe[M - k] = sRe[k];
    sIm[M - k] = -sIm[k];
  }

  fft.TransformPair(sRe.data(), sIm.data(), M, 0);
  for (int m = 0; m <= half; ++m) r[m] = sRe[m] / L;
}

void EstimatePowerSpectrum(FftEngine& fft, const double* samples, int L, int M, bool removeMean,
                           double Fs, int Q, int K, double* frequencies, double* levels) {
  if (L <= 0 || M < 2 || K < 2 || Q < 1) return;
  // r is valid for lags 0..M/2 and the even sequence holds lags up to K/2 without overlap.
  Q = std::min({Q, M / 2 + 1, K / 2 + 1});

  std::vector<double> r(M / 2 + 1, 0.0);
  EstimateAutocorrelation(fft, samples, L, M, removeMean, r.data());

  constexpr double pi = std::numbers::pi;
  for (int m = 1; m < Q; ++m) r[m] *= 0.54 + 0.46 * std::cos(pi * m / (Q - 1));

  std::vector<double> e(K, 0.0), f(K, 0.0);
  for (int m = 0; m < Q; ++m) e[m] = r[m];
  for (int m = 1; m < Q; ++m) e[K - m] = r[m];

  fft.TransformPair(e.data(), f.data(), K, 1);

  for (int k = 0; k < K / 2; ++k) {
    frequencies[k] = k * Fs / K;
    levels[k] = 20 * std::log10(std::sqrt(e[k] * e[k] + f[k] * f[k]));
  }
}
