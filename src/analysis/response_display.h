#pragma once

#include <vector>

#include "analysis/complex.h"
#include "analysis/real_inverse_fft.h"
#include "analysis/response_trace.h"

// count frequencies from lo to hi hertz in equal ratios, lo and hi included (count >= 2).
void LogFrequencyGrid(double lo, double hi, int count, std::vector<double>& out);

// values (on frequencies that rise) at each frequency of grid, interpolated on the log axis as
// ValueAtFrequency does, in one walk; out is sized to the grid.
void SampleOnGrid(const std::vector<double>& frequencyHz, const std::vector<double>& values,
                  const std::vector<double>& grid, std::vector<double>& out);

// The impulse response whose spectrum a trace on the bins 0 .. N/2 of an N-point transform
// holds (N = inverse.Size()), with delaySamples put back into its phase when the trace has it
// taken out: gain and wrapped phase make each bin, a bin of unknown gain counts as 0. Writes N
// samples of the circular response into out; work holds N/2 + 1 bins.
void ImpulseFromTrace(const ResponseTrace& trace, double delaySamples, RealInverseFft& inverse,
                      std::vector<Complex>& work, std::vector<double>& out);

// Cuts pre samples before and post after whole sample zero out of the circular response h into
// out; the peak lands at index pre.
void CutAround(const std::vector<double>& h, int zero, int pre, int post, std::vector<double>& out);

// A range of whole steps that holds the finite values (at least span wide): for a chart's
// axis. Without a finite value, lo .. lo + span from the defaults given.
void RangeOf(const std::vector<double>& values, double step, double span, double& lo, double& hi);
