// The automatic measurements against signals whose figures are known in closed form.
#include "analysis/measurements.h"

#include <gtest/gtest.h>

#include <cmath>

#include "measurement_signals.h"

using signals::Make;
using signals::Tone;

namespace {

constexpr double kVolt = 32000;  // counts a volt, the default calibration

ChannelMeasurement Measure(const std::vector<double>& x, double rate, bool clipping = false) {
  MeasureSetup setup;
  setup.sampleRate = rate;
  setup.countsPerVolt = kVolt;
  setup.clipping = clipping;
  return MeasureChannel(x.data(), x.size(), setup);
}

std::size_t HalfSecond(double rate) { return static_cast<std::size_t>(rate / 2); }

double Mv(double counts) { return counts * 1000 / kVolt; }

}  // namespace

TEST(MeasurementAccuracy, FrequencyOfA16BitSineToTenPpmAtEveryRate) {
  const double rates[] = {11025, 22050, 44100, 48000, 96000};
  const double frequencies[] = {20, 61.7, 997, 1000, 4321.5, 15000, 20000};
  for (double rate : rates) {
    for (double f : frequencies) {
      if (f > rate / 2 - 100) continue;
      for (double dbfs : {-20.0, -6.0, 0.0}) {
        Tone t;
        t.rate = rate;
        t.frequency = f;
        t.amplitude = 32767 * std::pow(10, dbfs / 20);
        t.phase = 0.1 + f / 1000;
        t.quantise = true;
        const ChannelMeasurement m = Measure(Make(t, HalfSecond(rate)), rate);
        ASSERT_TRUE(m.Valid(Quantity::kFrequency)) << rate << " Hz, " << f << " Hz, " << dbfs;
        EXPECT_LE(std::fabs(m.Value(Quantity::kFrequency) / f - 1), 1e-5)
            << rate << " Hz, " << f << " Hz, " << dbfs << " dBFS";
        EXPECT_NEAR(m.Value(Quantity::kPeriod), 1000 / f, 1e-5 * 1000 / f);
        // The interpolated spectral peak is close, though not as close as the fit.
        EXPECT_LE(std::fabs(m.Value(Quantity::kPeakFrequency) / f - 1), 2e-3 + 2 / f)
            << rate << " Hz, " << f << " Hz";
      }
    }
  }
}

TEST(MeasurementAccuracy, LevelsOfASineWithOffsetWithinATenthOfAPercent) {
  for (double f : {20.0, 333.3, 1000.0, 7777.0}) {
    Tone t;
    t.rate = 44100;
    t.frequency = f;
    t.amplitude = 12000;
    t.offset = 1500;
    t.quantise = true;
    const ChannelMeasurement m = Measure(Make(t, HalfSecond(t.rate)), t.rate);
    const double acRms = t.amplitude / std::sqrt(2.0);
    const double rms = std::sqrt(acRms * acRms + t.offset * t.offset);
    EXPECT_NEAR(m.Value(Quantity::kRms), Mv(rms), Mv(rms) * 1e-3) << f;
    EXPECT_NEAR(m.Value(Quantity::kAcRms), Mv(acRms), Mv(acRms) * 1e-3) << f;
    EXPECT_NEAR(m.Value(Quantity::kVpp), Mv(2 * t.amplitude), Mv(2 * t.amplitude) * 1e-3) << f;
    EXPECT_NEAR(m.Value(Quantity::kVmax), Mv(t.offset + t.amplitude), Mv(t.amplitude) * 1e-3);
    EXPECT_NEAR(m.Value(Quantity::kVmin), Mv(t.offset - t.amplitude), Mv(t.amplitude) * 1e-3);
    EXPECT_NEAR(m.Value(Quantity::kMean), Mv(t.offset), Mv(t.amplitude) * 1e-4) << f;
    EXPECT_NEAR(m.Value(Quantity::kCrest), (t.offset + t.amplitude) / rms, 2e-3);
    EXPECT_NEAR(m.Value(Quantity::kDbfs), 20 * std::log10(rms * std::sqrt(2.0) / 32768), 0.01);
    for (std::size_t i = 0; i < kQuantityCount; ++i) {
      EXPECT_TRUE(m.valid[i]) << QuantityName(QuantityAt(i)) << " at " << f;
    }
  }
}

