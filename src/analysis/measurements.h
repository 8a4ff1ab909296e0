#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// The automatic measurements of one channel, from every sample of a stretch of signal.
enum class Quantity {
  kFrequency,
  kPeriod,
  kVpp,
  kVmax,
  kVmin,
  kMean,
  kRms,
  kAcRms,
  kDbfs,
  kCrest,
  kDuty,
  kRise,
  kFall,
  kPeakFrequency,
  kThd,
  kThdDb,
  kThdN,
  kThdNDb,
  kSinad,
  kSnr,
  kEnob,
};
constexpr std::size_t kQuantityCount = 21;

// The name of a quantity in files and on the command line ("thd_db"), and its unit ("dB"; empty
// for the crest factor, which has none).
std::string_view QuantityName(Quantity q);
std::string_view QuantityUnit(Quantity q);
// The quantity named name; false when there is none.
bool QuantityFromName(std::string_view name, Quantity& q);
constexpr Quantity QuantityAt(std::size_t i) { return static_cast<Quantity>(i); }

// Why a channel's values are not to be trusted; each flag invalidates the quantities its
// comment names.
struct MeasurementFlags {
  bool clipping = false;    // a sample at full scale: every quantity
  bool fewPeriods = false;  // less than two periods of the tone: all but the plain levels
  bool noTone = false;      // no spectral line stands out: all but the plain levels
  bool noSamples = false;   // nothing to measure: every quantity
};

struct ChannelMeasurement {
  std::array<double, kQuantityCount> value{};
  std::array<bool, kQuantityCount> valid{};
  MeasurementFlags flags;

  double Value(Quantity q) const { return value[static_cast<std::size_t>(q)]; }
  bool Valid(Quantity q) const { return valid[static_cast<std::size_t>(q)]; }
};

struct MeasureSetup {
  double sampleRate = 44100;
  double fullScale = 32768;      // counts of a full-scale peak: 32768 (16 bit) or 128 (8 bit)
  double countsPerVolt = 32000;  // the volts calibration
  bool clipping = false;         // the raw input reached full scale (see HasFullScaleSample)
};

// Measures samples[0..count) (counts, after any filter) taken at setup.sampleRate. Levels come
// in mV through the calibration; the frequency from a least-squares sine fit refined from the
// interpolated peak of a Hann-windowed spectrum; the distortion figures from a joint fit of the
// fundamental and its harmonics 2..10 below half the rate, the noise from what the fit leaves,
// between 20 Hz and 20 kHz (or half the rate).
ChannelMeasurement MeasureChannel(const double* samples, std::size_t count,
                                  const MeasureSetup& setup);

// True when channel (0 left, 1 right) of count interleaved PCM frames holds a sample at either
// end of the sample range: 0 or 255 for 8-bit unsigned, -32768 or 32767 for 16-bit signed
// little-endian samples.
bool HasFullScaleSample(const unsigned char* frames, std::size_t count, int channels, int bits,
                        int channel);

// Quantities whose value does not depend on finding a tone: the plain levels.
bool IsLevelQuantity(Quantity q);
