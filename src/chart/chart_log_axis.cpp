#include "chart/chart_log_axis.h"

#include <cmath>
#include <cstdio>

std::string FrequencyLabel(double hertz) {
  char buffer[32];
  if (std::fabs(hertz) >= 1000) {
    std::snprintf(buffer, sizeof buffer, "%gk", hertz / 1000);
  } else {
    std::snprintf(buffer, sizeof buffer, "%g", std::round(hertz * 100) / 100);
  }
  return buffer;
}

std::vector<LogAxisLine> LogAxisLines(double logLow, double logHigh) {
  std::vector<LogAxisLine> lines;
  if (!(logHigh > logLow) || !std::isfinite(logLow) || !std::isfinite(logHigh)) return lines;
  // Beyond a few decades the unlabelled lines would merge.
  const bool minor = logHigh - logLow <= 6;
  const int firstDecade = static_cast<int>(std::floor(logLow));
  const int lastDecade = static_cast<int>(std::ceil(logHigh));
  constexpr double kSlack = 1e-9;
  for (int d = firstDecade; d <= lastDecade && d < 400; ++d) {
    const double decade = std::pow(10.0, d);
    for (int m = 1; m <= 9; ++m) {
      if (m > 1 && !minor) break;
      const double position = std::log10(m * decade);
      if (position < logLow - kSlack || position > logHigh + kSlack) continue;
      lines.push_back({position, m == 1 ? FrequencyLabel(decade) : std::string()});
    }
  }
  return lines;
}
