#pragma once

#include <string>

#include "features/response/response_settings.h"

// The response analyser's command-line choices: --response dual|sweep,
// --response-reference left|right, --sweep F1-F2,SECONDS and --smoothing 1/N. Each given one
// wins over the per-user profile for that start.
struct ResponseChoices {
  int method = -1;          // -1 not given, else a ResponseSettings::Method
  int referenceRight = -1;  // -1 not given, 0 left, 1 right
  bool sweepGiven = false;
  double sweepStartHz = 0;
  double sweepStopHz = 0;
  double sweepSeconds = 0;
  int smoothing = -1;  // -1 not given, 0 off, else N of 1/N octave

  // Overrides what was given.
  void ApplyTo(ResponseSettings& settings) const;
};

// True for the four options, each of which takes a value.
bool IsResponseValueOption(const std::string& name);
// Stores the value of one of them: empty, or the error line naming the option.
std::string ApplyResponseValue(ResponseChoices& choices, const std::string& name,
                               const std::string& value);
// Their lines of --help.
std::string ResponseUsageText();
