#pragma once

#include "analysis/complex.h"

// The lag of the largest absolute value among the n values of a circular correlation, as a
// signed lag: values at n/2 and above stand for the negative lags n/2 - n .. -1. Returns 0 for
// n < 1.
int LargestLag(const double* correlation, int n);

// The same peak to a fraction of a sample: the extremum nearest to lag of the band-limited
// correlation r(t) = sum over k = 0 .. N/2 of c_k Re(S[k] e^(j2pi k t/N)) (c_k = 1 at the ends,
// 2 between), where S holds the bins 0 .. N/2 of the correlation's spectrum and N = 2 (bins - 1).
// Newton steps on r'(t) from lag; a step that leaves lag +- 1, or a curvature of the wrong sign
// for the extremum there, falls back to a parabola through the three samples around lag.
double RefineLag(const Complex* spectrum, int bins, int lag);
