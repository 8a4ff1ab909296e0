#pragma once

#include <string>

#include "acquisition/spectrum_options.h"

// The spectrum analyser's command-line choices: --fft-size N|described,
// --spectrum-scale linear|dbfs|dbv, --frequency-axis linear|log, --average off|exp:SECONDS|lin:N
// and --peak-hold. Each given one wins over the per-user profile for that start.
struct SpectrumChoices {
  int fftSize = -1;  // -1 not given, else SpectrumOptions::fftSize
  int scale = -1;
  int logAxis = -1;
  int average = -1;
  double averageSeconds = 1.0;
  int averageCount = 10;
  bool peakHold = false;

  // Overrides what was given.
  void ApplyTo(SpectrumOptions& options) const;
};

// True for the four options that take a value.
bool IsSpectrumValueOption(const std::string& name);
// Stores the value of one of them: empty, or the error line naming the option.
std::string ApplySpectrumValue(SpectrumChoices& choices, const std::string& name,
                               const std::string& value);
// Their lines of --help.
std::string SpectrumUsageText();
