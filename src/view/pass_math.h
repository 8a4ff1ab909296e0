#pragma once

// The numbers of the analysis passes that do not depend on the charts: axis ends, bin
// frequencies, sample times and the power spectrum's level range.

// Half the effective sampling rate: the end of every frequency axis.
inline double FrequencyAxisEnd(unsigned rate, float timeBase) {
  return static_cast<double>(rate) / (2.0 * timeBase);
}

// Frequency of spectrum bin k: the integer product k × n × 100 over N × t. n × 100 is the rate
// rounded down to whole hundreds, so the bins sit slightly below the exact ones at 11025 Hz.
inline double BinFrequency(int k, int samplesPerView, int fftSize, float timeBase) {
  return static_cast<double>(k * samplesPerView * 100) / (static_cast<double>(fftSize) * timeBase);
}

// Time of sample i in milliseconds: the frame spans 10 × t ms.
inline double SampleTime(int i, int samplesPerView, float timeBase) {
  return static_cast<double>(i) * 10.0 * timeBase / samplesPerView;
}

// The correlation pass's x value of point j: (10 × j) × t / n.
inline double CorrelationTime(int j, int samplesPerView, float timeBase) {
  return static_cast<double>(10 * j) * timeBase / samplesPerView;
}

struct LevelRange {
  double bottom;
  double top;
};

// One bound of the power spectrum's y range: the next multiple of ten above a positive value
// (trunc(v) / 10 + 1) × 10, else trunc(v) / 10 × 10 − 10, divisions truncating toward zero.
double PowerAxisBound(double v);

// The y range for count levels in decibels. Levels that are not finite (minus infinity for a
// silent bin) take no part, so the range never becomes infinite, and a range that would be empty
// (every level between −10 and 0) is opened to ten decibels below its top.
LevelRange PowerLevelRange(const double* levels, int count);
