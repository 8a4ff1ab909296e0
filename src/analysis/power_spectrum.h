#pragma once

#include "analysis/fft_engine.h"

// The biased auto-correlation r[m] = (1/L) sum_{n<L-m} a[n] a[n+m] for m = 0..M/2, where a is
// samples[0..L) less their mean when removeMean is set, computed through transforms of size
// M (a power of two; M >= 2L avoids wrap-around). r must hold M/2 + 1 values.
void EstimateAutocorrelation(FftEngine& fft, const double* samples, int L, int M, bool removeMean,
                             double* r);

// Correlation-method power spectrum of samples[0..L): the auto-correlation above, its first Q
// lags tapered by a lag window and mirrored into an even sequence of K values (a power of
// two), transformed. Writes K/2 frequencies (k * Fs / K) and levels in decibels (minus
// infinity for a zero magnitude). Q is limited to M/2 + 1 and K/2 + 1 lags so no array is
// overrun.
void EstimatePowerSpectrum(FftEngine& fft, const double* samples, int L, int M, bool removeMean,
                           double Fs, int Q, int K, double* frequencies, double* levels);
