#include "features/spectrum/spectrum_menu.h"

#include "platform/command_ids.h"

namespace {

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

// A choice added to a block must not run into the next one.
static_assert(ID_SPECTRUM_SIZE_FIRST + Count(kSizes) <= ID_SPECTRUM_SCALE_FIRST);
static_assert(ID_SPECTRUM_SCALE_FIRST + 3 <= ID_SPECTRUM_AXIS_FIRST);
static_assert(ID_SPECTRUM_AXIS_FIRST + 2 <= ID_SPECTRUM_RANGE_FIRST);
static_assert(ID_SPECTRUM_RANGE_FIRST + Count(kRanges) <= ID_SPECTRUM_AVERAGE_FIRST);
static_assert(ID_SPECTRUM_AVERAGE_FIRST + Count(kAverages) <= ID_SPECTRUM_DECAY_FIRST);
static_assert(ID_SPECTRUM_DECAY_FIRST + Count(kDecays) <= ID_SPECTRUM_FLAT_TOP);
static_assert(ID_SPECTRUM_SIZE_FIRST == ID_SPECTRUM_FIRST);

}  // namespace

const std::vector<SpectrumMenuGroup>& SpectrumMenuGroups() {
  static const std::vector<SpectrumMenuGroup> groups = [] {
    std::vector<SpectrumMenuGroup> g;
    SpectrumMenuGroup sizes{"&FFT Size", {}};
    for (int i = 0; i < Count(kSizes); ++i) {
      sizes.items.push_back(
          {ID_SPECTRUM_SIZE_FIRST + i, i == 0 ? "&Described" : std::to_string(kSizes[i])});
    }
    g.push_back(sizes);
    g.push_back({"&Amplitude Scale",
                 {{ID_SPECTRUM_SCALE_FIRST, "&Linear"},
                  {ID_SPECTRUM_SCALE_FIRST + 1, "dB&FS"},
                  {ID_SPECTRUM_SCALE_FIRST + 2, "dB&V"}}});
    g.push_back(
        {"Frequency A&xis",
         {{ID_SPECTRUM_AXIS_FIRST, "&Linear"}, {ID_SPECTRUM_AXIS_FIRST + 1, "L&ogarithmic"}}});
    SpectrumMenuGroup ranges{"Level &Range", {}};
    for (int i = 0; i < Count(kRanges); ++i)
      ranges.items.push_back({ID_SPECTRUM_RANGE_FIRST + i, kRanges[i].text});
    g.push_back(ranges);
    SpectrumMenuGroup averages{"A&veraging", {}};
    for (int i = 0; i < Count(kAverages); ++i) {
      averages.items.push_back({ID_SPECTRUM_AVERAGE_FIRST + i, kAverages[i].text});
    }
    g.push_back(averages);
    SpectrumMenuGroup decays{"Peak &Decay", {}};
    for (int i = 0; i < Count(kDecays); ++i) {
      decays.items.push_back({ID_SPECTRUM_DECAY_FIRST + i,
                              i == 0
                                  ? std::string("&None")
                                  : std::to_string(static_cast<int>(kDecays[i])) + " dB a second"});
    }
    g.push_back(decays);
    g.push_back(
        {"",
         {{ID_SPECTRUM_FLAT_TOP, "Flat-&Top Window for Levels",
           "Read tone levels through the flat-top window"},
          {ID_SPECTRUM_PEAK_HOLD, "&Peak Hold", "Show the highest level each frequency reached"},
          {ID_SPECTRUM_MINIMUM_HOLD, "&Minimum Hold",
           "Show the lowest level each frequency reached"},
          {ID_SPECTRUM_RESET_HOLDS, "R&eset Averages and Holds",
           "Start the averages and the holds afresh"}}});
    return g;
  }();
  return groups;
}