TEST(MeasurementAccuracy, PeakOfACommensurateSineIsFoundBetweenSamples) {
  // 48 samples a period repeat the same phases: the largest sample misses the crest by up to
  // 0.2 % unless the peak is interpolated.
  Tone t;
  t.rate = 48000;
  t.frequency = 1000;
  t.phase = 2 * signals::kPi / 96;
  ChannelMeasurement m = Measure(Make(t, HalfSecond(t.rate)), t.rate);
  EXPECT_NEAR(m.Value(Quantity::kVpp), Mv(2 * t.amplitude), Mv(2 * t.amplitude) * 1e-4);
  // Four samples a period, each 45 degrees off the crest: they show 71 % of it.
  t.frequency = 12000;
  t.phase = signals::kPi / 4;
  m = Measure(Make(t, HalfSecond(t.rate)), t.rate);
  EXPECT_NEAR(m.Value(Quantity::kVmax), Mv(t.amplitude), Mv(t.amplitude) * 1e-4);
  EXPECT_NEAR(m.Value(Quantity::kVmin), -Mv(t.amplitude), Mv(t.amplitude) * 1e-4);
  EXPECT_NEAR(m.Value(Quantity::kCrest), std::sqrt(2.0), 1e-4);
}

TEST(MeasurementAccuracy, FullScaleSineReadsZeroDbfsAndCrestRootTwo) {
  Tone t;
  t.amplitude = 32768;
  t.frequency = 1234.5;
  const ChannelMeasurement m = Measure(Make(t, HalfSecond(t.rate)), t.rate);
  EXPECT_NEAR(m.Value(Quantity::kDbfs), 0.0, 0.005);
  EXPECT_NEAR(m.Value(Quantity::kCrest), std::sqrt(2.0), 1e-3);
  EXPECT_NEAR(m.Value(Quantity::kDuty), 50, 0.2);
}

TEST(MeasurementAccuracy, ThdFromMinus20ToMinus90DbWithinHalfADb) {
  for (double rate : {44100.0, 96000.0}) {
    for (double thdDb : {-20.0, -40.0, -60.0, -80.0, -90.0}) {
      // Three harmonics sharing the distortion power 4:2:1.
      const double total = std::pow(10, thdDb / 20);
      const double unit = total / std::sqrt(16.0 + 4.0 + 1.0);
      Tone t;
      t.rate = rate;
      t.frequency = 1003;
      t.amplitude = 16000;
      t.harmonics = {4 * unit, 0, 2 * unit, 0, 0, 0, 0, 0, 1 * unit};  // 2nd, 4th, 10th
      const ChannelMeasurement m = Measure(Make(t, HalfSecond(rate)), rate);
      ASSERT_TRUE(m.Valid(Quantity::kThdDb));
      EXPECT_NEAR(m.Value(Quantity::kThdDb), thdDb, 0.5) << rate << " " << thdDb;
      EXPECT_NEAR(m.Value(Quantity::kThd), 100 * total, 100 * total * 0.06);
    }
  }
}

TEST(MeasurementAccuracy, HarmonicsAtOrAboveHalfTheRateAreLeftOut) {
  // At 11025 Hz the 3rd harmonic of 2 kHz lies above half the rate: only the 2nd counts.
  Tone t;
  t.rate = 11025;
  t.frequency = 2000;
  t.harmonics = {0.01};
  const ChannelMeasurement m = Measure(Make(t, HalfSecond(t.rate)), t.rate);
  EXPECT_NEAR(m.Value(Quantity::kThdDb), -40, 0.5);
  EXPECT_NEAR(m.Value(Quantity::kThd), 1.0, 0.05);
}

