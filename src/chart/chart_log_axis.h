#pragma once

#include <string>
#include <vector>

// The grid of a logarithmic frequency axis whose chart holds log10 of each frequency: a line at
// every decade (labelled 10, 100, 1k, 10k, 100k) and unlabelled lines at 2 .. 9 of each decade,
// within log10 lo .. log10 hi.
struct LogAxisLine {
  double position;    // log10 of the frequency
  std::string label;  // empty on the lines between decades
};

std::vector<LogAxisLine> LogAxisLines(double logLow, double logHigh);

// A frequency as the axis labels it: 10, 100, 1k, 10k, 2.5k, 20k; below 1000 in whole hertz.
std::string FrequencyLabel(double hertz);