bool ApplySpectrumMenuChoice(int id, SpectrumOptions& o) {
  if (id >= ID_SPECTRUM_SIZE_FIRST && id < ID_SPECTRUM_SIZE_FIRST + Count(kSizes)) {
    o.fftSize = kSizes[id - ID_SPECTRUM_SIZE_FIRST];
  } else if (id >= ID_SPECTRUM_SCALE_FIRST && id < ID_SPECTRUM_SCALE_FIRST + 3) {
    o.scale = id - ID_SPECTRUM_SCALE_FIRST;
  } else if (id >= ID_SPECTRUM_AXIS_FIRST && id < ID_SPECTRUM_AXIS_FIRST + 2) {
    o.logAxis = id == ID_SPECTRUM_AXIS_FIRST + 1;
  } else if (id >= ID_SPECTRUM_RANGE_FIRST && id < ID_SPECTRUM_RANGE_FIRST + Count(kRanges)) {
    o.dbBottom = kRanges[id - ID_SPECTRUM_RANGE_FIRST].bottom;
    o.dbTop = kRanges[id - ID_SPECTRUM_RANGE_FIRST].top;
  } else if (id >= ID_SPECTRUM_AVERAGE_FIRST && id < ID_SPECTRUM_AVERAGE_FIRST + Count(kAverages)) {
    const Average& a = kAverages[id - ID_SPECTRUM_AVERAGE_FIRST];
    o.average = a.mode;
    if (a.mode == 1) o.averageSeconds = a.seconds;
    if (a.mode == 2) o.averageCount = a.count;
  } else if (id >= ID_SPECTRUM_DECAY_FIRST && id < ID_SPECTRUM_DECAY_FIRST + Count(kDecays)) {
    o.peakDecayDbPerSecond = kDecays[id - ID_SPECTRUM_DECAY_FIRST];
  } else if (id == ID_SPECTRUM_FLAT_TOP) {
    o.flatTop = !o.flatTop;
  } else if (id == ID_SPECTRUM_PEAK_HOLD) {
    o.peakHold = !o.peakHold;
  } else if (id == ID_SPECTRUM_MINIMUM_HOLD) {
    o.minimumHold = !o.minimumHold;
  } else {
    return false;
  }
  return true;
}

bool SpectrumMenuChecked(int id, const SpectrumOptions& o) {
  if (id >= ID_SPECTRUM_SIZE_FIRST && id < ID_SPECTRUM_SIZE_FIRST + Count(kSizes))
    return o.fftSize == kSizes[id - ID_SPECTRUM_SIZE_FIRST];
  if (id >= ID_SPECTRUM_SCALE_FIRST && id < ID_SPECTRUM_SCALE_FIRST + 3)
    return o.scale == id - ID_SPECTRUM_SCALE_FIRST;
  if (id >= ID_SPECTRUM_AXIS_FIRST && id < ID_SPECTRUM_AXIS_FIRST + 2)
    return o.logAxis == (id == ID_SPECTRUM_AXIS_FIRST + 1);
  if (id >= ID_SPECTRUM_RANGE_FIRST && id < ID_SPECTRUM_RANGE_FIRST + Count(kRanges)) {
    return o.dbBottom == kRanges[id - ID_SPECTRUM_RANGE_FIRST].bottom &&
           o.dbTop == kRanges[id - ID_SPECTRUM_RANGE_FIRST].top;
  }
  if (id >= ID_SPECTRUM_AVERAGE_FIRST && id < ID_SPECTRUM_AVERAGE_FIRST + Count(kAverages)) {
    const Average& a = kAverages[id - ID_SPECTRUM_AVERAGE_FIRST];
    if (o.average != a.mode) return false;
    return a.mode == 0 || (a.mode == 1 ? o.averageSeconds == a.seconds : o.averageCount == a.count);
  }
  if (id >= ID_SPECTRUM_DECAY_FIRST && id < ID_SPECTRUM_DECAY_FIRST + Count(kDecays)) {
    return o.peakDecayDbPerSecond == kDecays[id - ID_SPECTRUM_DECAY_FIRST];
  }
  if (id == ID_SPECTRUM_FLAT_TOP) return o.flatTop;
  if (id == ID_SPECTRUM_PEAK_HOLD) return o.peakHold;
  if (id == ID_SPECTRUM_MINIMUM_HOLD) return o.minimumHold;
  return false;
}