TEST(MeasurementAccuracy, SnrAndSinadFrom20To90DbWithinHalfADb) {
  for (double rate : {11025.0, 48000.0, 96000.0}) {
    for (double snrDb : {20.0, 40.0, 60.0, 75.0, 90.0}) {
      Tone t;
      t.rate = rate;
      t.frequency = 997;
      t.amplitude = 20000;
      const double signal = t.amplitude * t.amplitude / 2;
      // Noise of the power the SNR asks for inside the band, white over the whole spectrum.
      const double bandNoise = signal / std::pow(10, snrDb / 10);
      t.noiseRms = std::sqrt(bandNoise / signals::NoiseBandShare(rate));
      t.seed = static_cast<unsigned>(snrDb + rate);
      const ChannelMeasurement m = Measure(Make(t, HalfSecond(rate)), rate);
      ASSERT_TRUE(m.Valid(Quantity::kSnr)) << rate << " " << snrDb;
      EXPECT_NEAR(m.Value(Quantity::kSnr), snrDb, 0.5) << rate << " " << snrDb;
      const double sinad = 10 * std::log10((signal + bandNoise) / bandNoise);
      EXPECT_NEAR(m.Value(Quantity::kSinad), sinad, 0.5) << rate << " " << snrDb;
      EXPECT_NEAR(m.Value(Quantity::kThdNDb), -snrDb, 0.5);
      EXPECT_NEAR(m.Value(Quantity::kEnob), (m.Value(Quantity::kSinad) - 1.76) / 6.02, 1e-9);
    }
  }
}

TEST(MeasurementAccuracy, SinadCountsHarmonicsAndNoiseWhileSnrLeavesTheHarmonicsOut) {
  Tone t;
  t.rate = 48000;
  t.frequency = 1000.7;
  t.amplitude = 20000;
  const double signal = t.amplitude * t.amplitude / 2;
  t.harmonics = {std::pow(10, -50.0 / 20)};  // -50 dB second harmonic
  const double distortion = signal * std::pow(10, -50.0 / 10);
  const double noise = signal * std::pow(10, -60.0 / 10);  // 60 dB SNR in the band
  t.noiseRms = std::sqrt(noise / signals::NoiseBandShare(t.rate));
  const ChannelMeasurement m = Measure(Make(t, HalfSecond(t.rate)), t.rate);
  EXPECT_NEAR(m.Value(Quantity::kSnr), 60, 0.5);
  EXPECT_NEAR(m.Value(Quantity::kThdDb), -50, 0.5);
  const double nd = noise + distortion;
  EXPECT_NEAR(m.Value(Quantity::kThdNDb), 10 * std::log10(nd / signal), 0.5);
  EXPECT_NEAR(m.Value(Quantity::kThdN), 100 * std::sqrt(nd / signal),
              100 * std::sqrt(nd / signal) * 0.06);
  EXPECT_NEAR(m.Value(Quantity::kSinad), 10 * std::log10((signal + nd) / nd), 0.5);
}

TEST(MeasurementShape, DutyRiseAndFallOfASquareWaveAndASine) {
  // A 25 % pulse train, 400.9 Hz at 44100 Hz (not a whole number of samples a period), with
  // straight 20-sample edges.
  const double rate = 44100;
  std::vector<double> x(HalfSecond(rate));
  const double period = 441.0 / 4;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double phase = std::fmod(static_cast<double>(i), period);
    const double up = std::clamp(phase / 20, 0.0, 1.0);
    const double down = std::clamp((phase - 0.25 * period) / 20, 0.0, 1.0);
    x[i] = -8000 + 16000 * (up - down);
  }
  const ChannelMeasurement m = Measure(x, rate);
  ASSERT_TRUE(m.Valid(Quantity::kDuty));
  EXPECT_NEAR(m.Value(Quantity::kDuty), 25, 0.2);
  // 10 % to 90 % of a 20-sample ramp: 16 samples, give or take where the samples fall.
  EXPECT_NEAR(m.Value(Quantity::kRise), 16 * 1000 / rate, 0.3 * 1000 / rate);
  EXPECT_NEAR(m.Value(Quantity::kFall), 16 * 1000 / rate, 0.3 * 1000 / rate);
  EXPECT_NEAR(m.Value(Quantity::kFrequency), rate / period, rate / period * 1e-5);

  Tone t;
  t.rate = 96000;
  t.frequency = 1000;
  const ChannelMeasurement s = Measure(Make(t, HalfSecond(t.rate)), t.rate);
  const double sineRise = 2 * std::asin(0.8) / (2 * signals::kPi * t.frequency) * 1000;
  EXPECT_NEAR(s.Value(Quantity::kRise), sineRise, sineRise * 0.01);
  EXPECT_NEAR(s.Value(Quantity::kFall), sineRise, sineRise * 0.01);
  EXPECT_NEAR(s.Value(Quantity::kDuty), 50, 0.2);
}

