#include "view/spectrum_columns.h"

#include <algorithm>
#include <cmath>

void PickColumnBins(const double* x, const double* value, int first, int last, double x0, double x1,
                    int columns, std::vector<int>& picked) {
  picked.clear();
  if (last < first || columns <= 0 || !(x1 > x0)) return;
  // The visible bins: lo is the first at or after x0, hi the last at or before x1.
  const int lo = static_cast<int>(std::lower_bound(x + first, x + last + 1, x0) - x);
  const int hi = static_cast<int>(std::upper_bound(x + first, x + last + 1, x1) - x) - 1;
  const int from = std::max(first, lo - 1);
  const int to = std::min(last, hi + 1);
  if (hi - lo + 1 <= columns) {
    for (int k = from; k <= to; ++k) picked.push_back(k);
    return;
  }
  if (from < lo) picked.push_back(from);
  const double perColumn = columns / (x1 - x0);
  int column = -1;
  int best = -1;
  for (int k = lo; k <= hi; ++k) {
    const int c = std::min(columns - 1, static_cast<int>((x[k] - x0) * perColumn));
    if (c != column) {
      if (best >= 0) picked.push_back(best);
      column = c;
      best = k;
    } else if (value[k] > value[best] || std::isnan(value[best])) {
      best = k;
    }
  }
  if (best >= 0) picked.push_back(best);
  if (to > hi) picked.push_back(to);
}
