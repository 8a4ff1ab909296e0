#pragma once

#include <vector>

#include "analysis/response_trace.h"

// Fractional-octave smoothing of values on the evenly spaced bins of a transform (bin k at
// k times the bin step): the value at f becomes the mean over the band from f 2^(-1/2N) to
// f 2^(1/2N) for 1/N octave, each bin standing for the stretch half a bin either side of it,
// the bins at the band's ends counted in part. Where the band is narrower than a bin the value
// stays. NaN values take no part; a band holding none gives NaN. The sums are kept in arrays
// sized by the constructor: Smooth allocates nothing for up to that many bins.
class OctaveSmoother {
 public:
  static constexpr int kMinFraction = 1;   // 1/1 octave
  static constexpr int kMaxFraction = 48;  // 1/48 octave

  explicit OctaveSmoother(int bins);

  // Smooths count values (count at most the constructor's bins) into out, which may be in.
  // fraction N gives 1/N octave, brought into kMinFraction .. kMaxFraction; 0 copies.
  void Smooth(const double* in, double* out, int count, int fraction);

  // Smooths a trace on transform bins in place: the gain as power (so that a notch does not
  // outweigh a peak), the unwrapped phase, the coherence and the group delay as they are; the
  // wrapped phase follows the unwrapped one.
  void SmoothTrace(ResponseTrace& trace, int fraction);

 private:
  std::vector<double> m_sum;    // sum of the values of bins below k, NaN taken as 0
  std::vector<double> m_count;  // number of values that are not NaN below k
  std::vector<double> m_work;
};