TEST(MeasurementValidity, ClippingInvalidatesEveryValue) {
  Tone t;
  const ChannelMeasurement m = Measure(Make(t, HalfSecond(t.rate)), t.rate, true);
  EXPECT_TRUE(m.flags.clipping);
  for (std::size_t i = 0; i < kQuantityCount; ++i) EXPECT_FALSE(m.valid[i]) << i;
}

TEST(MeasurementValidity, NoiseAloneHasLevelsButNoTone) {
  Tone t;
  t.amplitude = 0;
  t.noiseRms = 3000;
  const ChannelMeasurement m = Measure(Make(t, HalfSecond(t.rate)), t.rate);
  EXPECT_TRUE(m.flags.noTone);
  for (std::size_t i = 0; i < kQuantityCount; ++i) {
    EXPECT_EQ(m.valid[i], IsLevelQuantity(QuantityAt(i))) << QuantityName(QuantityAt(i));
  }
  EXPECT_NEAR(m.Value(Quantity::kAcRms), Mv(3000), Mv(3000) * 0.03);
}

TEST(MeasurementValidity, LessThanTwoPeriodsIsNotAFrequency) {
  Tone t;
  t.rate = 11025;
  t.frequency = 3;  // 1.5 periods in half a second
  const ChannelMeasurement m = Measure(Make(t, HalfSecond(t.rate)), t.rate);
  EXPECT_TRUE(m.flags.fewPeriods || m.flags.noTone);
  EXPECT_FALSE(m.Valid(Quantity::kFrequency));
  EXPECT_FALSE(m.Valid(Quantity::kThdDb));
  EXPECT_TRUE(m.Valid(Quantity::kVpp));
  // Five periods are enough.
  t.frequency = 10;
  EXPECT_TRUE(Measure(Make(t, HalfSecond(t.rate)), t.rate).Valid(Quantity::kFrequency));
}

TEST(MeasurementValidity, SilenceAndTooFewSamples) {
  std::vector<double> silence(22050, 0.0);
  const ChannelMeasurement m = Measure(silence, 44100);
  EXPECT_TRUE(m.flags.noTone);
  EXPECT_TRUE(m.Valid(Quantity::kRms));
  EXPECT_EQ(m.Value(Quantity::kRms), 0);
  // A level of nothing is the floor of every ratio; nothing has no crest factor.
  EXPECT_TRUE(m.Valid(Quantity::kDbfs));
  EXPECT_EQ(m.Value(Quantity::kDbfs), -300);
  EXPECT_FALSE(m.Valid(Quantity::kCrest));
  const ChannelMeasurement none = Measure(std::vector<double>(3, 1.0), 44100);
  EXPECT_TRUE(none.flags.noSamples);
  for (std::size_t i = 0; i < kQuantityCount; ++i) EXPECT_FALSE(none.valid[i]);
}

