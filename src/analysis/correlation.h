#pragma once

#include "analysis/complex.h"
#include "analysis/fft_engine.h"

// Circular correlation of the windowed, zero-padded frames behind two spectra of 2^fftOrder
// values: afterwards work[m].re is the sum over n of l[(n+m) mod N] * r[n]. With a null right
// spectrum it is the auto-correlation of the left frame. work must hold N values and may
// be reused between calls; its previous content does not matter. Returns the normaliser,
// the largest absolute real part (0 for a silent frame).
double ComputeCorrelation(FftEngine& fft, const Complex* leftSpectrum, const Complex* rightSpectrum,
                          int fftOrder, Complex* work);
