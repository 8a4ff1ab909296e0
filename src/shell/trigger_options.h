#pragma once

#include <optional>
#include <string>

#include "analysis/trigger_state.h"

// The trigger options of the command line; each one given replaces the profile's value for this
// start (nothing of it is stored).
struct TriggerOptions {
  std::optional<TriggerMode> mode;  // --trigger off|auto|normal|single
  std::optional<int> source;        // --trigger-source left|right
  std::optional<TriggerSlope> slope;
  std::optional<double> levelMv;
  std::optional<double> positionPercent;
  std::optional<double> holdoffMs;
  std::optional<double> hysteresisDiv;

  // settings with the options given put in.
  TriggerSettings Over(TriggerSettings settings) const;
};

// True for the names of the trigger options, which all take a value.
bool IsTriggerOption(const std::string& name);
// Stores the value of option name; an empty result, or the error line naming the option.
std::string ApplyTriggerOption(TriggerOptions& options, const std::string& name,
                               const std::string& value);
// Why a scripted run that waits for triggered updates ends: "the trigger never fired: no rising
// crossing of 100 mV on the left channel in 3 s of input (0 of 4 updates after POWER)", or
// "stopped firing" once some updates came.
std::string TriggerNeverFiredText(const TriggerSettings& settings, bool twoChannels, double seconds,
                                  int updates, int wanted);

// The lines of --help that describe them.
const char* TriggerUsageText();