TEST(MeasurementValidity, FullScaleSamplesAreFoundOnTheirOwnChannel) {
  std::vector<double> left(100, 1000.0), right(100, -2000.0);
  right[57] = -32768;
  const std::vector<unsigned char> pcm = signals::Pcm16(left, &right);
  EXPECT_FALSE(HasFullScaleSample(pcm.data(), 100, 2, 16, 0));
  EXPECT_TRUE(HasFullScaleSample(pcm.data(), 100, 2, 16, 1));
  EXPECT_FALSE(HasFullScaleSample(pcm.data(), 57, 2, 16, 1)) << "only the frames given";
  const unsigned char eight[] = {128, 1, 254, 255};
  EXPECT_FALSE(HasFullScaleSample(eight, 3, 1, 8, 0));
  EXPECT_TRUE(HasFullScaleSample(eight, 4, 1, 8, 0));
  EXPECT_TRUE(HasFullScaleSample(eight, 2, 2, 8, 1));
}

TEST(MeasurementNames, EveryQuantityHasItsFileNameAndUnit) {
  const char* const names[] = {
      "frequency", "period", "vpp",   "vmax",     "vmin",  "mean", "rms",
      "ac_rms",    "dbfs",   "crest", "duty",     "rise",  "fall", "peak_frequency",
      "thd",       "thd_db", "thd_n", "thd_n_db", "sinad", "snr",  "enob"};
  const char* const units[] = {"Hz", "ms", "mV", "mV", "mV", "mV", "mV", "mV", "dBFS", "",    "%",
                               "ms", "ms", "Hz", "%",  "dB", "%",  "dB", "dB", "dB",   "bits"};
  for (std::size_t i = 0; i < kQuantityCount; ++i) {
    EXPECT_EQ(QuantityName(QuantityAt(i)), names[i]);
    EXPECT_EQ(QuantityUnit(QuantityAt(i)), units[i]);
    Quantity q;
    ASSERT_TRUE(QuantityFromName(names[i], q));
    EXPECT_EQ(q, QuantityAt(i));
  }
  Quantity q;
  EXPECT_FALSE(QuantityFromName("THD", q));
}

namespace {

// 10 log10 of the harmonics 2..10 of a pulse of this duty over its fundamental.
double PulseThdDb(double duty) {
  double d = 0;
  for (int k = 2; k <= 10; ++k) d += std::pow(signals::PulseHarmonic(k, duty), 2);
  return 10 * std::log10(d / std::pow(signals::PulseHarmonic(1, duty), 2));
}

// The power of rounding to whole counts plus white noise of noiseRms, inside the band.
double BandNoise(double rate, double noiseRms) {
  return (noiseRms * noiseRms + 1.0 / 12) * signals::NoiseBandShare(rate);
}

}  // namespace

TEST(MeasurementShape, PulseTrainsAreMeasuredOnTheirFundamental) {
  // Pulse trains whose second (or a higher) harmonic rivals the fundamental in a windowed
  // spectrum: 90 % has H2 1.3 dB under H1, 5 % and 3 % have H2..H5 within 1 dB of it.
  struct Case {
    double rate, duty;
  };
  const Case cases[] = {{44100, 0.90}, {48000, 0.90}, {44100, 0.05},
                        {48000, 0.05}, {44100, 0.03}, {48000, 0.03}};
  for (const Case& c : cases) {
    const double f = 300;
    const ChannelMeasurement m = Measure(signals::Pulse(c.rate, f, c.duty, 12000, 24000), c.rate);
    const std::string what = std::to_string(c.rate) + " Hz, duty " + std::to_string(c.duty);
    ASSERT_TRUE(m.Valid(Quantity::kFrequency)) << what;
    // Harmonics beyond the fit's tenth pull the frequency by a few parts in a million.
    EXPECT_NEAR(m.Value(Quantity::kFrequency), f, f * 5e-6) << what;
    EXPECT_NEAR(m.Value(Quantity::kPeriod), 1000 / f, 1000 / f * 5e-6) << what;
    EXPECT_NEAR(m.Value(Quantity::kPeakFrequency), f, f * 2e-3) << what;
    EXPECT_NEAR(m.Value(Quantity::kThdDb), PulseThdDb(c.duty), 0.01) << what;
    // The band-limited edges ring, and the ringing moves the 50 % level a little.
    EXPECT_NEAR(m.Value(Quantity::kDuty), 100 * c.duty, 0.6) << what;
  }
}

