#pragma once

#include <cstddef>
#include <vector>

// Low-pass filtering before keeping every factor-th sample, so nothing above the new half rate
// folds back into the band. A linear-phase FIR (a sinc under a Kaiser window): flat below 0.8
// of the new half rate, rate / (2 factor), and at least 100 dB down from that half rate on.
// Unity gain at 0 Hz. Factor 1 (or less) gives the single tap 1.
std::vector<double> DesignAntiAliasFilter(int factor);

// out[i] = sum over j of taps[j] x in[taps - 1 + i x factor - j], i = 0 .. outCount - 1: each
// output sample is the filtered input at position taps - 1 + i x factor, so the input starts
// with taps - 1 samples of history. inCount must be at least
// taps - 1 + (outCount - 1) x factor + 1; missing input reads as 0.
void DecimateFiltered(const double* in, std::size_t inCount, const std::vector<double>& taps,
                      int factor, double* out, std::size_t outCount);

// Input samples the filter needs for outCount outputs.
std::size_t DecimatorInputCount(const std::vector<double>& taps, int factor, std::size_t outCount);
