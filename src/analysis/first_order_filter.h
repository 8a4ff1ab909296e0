#pragma once

// Coefficients of y[k] = b0 x[k] + b1 x[k-1] - a1 y[k-1], kept in single precision.
struct FilterCoefficients {
  float b0;
  float b1;
  float a1;
};

// First-order low pass for a sampling rate and corner frequency in hertz.
FilterCoefficients DesignLowPass(unsigned rate, float corner);

// First-order high pass: gain 1 at zero frequency and 10 at half the sampling rate.
FilterCoefficients DesignHighPass(unsigned rate, float corner);

// Filters values[0..count) in place, starting from rest at the first value. Outputs are
// truncated toward zero (whole counts); the fed-back output is kept in single precision.
void RunFirstOrderFilter(double* values, int count, float b0, float b1, float a1);
inline void RunFirstOrderFilter(double* values, int count, const FilterCoefficients& c) {
  RunFirstOrderFilter(values, count, c.b0, c.b1, c.a1);
}
