#pragma once

#include <vector>

#include "analysis/complex.h"

// The amplitude scales of the large spectra.
enum SpectrumScale { kScaleLinear = 0, kScaleDbfs = 1, kScaleDbv = 2 };

// The flat-top window beside the five smoothing windows: its passband is so flat that a tone
// between two bins reads within a few hundredths of a decibel of its level.
constexpr int kWindowFlatTop = 6;

// Weights of the window fftWindow (the FFTWindow values 1..5, or kWindowFlatTop) for n values.
// The smoothing windows are those of the described spectra (symmetric over n - 1); the flat-top
// window is periodic over n, as level readings of a transform of n values need.
std::vector<double> WindowWeights(int fftWindow, int n);

// The window's coherent gain: the mean of its weights (1 for the rectangle).
double CoherentGain(const std::vector<double>& weights);

// Peak amplitude, in the input's units, of the sine that bin k stands for, from the transform
// of `count` windowed values zero-padded to `size`: 2 |X[k]| / sum of the weights, and
// |X[k]| / sum at bins 0 and size/2, where no mirror image shares the energy. weightSum is the
// sum of the count weights (count for the rectangle).
double BinAmplitude(const Complex& bin, int k, int size, double weightSum);

// A peak amplitude in decibels: relative to full scale (a full-scale sine reads 0 dBFS) or,
// with a calibration of voltValue counts a volt, relative to one volt RMS (dBV). Values at or
// below zero give the floor kLevelFloorDb rather than minus infinity.
constexpr double kLevelFloorDb = -400.0;
double AmplitudeToDbfs(double amplitude, double fullScale);
double AmplitudeToDbv(double amplitude, int voltValue);
// The same from a mean power (amplitude squared), as averaging keeps it.
double PowerToDb(double power, double reference);
