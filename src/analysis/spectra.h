#pragma once

#include "analysis/complex.h"
#include "analysis/fft_engine.h"

// Peak magnitudes of the spectra; the minima stay 0. With one channel the right fields are 0.
struct SpectrumPeaks {
  double m_dLeftSpectrumPeak = 0;
  double m_dLeftSpectrumMin = 0;
  double m_dRightSpectrumPeak = 0;
  double m_dRightSpectrumMin = 0;
};

// Fills each spectrum (2^fftOrder values) with the transform of its channel's n samples,
// windowed over n values and zero-padded. Pass null right arrays for one channel.
// Samples beyond the transform length are ignored.
SpectrumPeaks PrepareSpectra(FftEngine& fft, const double* leftSamples, const double* rightSamples,
                             int samplesPerView, int fftOrder, int fftWindow, Complex* leftSpectrum,
                             Complex* rightSpectrum);
