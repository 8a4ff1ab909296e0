#include "view/pass_math.h"

#include <cmath>

double PowerAxisBound(double v) {
  // Whole-number arithmetic carried out in doubles: the same results for every finite level,
  // without converting anything to int.
  const double tens = std::trunc(std::trunc(v) / 10.0);
  return v > 0 ? (tens + 1.0) * 10.0 : tens * 10.0 - 10.0;
}

LevelRange PowerLevelRange(const double* levels, int count) {
  double hi = 0;
  double lo = 0;
  for (int k = 0; k < count; ++k) {
    const double v = levels[k];
    if (!std::isfinite(v)) continue;
    if (v > hi) hi = v;
    if (v < lo) lo = v;
  }
  LevelRange range{PowerAxisBound(lo), PowerAxisBound(hi)};
  if (!(range.bottom < range.top)) range.bottom = range.top - 10.0;
  return range;
}
