#include "shell/trigger_options.h"

#include <cstdio>

std::string TriggerNeverFiredText(const TriggerSettings& settings, bool twoChannels, double seconds,
                                  int updates, int wanted) {
  const char* slope = settings.slope == TriggerSlope::kRising    ? "rising"
                      : settings.slope == TriggerSlope::kFalling ? "falling"
                                                                 : "rising or falling";
  char level[32];
  std::snprintf(level, sizeof level, "%g", settings.levelMv);
  char time[32];
  std::snprintf(time, sizeof time, "%g", seconds);
  const char* channel = twoChannels && settings.source == 1 ? "right" : "left";
  return std::string("the trigger ") + (updates > 0 ? "stopped firing" : "never fired") + ": no " +
         slope + " crossing of " + level + " mV on the " + channel + " channel in " + time +
         " s of input (" + std::to_string(updates) + " of " + std::to_string(wanted) +
         " updates were made after POWER; the level, slope or --trigger auto may help)";
}
