#pragma once

#include "analysis/fft_engine.h"

// Correlation-method power spectrum of samples[0..L): the biased auto-correlation through a
// transform of size M (a power of two, at least 2L), its first Q lags tapered by a lag window
// and mirrored into an even sequence of K values (a power of two), transformed. Writes K/2
// frequencies (k * Fs / K) and levels in decibels (minus infinity for a zero magnitude).
// removeMean subtracts the mean of the L samples first. Q is limited to M/2 + 1 and K/2 + 1
// lags so no array is overrun.
void EstimatePowerSpectrum(FftEngine& fft, const double* samples, int L, int M, bool removeMean,
                           double Fs, int Q, int K, double* frequencies, double* levels);
