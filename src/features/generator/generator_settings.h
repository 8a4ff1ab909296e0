#pragma once

#include <array>

#include "analysis/signal_generator.h"

// What of the generator a setup holds and the per-user profile keeps: both channels' choices and
// the largest level rise. OUTPUT is never among them (a setup always opens with the output off),
// nor the output device, which belongs to this computer as the card settings do.
struct GeneratorSettings {
  GeneratorSettings() {
    // A multitone chosen before any tones were typed plays three decades.
    for (ChannelSetup& ch : channels) {
      ch.toneCount = 3;
      ch.toneHz[0] = 100.0;
      ch.toneHz[1] = 1000.0;
      ch.toneHz[2] = 10000.0;
    }
  }

  std::array<ChannelSetup, 2> channels;
  double maxLevelStep = 1.0;
};
