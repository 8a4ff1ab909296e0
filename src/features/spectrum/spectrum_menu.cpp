#include "features/spectrum/spectrum_menu.h"

#include "platform/command_ids.h"

namespace {

// Ids in blocks: sizes, scales, axes, ranges, averages, decay, then the flags.
constexpr int kSizeFirst = ID_SPECTRUM_FIRST;          // described, 1024 .. 65536
constexpr int kScaleFirst = ID_SPECTRUM_FIRST + 10;    // linear, dBFS, dBV
constexpr int kAxisFirst = ID_SPECTRUM_FIRST + 15;     // linear, log
constexpr int kRangeFirst = ID_SPECTRUM_FIRST + 20;    // the level ranges
constexpr int kAverageFirst = ID_SPECTRUM_FIRST + 30;  // off, exponential, linear
constexpr int kDecayFirst = ID_SPECTRUM_FIRST + 50;    // peak decay
constexpr int kFlatTop = ID_SPECTRUM_FIRST + 60;
constexpr int kPeakHold = ID_SPECTRUM_FIRST + 61;
constexpr int kMinimumHold = ID_SPECTRUM_FIRST + 62;

constexpr int kSizes[] = {0, 1024, 2048, 4096, 8192, 16384, 32768, 65536};
struct Range {
  double bottom, top;
  const char* text;
};
constexpr Range kRanges[] = {{-140, 0, "-140 .. 0 dB"}, {-120, 0, "-120 .. 0 dB"},
                             {-100, 0, "-100 .. 0 dB"}, {-80, 0, "-80 .. 0 dB"},
                             {-60, 0, "-60 .. 0 dB"},   {-160, 20, "-160 .. +20 dB"}};
struct Average {
  int mode;
  double seconds;
  int count;
  const char* text;
};
constexpr Average kAverages[] = {{0, 0, 0, "Off"},
                                 {1, 0.1, 0, "Exponential, 0.1 s"},
                                 {1, 0.3, 0, "Exponential, 0.3 s"},
                                 {1, 1, 0, "Exponential, 1 s"},
                                 {1, 3, 0, "Exponential, 3 s"},
                                 {1, 10, 0, "Exponential, 10 s"},
                                 {2, 0, 4, "Linear, 4 transforms"},
                                 {2, 0, 16, "Linear, 16 transforms"},
                                 {2, 0, 64, "Linear, 64 transforms"},
                                 {2, 0, 256, "Linear, 256 transforms"},
                                 {2, 0, 1000, "Linear, 1000 transforms"}};
constexpr double kDecays[] = {0, 3, 10, 30};

template <typename T, int N>
constexpr int Count(const T (&)[N]) {
  return N;
}

}  // namespace

const std::vector<SpectrumMenuGroup>& SpectrumMenuGroups() {
  static const std::vector<SpectrumMenuGroup> groups = [] {
    std::vector<SpectrumMenuGroup> g;
    SpectrumMenuGroup sizes{"&FFT Size", {}};
    for (int i = 0; i < Count(kSizes); ++i) {
      sizes.items.push_back({kSizeFirst + i, i == 0 ? "&Described" : std::to_string(kSizes[i])});
    }
    g.push_back(sizes);
    g.push_back(
        {"&Amplitude Scale",
         {{kScaleFirst, "&Linear"}, {kScaleFirst + 1, "dB&FS"}, {kScaleFirst + 2, "dB&V"}}});
    g.push_back({"Frequency A&xis", {{kAxisFirst, "&Linear"}, {kAxisFirst + 1, "L&ogarithmic"}}});
    SpectrumMenuGroup ranges{"Level &Range", {}};
    for (int i = 0; i < Count(kRanges); ++i)
      ranges.items.push_back({kRangeFirst + i, kRanges[i].text});
    g.push_back(ranges);
    SpectrumMenuGroup averages{"A&veraging", {}};
    for (int i = 0; i < Count(kAverages); ++i) {
      averages.items.push_back({kAverageFirst + i, kAverages[i].text});
    }
    g.push_back(averages);
    SpectrumMenuGroup decays{"Peak &Decay", {}};
    for (int i = 0; i < Count(kDecays); ++i) {
      decays.items.push_back(
          {kDecayFirst + i, i == 0
                                ? std::string("&None")
                                : std::to_string(static_cast<int>(kDecays[i])) + " dB a second"});
    }
    g.push_back(decays);
    g.push_back(
        {"",
         {{kFlatTop, "Flat-&Top Window for Levels", "Read tone levels through the flat-top window"},
          {kPeakHold, "&Peak Hold", "Show the highest level each frequency reached"},
          {kMinimumHold, "&Minimum Hold", "Show the lowest level each frequency reached"},
          {ID_SPECTRUM_RESET_HOLDS, "R&eset Averages and Holds",
           "Start the averages and the holds afresh"}}});
    return g;
  }();
  return groups;
}

