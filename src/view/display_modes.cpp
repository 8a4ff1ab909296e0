#include "view/display_modes.h"

const std::vector<DisplayModeInfo>& DisplayModes() {
  static const std::vector<DisplayModeInfo> kModes = [] {
    static const char* const kItems[] = {"Spectrum",  "Phase",       "OscilloGraph",
                                         "Lissajous", "Correlation", "Power Spectrum"};
    std::vector<DisplayModeInfo> modes;
    for (int folder = 0; folder < 2; ++folder) {
      for (int item = 0; item < 6; ++item)
        modes.push_back({600 + 10 * folder + item, kItems[item], item});
    }
    modes.push_back({kSpectrogramMode, "Spectrogram", 0});
    modes.push_back({kResponseMode, "Response", 1});
    modes.push_back({kImpulseResponseMode, "Impulse Response", 4});
    modes.push_back({kDistortionMode, "Distortion", 5});
    return modes;
  }();
  return kModes;
}

const DisplayModeInfo* FindDisplayMode(int mode) {
  for (const DisplayModeInfo& m : DisplayModes()) {
    if (m.mode == mode) return &m;
  }
  return nullptr;
}

bool IsClassicDisplayMode(int mode) { return IsDisplayMode(mode) && mode < 620; }

bool IsOscillographMode(int mode) { return IsClassicDisplayMode(mode) && mode % 10 == 2; }

std::string DisplayModeName(int mode) {
  const DisplayModeInfo* m = FindDisplayMode(mode);
  if (m == nullptr) return "mode " + std::to_string(mode);
  if (!IsClassicDisplayMode(mode)) return m->item;
  return std::string(mode >= 610 ? "3-D " : "2-D ") + m->item;
}

std::string DisplayModeRanges() {
  std::string text;
  const std::vector<DisplayModeInfo>& modes = DisplayModes();
  for (std::size_t i = 0; i < modes.size();) {
    std::size_t j = i;
    while (j + 1 < modes.size() && modes[j + 1].mode == modes[j].mode + 1) ++j;
    if (!text.empty()) text += ", ";
    text += std::to_string(modes[i].mode);
    if (j > i) text += ".." + std::to_string(modes[j].mode);
    i = j + 1;
  }
  return text;
}
