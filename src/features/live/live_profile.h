#pragma once

#include <string>
#include <vector>

// The preferences of the live display, kept in the per-user profile (never in Aurivue.ini).
// Missing or unusable entries read as Classic, 10 curtains a second and the default device.
struct LiveProfile {
  bool live = false;
  int curtainRate = 10;
  std::string inputDevice;  // a PortAudio input device name; empty: the system's default
};

LiveProfile LoadLiveProfile();
void SaveLiveMode(bool live);
void SaveCurtainRate(int rate);
void SaveInputDevice(const std::string& name);

// The waterfall's curtain rates to choose from, a second.
const std::vector<int>& CurtainRates();
