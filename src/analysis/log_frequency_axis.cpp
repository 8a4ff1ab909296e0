#include "analysis/log_frequency_axis.h"

#include <algorithm>
#include <cmath>

LogFrequencyRange LogFrequencyAxis(double rate, int fftSize) {
  const double bin = fftSize > 0 ? rate / fftSize : rate;
  return {std::max(20.0, bin), rate / 2.0};
}

double LogAxisPosition(double f, const LogFrequencyRange& axis) {
  return std::log10(f / axis.low) / std::log10(axis.high / axis.low);
}

double LogAxisFrequency(double position, const LogFrequencyRange& axis) {
  return axis.low * std::pow(axis.high / axis.low, position);
}
