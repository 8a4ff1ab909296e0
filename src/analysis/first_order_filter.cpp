#include "analysis/first_order_filter.h"

#include <cmath>

FilterCoefficients DesignLowPass(unsigned rate, float corner) {
  const double T = 1.0 / rate;
  const double K = 2.0 / corner;
  const float b = static_cast<float>(T / (T + K));
  return {b, b, static_cast<float>((T - K) / (T + K))};
}

FilterCoefficients DesignHighPass(unsigned rate, float corner) {
  const double T = 1.0 / rate;
  const double K = 2.0 / corner;
  const double E = static_cast<float>(T + K);
  const double M = static_cast<float>(20.0 / corner);
  return {static_cast<float>((T + M) / E), static_cast<float>((T - M) / E),
          static_cast<float>((T - K) / E)};
}

void RunFirstOrderFilter(double* values, int count, float b0, float b1, float a1) {
  if (count <= 0) return;
  double x1 = values[0];
  double y1 = values[0];
  for (int k = 0; k < count; ++k) {
    const double x = values[k];
    const double y = b0 * x + b1 * x1 - a1 * y1;
    // std::trunc, not an integer cast: a NaN or infinite sample must pass through.
    // Adding zero turns the -0.0 that truncating a small negative value gives into the 0 of
    // a whole number.
    values[k] = std::trunc(y) + 0.0;
    x1 = x;
    y1 = static_cast<float>(y);
  }
}
