#include "analysis/correlation.h"

#include <algorithm>
#include <cmath>

double ComputeCorrelation(FftEngine& fft, const Complex* leftSpectrum, const Complex* rightSpectrum,
                          int fftOrder, Complex* work) {
  if (fftOrder < 0 || fftOrder > FftEngine::kMaxOrder) return 0;
  const int size = 1 << fftOrder;
  for (int k = 0; k < size; ++k) {
    const Complex& l = leftSpectrum[k];
    if (rightSpectrum == nullptr) {
      work[k] = {l.re * l.re + l.im * l.im, 0};
    } else {
      const Complex& r = rightSpectrum[k];
      work[k] = {l.re * r.re + l.im * r.im, l.im * r.re - l.re * r.im};
    }
  }
  fft.FftInverse(work, fftOrder);
  double hi = 0;
  double lo = 0;
  for (int k = 0; k < size; ++k) {
    if (work[k].re > hi) hi = work[k].re;
    if (work[k].re < lo) lo = work[k].re;
  }
  return std::max(std::fabs(hi), std::fabs(lo));
}