TEST(MeasurementShape, ExtremesOfWavesWithMoreHarmonicsThanTheFitAreTheSamples) {
  // Waves whose samples reach their true extremes; the harmonic fit's ringing at their edges
  // must not read as a higher crest.
  struct Case {
    const char* name;
    std::vector<double> x;
    double rate, high, meanSquare;
  };
  const double rampShare = 0.05;
  const double clip = 16000;  // a 32000-count sine clipped at half its amplitude
  const double a = 32000;
  const double theta = std::asin(clip / a);
  const double clippedMeanSquare =
      2 / signals::kPi *
      (a * a * (theta / 2 - std::sin(2 * theta) / 4) + (signals::kPi / 2 - theta) * clip * clip);
  std::vector<double> clipped(24000);
  for (std::size_t i = 0; i < clipped.size(); ++i) {
    clipped[i] = std::clamp(a * std::sin(2 * signals::kPi * 997 * i / 48000.0), -clip, clip);
  }
  const Case cases[] = {
      {"trapezoid 200 Hz", signals::Trapezoid(44100, 200, rampShare, 16384, 22050), 44100, 16384,
       16384.0 * 16384 * (1 - 4 * rampShare / 3)},
      {"trapezoid 1 kHz", signals::Trapezoid(48000, 1000, 0.1, 12000, 24000), 48000, 12000,
       12000.0 * 12000 * (1 - 4 * 0.1 / 3)},
      {"sine clipped at half", clipped, 48000, clip, clippedMeanSquare},
  };
  for (const Case& c : cases) {
    const ChannelMeasurement m = Measure(c.x, c.rate);
    const double rms = std::sqrt(c.meanSquare);
    EXPECT_NEAR(m.Value(Quantity::kVmax), Mv(c.high), Mv(c.high) * 1e-3) << c.name;
    EXPECT_NEAR(m.Value(Quantity::kVmin), -Mv(c.high), Mv(c.high) * 1e-3) << c.name;
    EXPECT_NEAR(m.Value(Quantity::kVpp), Mv(2 * c.high), Mv(2 * c.high) * 1e-3) << c.name;
    EXPECT_NEAR(m.Value(Quantity::kRms), Mv(rms), Mv(rms) * 1e-3) << c.name;
    EXPECT_NEAR(m.Value(Quantity::kCrest), c.high / rms, c.high / rms * 2e-3) << c.name;
  }
}

TEST(MeasurementAccuracy, NoiseFiguresCountOnlyTheBand) {
  // A -6 dBFS tone with 2 counts of white noise, rounded to counts, and one -40 dBc spur or
  // aliased harmonic outside 20 Hz..20 kHz: the noise is that of the band alone.
  struct Case {
    const char* name;
    double rate, frequency, spur;  // spur in Hz, 0 for none
    std::vector<double> harmonics;
  };
  const Case cases[] = {
      {"no spur", 48000, 1000, 0, {}},
      {"spur at 10 Hz", 48000, 1000, 10, {}},
      {"spur at 20.1 kHz", 48000, 1000, 20100, {}},
      {"spur at 23 kHz", 48000, 1000, 23000, {}},
      {"spur at 10 Hz, 44.1 kHz", 44100, 1000, 10, {}},
      // 24 kHz sampled at 44.1 kHz shows at 20.1 kHz.
      {"12 kHz, its 2nd harmonic aliased", 44100, 12000, 0, {0.01}},
  };
  for (const Case& c : cases) {
    Tone t;
    t.rate = c.rate;
    t.frequency = c.frequency;
    t.amplitude = 16384;
    t.harmonics = c.harmonics;
    t.noiseRms = 2;
    t.seed = 7;
    std::vector<double> x = Make(t, HalfSecond(c.rate));
    for (std::size_t i = 0; i < x.size() && c.spur > 0; ++i) {
      x[i] = std::round(x[i] + 164 * std::sin(2 * signals::kPi * c.spur * i / c.rate + 0.4));
    }
    for (double& v : x) v = std::round(v);
    const ChannelMeasurement m = Measure(x, c.rate);
    const double signal = t.amplitude * t.amplitude / 2;
    const double noise = BandNoise(c.rate, t.noiseRms);
    ASSERT_TRUE(m.Valid(Quantity::kSnr)) << c.name;
    EXPECT_NEAR(m.Value(Quantity::kSnr), 10 * std::log10(signal / noise), 0.3) << c.name;
    EXPECT_NEAR(m.Value(Quantity::kThdNDb), 10 * std::log10(noise / signal), 0.3) << c.name;
    EXPECT_NEAR(m.Value(Quantity::kSinad), 10 * std::log10((signal + noise) / noise), 0.3)
        << c.name;
  }
}