bool ApplySpectrumMenuChoice(int id, SpectrumOptions& o) {
  if (id >= kSizeFirst && id < kSizeFirst + Count(kSizes)) {
    o.fftSize = kSizes[id - kSizeFirst];
  } else if (id >= kScaleFirst && id < kScaleFirst + 3) {
    o.scale = id - kScaleFirst;
  } else if (id >= kAxisFirst && id < kAxisFirst + 2) {
    o.logAxis = id == kAxisFirst + 1;
  } else if (id >= kRangeFirst && id < kRangeFirst + Count(kRanges)) {
    o.dbBottom = kRanges[id - kRangeFirst].bottom;
    o.dbTop = kRanges[id - kRangeFirst].top;
  } else if (id >= kAverageFirst && id < kAverageFirst + Count(kAverages)) {
    const Average& a = kAverages[id - kAverageFirst];
    o.average = a.mode;
    if (a.mode == 1) o.averageSeconds = a.seconds;
    if (a.mode == 2) o.averageCount = a.count;
  } else if (id >= kDecayFirst && id < kDecayFirst + Count(kDecays)) {
    o.peakDecayDbPerSecond = kDecays[id - kDecayFirst];
  } else if (id == kFlatTop) {
    o.flatTop = !o.flatTop;
  } else if (id == kPeakHold) {
    o.peakHold = !o.peakHold;
  } else if (id == kMinimumHold) {
    o.minimumHold = !o.minimumHold;
  } else {
    return false;
  }
  return true;
}

bool SpectrumMenuChecked(int id, const SpectrumOptions& o) {
  if (id >= kSizeFirst && id < kSizeFirst + Count(kSizes))
    return o.fftSize == kSizes[id - kSizeFirst];
  if (id >= kScaleFirst && id < kScaleFirst + 3) return o.scale == id - kScaleFirst;
  if (id >= kAxisFirst && id < kAxisFirst + 2) return o.logAxis == (id == kAxisFirst + 1);
  if (id >= kRangeFirst && id < kRangeFirst + Count(kRanges)) {
    return o.dbBottom == kRanges[id - kRangeFirst].bottom &&
           o.dbTop == kRanges[id - kRangeFirst].top;
  }
  if (id >= kAverageFirst && id < kAverageFirst + Count(kAverages)) {
    const Average& a = kAverages[id - kAverageFirst];
    if (o.average != a.mode) return false;
    return a.mode == 0 || (a.mode == 1 ? o.averageSeconds == a.seconds : o.averageCount == a.count);
  }
  if (id >= kDecayFirst && id < kDecayFirst + Count(kDecays)) {
    return o.peakDecayDbPerSecond == kDecays[id - kDecayFirst];
  }
  if (id == kFlatTop) return o.flatTop;
  if (id == kPeakHold) return o.peakHold;
  if (id == kMinimumHold) return o.minimumHold;
  return false;
}
