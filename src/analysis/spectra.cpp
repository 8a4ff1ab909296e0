#include "analysis/spectra.h"

#include <algorithm>
#include <cmath>

#include "analysis/smoothing_windows.h"

namespace {

void Fill(const double* samples, int n, int size, int fftWindow, Complex* spectrum) {
  std::fill(spectrum, spectrum + size, Complex{0, 0});
  const int count = std::min(n, size);
  for (int i = 0; i < count; ++i) spectrum[i].re = samples[i];
  ApplyWindow(spectrum, count, fftWindow);
}

void FindPeak(const Complex* spectrum, int size, double& peak, double& minimum) {
  double hi = 0;
  double lo = 0;
  for (int k = 0; k < size; ++k) {
    const double magnitude =
        std::sqrt(spectrum[k].re * spectrum[k].re + spectrum[k].im * spectrum[k].im);
    if (magnitude > hi) hi = magnitude;
    if (magnitude < lo) lo = magnitude;
  }
  minimum = lo;
  peak = std::max(std::fabs(hi), std::fabs(lo));
}

}  // namespace

SpectrumPeaks PrepareSpectra(FftEngine& fft, const double* leftSamples, const double* rightSamples,
                             int samplesPerView, int fftOrder, int fftWindow, Complex* leftSpectrum,
                             Complex* rightSpectrum) {
  SpectrumPeaks peaks;
  if (fftOrder < 0 || fftOrder > FftEngine::kMaxOrder || leftSpectrum == nullptr) return peaks;
  const int size = 1 << fftOrder;
  const bool stereo = rightSamples != nullptr && rightSpectrum != nullptr;
  Fill(leftSamples, samplesPerView, size, fftWindow, leftSpectrum);
  if (stereo) Fill(rightSamples, samplesPerView, size, fftWindow, rightSpectrum);
  fft.FftForward(leftSpectrum, fftOrder);
  if (stereo) fft.FftForward(rightSpectrum, fftOrder);
  FindPeak(leftSpectrum, size, peaks.m_dLeftSpectrumPeak, peaks.m_dLeftSpectrumMin);
  if (stereo) FindPeak(rightSpectrum, size, peaks.m_dRightSpectrumPeak, peaks.m_dRightSpectrumMin);
  return peaks;
}
