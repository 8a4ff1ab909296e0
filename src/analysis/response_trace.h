#pragma once

#include <vector>

// A measured frequency response on a grid of frequencies that rises with the index (the bins
// of a transform, or a log-spaced grid). Values that cannot be measured there are NaN: the
// gain where the reference holds no energy, the coherence of a sweep.
struct ResponseTrace {
  std::vector<double> frequencyHz;
  std::vector<double> gainDb;
  std::vector<double> phaseDeg;           // wrapped to (-180, 180]
  std::vector<double> phaseUnwrappedDeg;  // continuous from the lowest frequency up
  std::vector<double> coherence;          // 0 .. 1
  std::vector<double> groupDelaySeconds;

  // Sizes every array for points values (allocates).
  void Resize(int points);
  int Points() const { return static_cast<int>(frequencyHz.size()); }
};

// An angle in degrees brought into (-180, 180].
double WrapDegrees(double degrees);

// Unwraps count phases in degrees into out (which may be in): each step between neighbours is
// taken as the wrapped one. NaN values are passed through and skipped.
void UnwrapDegrees(const double* wrapped, double* out, int count);

// The value of a trace at f hertz, interpolated on the log frequency axis between the two
// points around it (frequencies at or below 0 Hz take no part). NaN outside the positive
// frequencies of the trace, or when either neighbour is NaN. A point's own frequency gives its
// own value.
double ValueAtFrequency(const std::vector<double>& frequencyHz, const std::vector<double>& values,
                        double f);

// The trace less a stored reference trace, point by point at the trace's frequencies, the
// reference interpolated on the log axis: gain and group delay as differences, the phase as
// the wrapped (and unwrapped) difference, the coherence the lower of the two. Frequencies the
// reference does not cover give NaN. out may not be trace or reference.
void DifferenceFromReference(const ResponseTrace& trace, const ResponseTrace& reference,
                             ResponseTrace& out);
