#include "analysis/anti_alias_decimator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// The modified Bessel function of the first kind, order 0, by its power series.
double BesselI0(double x) {
  double sum = 1.0;
  double term = 1.0;
  const double q = x * x / 4.0;
  for (int k = 1; k < 200; ++k) {
    term *= q / (static_cast<double>(k) * k);
    sum += term;
    if (term < sum * 1e-17) break;
  }
  return sum;
}

}  // namespace

std::vector<double> DesignAntiAliasFilter(int factor) {
  if (factor <= 1) return {1.0};
  // Attenuation and transition (in cycles a sample) of the Kaiser design rules.
  constexpr double kAttenuationDb = 100.0;
  const double stop = 0.5 / factor;
  const double pass = 0.8 * stop;
  const double transition = stop - pass;
  constexpr double pi = std::numbers::pi;
  const double beta = 0.1102 * (kAttenuationDb - 8.7);
  int length = static_cast<int>(std::ceil((kAttenuationDb - 7.95) / (2.285 * 2 * pi * transition)));
  if (length % 2 == 0) ++length;  // odd: the centre tap lies on a sample
  const double cutoff = 0.5 * (pass + stop);
  const double middle = (length - 1) / 2.0;
  const double norm = BesselI0(beta);
  std::vector<double> taps(length);
  double sum = 0;
  for (int j = 0; j < length; ++j) {
    const double t = j - middle;
    const double sinc = t == 0 ? 2 * cutoff : std::sin(2 * pi * cutoff * t) / (pi * t);
    const double r = t / middle;
    const double window = BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / norm;
    taps[j] = sinc * window;
    sum += taps[j];
  }
  for (double& v : taps) v /= sum;
  return taps;
}

std::size_t DecimatorInputCount(const std::vector<double>& taps, int factor, std::size_t outCount) {
  if (outCount == 0 || taps.empty()) return 0;
  return taps.size() - 1 + (outCount - 1) * static_cast<std::size_t>(factor < 1 ? 1 : factor) + 1;
}

void DecimateFiltered(const double* in, std::size_t inCount, const std::vector<double>& taps,
                      int factor, double* out, std::size_t outCount) {
  if (factor < 1) factor = 1;
  const std::size_t length = taps.size();
  const double* h = taps.data();
  for (std::size_t i = 0; i < outCount; ++i) {
    const std::size_t end = length - 1 + i * static_cast<std::size_t>(factor);
    double acc = 0;
    if (end < inCount) {
      // in[end - j] for j = 0 .. length-1 is in[end - length + 1 .. end] reversed.
      const double* x = in + (end + 1 - length);
      for (std::size_t j = 0; j < length; ++j) acc += h[length - 1 - j] * x[j];
    } else {
      for (std::size_t j = 0; j < length; ++j) {
        const std::size_t p = end - j;
        if (p < inCount) acc += h[j] * in[p];
      }
    }
    out[i] = acc;
  }
}
