#pragma once

#include <cstdint>
#include <vector>

#include "analysis/complex.h"
#include "analysis/real_fft.h"
#include "analysis/spectrum_averager.h"

// What the scope view keeps for the spectrum analyser's large transforms: the plan, the window,
// the undecimated samples, the bins, the averages and holds of each channel, and the bins a
// chart draws. Everything is sized once, when the view is made, so a pass allocates nothing.
struct LargeSpectrum {
  LargeSpectrum(int order, int window, int count, int channels, const AverageSettings& average);

  RealFft fft;
  int count;                    // samples that enter each transform, zero-padded to its size
  std::vector<double> weights;  // count window weights
  double weightSum = 0;
  std::vector<unsigned char> raw;  // count frames in the capture format
  std::vector<double> samples[2];  // count samples a channel
  std::vector<double> windowed;    // transform size, zero beyond count
  std::vector<Complex> bins[2];    // size / 2 + 1
  std::vector<double> power;       // size / 2 + 1, one transform's powers
  SpectrumAverager averager[2];
  std::vector<double> x;        // chart x of each bin: hertz, or log10 of hertz
  std::vector<int> picked;      // the bins a chart draws
  std::vector<double> loudest;  // size / 2 + 1: the larger average of the two channels
  int64_t lastPassNs = 0;       // Live: when the previous transform ran
};