TEST(MeasurementAccuracy, StrongHarmonicsDoNotPassForNoise) {
  // 440 Hz at -10 dBFS with a -30 dBc second harmonic at several phases, rounded to counts:
  // the only noise is the rounding's, and the harmonic is exactly -30 dB.
  for (double rate : {44100.0, 48000.0}) {
    for (double phase : {0.0, 0.5, 2.5, 3.0}) {
      const double a = 32768 * std::pow(10, -10 / 20.0);
      const double h2 = a * std::pow(10, -30 / 20.0);
      std::vector<double> x(HalfSecond(rate));
      for (std::size_t i = 0; i < x.size(); ++i) {
        const double w = 2 * signals::kPi * 440 * static_cast<double>(i) / rate;
        x[i] = std::round(a * std::sin(w) + h2 * std::sin(2 * w + phase));
      }
      const ChannelMeasurement m = Measure(x, rate);
      const double signal = a * a / 2;
      EXPECT_NEAR(m.Value(Quantity::kSnr), 10 * std::log10(signal / BandNoise(rate, 0)), 0.5)
          << rate << " Hz, phase " << phase;
      EXPECT_NEAR(m.Value(Quantity::kThdDb), -30, 0.01) << rate << " Hz, phase " << phase;
      EXPECT_NEAR(m.Value(Quantity::kFrequency), 440, 440 * 1e-8) << rate << " Hz, phase " << phase;
    }
  }
}

TEST(MeasurementShape, DutyCountsOnlyCyclesThatReachBothLevels) {
  // Two equal tones, 1000 and 3100 Hz, odd about t = 0, so time above and below the middle
  // level balance. Swings that turn back before the 90 % (or 10 %) level are no cycles: their
  // time above the middle counts in the period that holds them.
  const double rate = 48000;
  std::vector<double> x(HalfSecond(rate));
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    x[i] = 8000 * (std::sin(2 * signals::kPi * 1000 * t) + std::sin(2 * signals::kPi * 3100 * t));
  }
  const ChannelMeasurement m = Measure(x, rate);
  ASSERT_TRUE(m.Valid(Quantity::kDuty));
  EXPECT_NEAR(m.Value(Quantity::kDuty), 50, 0.3);
}

TEST(MeasurementValidity, AConstantIsNoToneAndSilenceReadsTheFloor) {
  for (double level : {1000.0, -3.0, 0.25, 20000.0}) {
    const ChannelMeasurement m = Measure(std::vector<double>(24000, level), 48000);
    EXPECT_TRUE(m.flags.noTone) << level;
    for (std::size_t i = 0; i < kQuantityCount; ++i) {
      EXPECT_EQ(m.valid[i], IsLevelQuantity(QuantityAt(i)))
          << QuantityName(QuantityAt(i)) << " of " << level;
    }
    EXPECT_NEAR(m.Value(Quantity::kCrest), 1, 1e-12) << level;
    EXPECT_NEAR(m.Value(Quantity::kVpp), 0, 1e-12) << level;
    EXPECT_NEAR(m.Value(Quantity::kDbfs),
                20 * std::log10(std::fabs(level) * std::sqrt(2.0) / 32768), 1e-9);
  }
}
