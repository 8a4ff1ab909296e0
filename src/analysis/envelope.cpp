#include "analysis/envelope.h"

std::size_t ComputeEnvelope(const double* samples, std::size_t count, std::size_t columns,
                            double* mins, double* maxs) {
  if (count == 0 || columns == 0) return 0;
  if (columns > count) columns = count;
  std::size_t begin = 0;
  for (std::size_t c = 0; c < columns; ++c) {
    const std::size_t end = (c + 1) * count / columns;
    double lo = samples[begin], hi = samples[begin];
    for (std::size_t i = begin + 1; i < end; ++i) {
      const double v = samples[i];
      if (v < lo) lo = v;
      if (v > hi) hi = v;
    }
    mins[c] = lo;
    maxs[c] = hi;
    begin = end;
  }
  return columns;
}
