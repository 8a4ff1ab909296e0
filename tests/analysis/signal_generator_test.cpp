#include "analysis/signal_generator.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "analysis/log_sweep.h"
#include "analysis/phase_accumulator.h"
#include "analysis/pink_noise_filter.h"
#include "analysis/tpdf_dither.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Magnitudes of FFTW's real transform, scaled so that a sine of amplitude A reads A.
std::vector<double> Amplitudes(const std::vector<double>& x) {
  const int n = static_cast<int>(x.size());
  std::vector<double> in(x);
  fftw_complex* out = fftw_alloc_complex(n / 2 + 1);
  fftw_plan plan = fftw_plan_dft_r2c_1d(n, in.data(), out, FFTW_ESTIMATE);
  fftw_execute(plan);
  std::vector<double> a(n / 2 + 1);
  for (int k = 0; k <= n / 2; ++k)
    a[k] = std::hypot(out[k][0], out[k][1]) * (k == 0 ? 1.0 : 2.0) / n;
  fftw_destroy_plan(plan);
  fftw_free(out);
  return a;
}

GeneratorSetup Steady(const ChannelSetup& ch) {
  GeneratorSetup s;
  s.channels = {ch, ch};
  s.output = true;
  s.fadeSeconds = 0.0;
  return s;
}

// The left channel of `frames` frames rendered from a fresh generator.
std::vector<double> RenderLeft(const GeneratorSetup& setup, uint32_t rate, size_t frames) {
  SignalGenerator gen(rate);
  gen.Publish(setup);
  std::vector<double> stereo(2 * frames), left(frames);
  gen.Render(stereo.data(), frames);
  for (size_t i = 0; i < frames; ++i) left[i] = stereo[2 * i];
  return left;
}

// The ideal shapes' Fourier amplitudes (harmonic k >= 1) and averages, from the textbook series.
double IdealHarmonic(Waveform w, int k, double duty) {
  const bool odd = k % 2 == 1;
  switch (w) {
    case Waveform::Sine:
      return k == 1 ? 1.0 : 0.0;
    case Waveform::Square:
      return odd ? 4.0 / (kPi * k) : 0.0;
    case Waveform::Triangle:
      return odd ? 8.0 / (kPi * kPi * k * k) : 0.0;
    case Waveform::Sawtooth:
      return 2.0 / (kPi * k);
    case Waveform::Pulse:
      return 4.0 / (kPi * k) * std::fabs(std::sin(kPi * k * duty));
    default:
      return 0.0;
  }
}

// One second at 48 kHz of a 997 Hz shape: every harmonic sits on a whole bin, and anything
// folded back from above 24 kHz would land between them. The bins that are no harmonic must
// stay below a 16-bit output's noise floor in one bin of this transform (about -140 dBFS).
TEST(SignalGeneratorTest, ShapesMatchTheirSeriesAndFoldNothingBack) {
  struct Case {
    Waveform waveform;
    double duty;
  } cases[] = {{Waveform::Sine, 0.5},     {Waveform::Square, 0.5}, {Waveform::Triangle, 0.5},
               {Waveform::Sawtooth, 0.5}, {Waveform::Pulse, 0.1},  {Waveform::Pulse, 0.25},
               {Waveform::Pulse, 0.8}};
  const uint32_t rate = 48000;
  const int f = 997;
  const double level = 0.5;
  for (const Case& c : cases) {
    ChannelSetup ch;
    ch.waveform = c.waveform;
    ch.frequency = f;
    ch.level = level;
    ch.dutyPercent = c.duty * 100.0;
    const std::vector<double> x = RenderLeft(Steady(ch), rate, rate);
    const std::vector<double> a = Amplitudes(x);
    const double mean = c.waveform == Waveform::Pulse ? level * (2 * c.duty - 1) : 0.0;
    EXPECT_NEAR(a[0], std::fabs(mean), 1e-9) << static_cast<int>(c.waveform);
    double worstStray = 0.0;
    for (int bin = 1; bin < static_cast<int>(a.size()); ++bin) {
      if (bin % f != 0) {
        worstStray = std::max(worstStray, a[bin]);
        continue;
      }
      const int k = bin / f;
      const double ideal = level * IdealHarmonic(c.waveform, k, c.duty);
      if (bin < 0.9 * rate / 2) {
        ASSERT_NEAR(a[bin], ideal, 1e-9) << "shape " << static_cast<int>(c.waveform) << " k " << k;
      } else {
        ASSERT_LE(a[bin], ideal + 1e-9) << "k " << k;
      }
    }
    EXPECT_LT(worstStray, 1e-8) << "shape " << static_cast<int>(c.waveform) << " duty " << c.duty;
  }
}

TEST(SignalGeneratorTest, PulseSpendsItsDutyAboveZero) {
  for (double duty : {5.0, 30.0, 50.0, 90.0}) {
    ChannelSetup ch;
    ch.waveform = Waveform::Pulse;
    ch.frequency = 100.0;  // 480 samples a period
    ch.dutyPercent = duty;
    ch.level = 0.8;
    const std::vector<double> x = RenderLeft(Steady(ch), 48000, 48000);
    const double above = std::count_if(x.begin(), x.end(), [](double v) { return v > 0; });
    EXPECT_NEAR(above / x.size(), duty / 100.0, 2.0 / 480) << duty;
    const double top = *std::max_element(x.begin(), x.end());
    EXPECT_GT(top, 0.8 * 1.05) << duty;  // the flat top and its Gibbs overshoot
    EXPECT_LT(top, 0.8 * 1.2) << duty;
  }
}

// The tone input's triangle keeps its sharp corners: exactly 4x - 1 up and 3 - 4x down.
TEST(SignalGeneratorTest, ExactTriangleIsThePiecewiseLine) {
  ChannelSetup ch;
  ch.waveform = Waveform::Triangle;
  ch.frequency = 100.0;
  ch.level = 1.0;
  GeneratorSetup s = Steady(ch);
  s.exactTriangle = true;
  const std::vector<double> x = RenderLeft(s, 8000, 800);
  for (size_t n = 0; n < x.size(); ++n) {
    const double p = std::fmod(100.0 * n / 8000.0, 1.0);
    ASSERT_NEAR(x[n], p < 0.5 ? 4 * p - 1 : 3 - 4 * p, 1e-12) << n;
  }
}

TEST(SignalGeneratorTest, LevelOffsetAndPhaseBetweenChannels) {
  GeneratorSetup s = Steady(ChannelSetup{});
  s.channels[0].frequency = s.channels[1].frequency = 1234.567;
  s.channels[0].level = 0.25;
  s.channels[1].level = 0.75;
  s.channels[1].phaseDegrees = 90.0;
  s.channels[1].dcOffset = -0.125;
  SignalGenerator gen(44100);
  gen.Publish(s);
  std::vector<double> out(2 * 4410);
  gen.Render(out.data(), 4410);
  for (size_t n = 0; n < 4410; ++n) {
    const double a = 2 * kPi * 1234.567 * n / 44100.0;
    ASSERT_NEAR(out[2 * n], 0.25 * std::sin(a), 1e-12) << n;
    ASSERT_NEAR(out[2 * n + 1], 0.75 * std::cos(a) - 0.125, 1e-12) << n;
  }
}

TEST(SignalGeneratorTest, MultitoneIsItsSinesAtEqualShares) {
  ChannelSetup ch;
  ch.waveform = Waveform::Multitone;
  ch.level = 0.9;
  ch.toneCount = ChannelSetup::kMaxTones;
  for (int t = 0; t < ch.toneCount; ++t) ch.toneHz[t] = 10.0 * (t + 1) * (t + 2) + 0.001 * t;
  const std::vector<double> x = RenderLeft(Steady(ch), 48000, 9600);
  for (size_t n = 0; n < x.size(); n += 7) {
    long double sum = 0;
    for (int t = 0; t < ch.toneCount; ++t)
      sum += std::sin(2 * 3.14159265358979323846L * ch.toneHz[t] * n / 48000.0L);
    ASSERT_NEAR(x[n], 0.9 * static_cast<double>(sum) / ch.toneCount, 1e-11) << n;
  }
}

// Each tone takes its share of the channel's level by its level against the others.
TEST(SignalGeneratorTest, MultitoneTonesTakeTheirLevels) {
  struct Case {
    std::vector<std::pair<double, double>> tones;  // hertz, dB against the others
  } cases[] = {
      {{{1000, 0}, {3000, -6}}},
      {{{50, -20}, {440, 0}, {12345.678, -3}}},
      {{{997, -12}}},  // one tone alone is the channel's level, whatever its own
  };
  for (const Case& c : cases) {
    ChannelSetup ch;
    ch.waveform = Waveform::Multitone;
    ch.level = 0.8;
    ch.toneCount = static_cast<int>(c.tones.size());
    double sum = 0;
    for (size_t t = 0; t < c.tones.size(); ++t) {
      ch.toneHz[t] = c.tones[t].first;
      ch.toneDb[t] = c.tones[t].second;
      sum += std::pow(10.0, c.tones[t].second / 20);
    }
    const std::vector<double> x = RenderLeft(Steady(ch), 48000, 4800);
    for (size_t n = 0; n < x.size(); n += 5) {
      long double want = 0;
      for (size_t t = 0; t < c.tones.size(); ++t) {
        want += std::pow(10.0, c.tones[t].second / 20) / sum *
                std::sin(2 * 3.14159265358979323846L * c.tones[t].first * n / 48000.0L);
      }
      ASSERT_NEAR(x[n], 0.8 * static_cast<double>(want), 1e-11) << n;
    }
  }
}

// Rendering in blocks of any size gives the same samples.
TEST(SignalGeneratorTest, BlockSizeDoesNotChangeTheSignal) {
  GeneratorSetup s = Steady(ChannelSetup{});
  s.channels[0].waveform = Waveform::Square;
  s.channels[1].waveform = Waveform::PinkNoise;
  const size_t frames = 5000;
  std::vector<double> whole(2 * frames), pieces(2 * frames);
  SignalGenerator a(48000), b(48000);
  a.Publish(s);
  b.Publish(s);
  a.Render(whole.data(), frames);
  size_t done = 0;
  for (size_t block : {1, 7, 31, 33, 64, 1000, 3864}) {
    b.Render(pieces.data() + 2 * done, block);
    done += block;
  }
  ASSERT_EQ(done, frames);
  EXPECT_EQ(whole, pieces);
}

// After 10^9 samples the exact phase is where the closed form says, to the rounding of the
// oracle; stepping and jumping agree to the last unit.
TEST(PhaseAccumulatorTest, KeepsItsPhaseOverLongRuns) {
  struct Case {
    uint32_t rate;
    long double hertz;
    uint64_t frames;
  } cases[] = {{48000, 997.123456L, 1'000'000'000ULL},
               {44100, 1000.0L, 1'000'000'000ULL},
               {96000, 0.001L, 3'000'000'000ULL},
               {192000, 95999.999999L, 1'000'000'007ULL}};
  for (const Case& c : cases) {
    PhaseAccumulator p(c.rate);
    p.SetFrequency(static_cast<double>(c.hertz));
    p.AdvanceBy(c.frames);
    const long double cycles = c.hertz * c.frames / c.rate;
    const long double expected = cycles - std::floor(cycles);
    EXPECT_NEAR(p.Cycles(), static_cast<double>(expected), 2e-7) << c.hertz;

    PhaseAccumulator stepped(c.rate), jumped(c.rate);
    stepped.SetFrequency(static_cast<double>(c.hertz));
    jumped.SetFrequency(static_cast<double>(c.hertz));
    for (int i = 0; i < 1'000'003; ++i) stepped.Advance();
    jumped.AdvanceBy(1'000'003);
    EXPECT_EQ(stepped.Units(), jumped.Units()) << c.hertz;
  }
}

// A sine rendered for over a minute at 96 kHz is still the closed form at its last samples.
TEST(SignalGeneratorTest, SineKeepsItsFrequencyOverALongRun) {
  ChannelSetup ch;
  ch.frequency = 1000.001;
  ch.level = 1.0;
  SignalGenerator gen(96000);
  gen.Publish(Steady(ch));
  const size_t block = 4096, blocks = 1600;  // 6.5 million frames
  std::vector<double> out(2 * block);
  for (size_t b = 0; b < blocks; ++b) gen.Render(out.data(), block);
  for (size_t i = 0; i < block; ++i) {
    const long double n = static_cast<long double>(blocks - 1) * block + i;
    const long double c = 1000.001L * n / 96000.0L;
    ASSERT_NEAR(out[2 * i], std::sin(2 * kPi * static_cast<double>(c - std::floor(c))), 1e-9) << i;
  }
}

// Third-octave band powers of the filter's own impulse response: equal in every band from 20 Hz
// to 20 kHz (3 dB less per octave per hertz), within 0.5 dB; the 20 kHz band only where it
// lies below half the rate.
TEST(PinkNoiseTest, ThirdOctaveBandsAreFlatWithinHalfADecibel) {
  for (uint32_t rate : {44100u, 48000u, 96000u}) {
    PinkNoiseFilter pink(rate);
    const int n = 1 << 20;
    std::vector<double> h(n);
    for (int i = 0; i < n; ++i) h[i] = pink.Process(i == 0 ? 1.0 : 0.0);
    const std::vector<double> a = Amplitudes(h);
    std::vector<double> bands;
    for (int b = 13; b <= 43; ++b) {  // 20 Hz .. 20 kHz centres
      const double centre = std::pow(10.0, b / 10.0);
      const double lo = centre * std::pow(2.0, -1.0 / 6), hi = centre * std::pow(2.0, 1.0 / 6);
      if (hi >= 0.5 * rate) break;  // at 44.1 kHz the 20 kHz band reaches past the signal
      double power = 0;
      for (int k = static_cast<int>(std::ceil(lo * n / rate)); k * double(rate) / n < hi; ++k)
        power += a[k] * a[k];
      bands.push_back(10 * std::log10(power));
    }
    const auto [lo, hi] = std::minmax_element(bands.begin(), bands.end());
    EXPECT_LT(*hi - *lo, 1.0) << rate;
    double mean = 0;
    for (double b : bands) mean += b / bands.size();
    for (size_t i = 0; i < bands.size(); ++i)
      EXPECT_NEAR(bands[i], mean, 0.5) << rate << " band " << i;
  }
}

TEST(PinkNoiseTest, RmsIsAQuarterOfTheLevel) {
  ChannelSetup ch;
  ch.waveform = Waveform::PinkNoise;
  ch.level = 0.8;
  const std::vector<double> x = RenderLeft(Steady(ch), 48000, 1 << 21);
  double sum = 0;
  for (double v : x) sum += v * v;
  EXPECT_NEAR(std::sqrt(sum / x.size()), 0.2, 0.2 * 0.08);
  EXPECT_LE(*std::max_element(x.begin(), x.end()), 0.8);
}

TEST(LogSweepTest, FollowsItsFormulaAndLinesUpItsHarmonics) {
  struct Case {
    double f1, f2, seconds, rate;
  } cases[] = {{20, 20000, 5, 48000}, {10, 22000, 1, 44100}, {100, 1000, 0.3, 96000}};
  for (const Case& c : cases) {
    ASSERT_TRUE(LogSweep::Valid(c.f1, c.f2, c.seconds, c.rate));
    LogSweep s(c.f1, c.f2, c.seconds, c.rate);
    const double cycles = s.StartHz() * s.GrowthTime();
    EXPECT_NEAR(cycles, std::round(cycles), 1e-9);
    EXPECT_GE(cycles, 1.0);
    EXPECT_NEAR(s.Seconds(), c.seconds, std::log(c.f2 / c.f1) / (2 * c.f1) + 1e-12);
    EXPECT_NEAR(s.Seconds(), s.GrowthTime() * std::log(c.f2 / c.f1), 1e-12);
    EXPECT_LT((s.Frames() - 1) / c.rate, s.Seconds());
    EXPECT_GE(s.Frames() / c.rate, s.Seconds());
    const long double L = s.GrowthTime();
    for (uint64_t n = 0; n < s.Frames(); n += 997) {
      const long double t = n / static_cast<long double>(c.rate);
      const long double phase = c.f1 * L * (std::exp(t / L) - 1);
      ASSERT_NEAR(s.Value(n), std::sin(2 * 3.14159265358979323846L * phase), 1e-9) << n;
      // The k-th harmonic, sin(2 pi k phase), is the sweep advanced by L ln k.
      for (int k : {2, 3, 5}) {
        const long double ahead = t + L * std::log(static_cast<long double>(k));
        const long double advanced = c.f1 * L * (std::exp(ahead / L) - 1);
        ASSERT_NEAR(std::sin(2 * kPi * k * s.PhaseCycles(n)),
                    static_cast<double>(std::sin(2 * 3.14159265358979323846L * advanced)), 1e-8)
            << "k " << k << " n " << n;
      }
    }
    // The instantaneous frequency from neighbouring phases.
    const uint64_t mid = s.Frames() / 2;
    double step = s.PhaseCycles(mid + 1) - s.PhaseCycles(mid);
    step -= std::floor(step);
    EXPECT_NEAR(step * c.rate, s.FrequencyAt((mid + 0.5) / c.rate), 1e-3 * c.f2);
  }
}

// Requests no sweep can meet, and a stimulus written past the sweep's end stays silent there.
TEST(LogSweepTest, RefusesUnusableRequestsAndGeneratesSilencePastItsEnd) {
  const double refused[][4] = {{0, 1000, 1, 48000},    {1000, 100, 1, 48000}, {20, 20000, 0, 48000},
                               {20, 20000, -1, 48000}, {20, 30000, 1, 48000}, {20, NAN, 1, 48000}};
  for (const auto& c : refused) EXPECT_FALSE(LogSweep::Valid(c[0], c[1], c[2], c[3])) << c[1];
  // Made anyway, they are empty (and made at once).
  for (int i : {0, 1, 2, 3, 5}) {
    const double* c = refused[i];
    const LogSweep empty(c[0], c[1], c[2], c[3]);
    EXPECT_EQ(empty.Frames(), 0u) << c[0] << " " << c[1] << " " << c[2];
    EXPECT_EQ(empty.Seconds(), 0.0);
  }
  const LogSweep s(100, 2000, 0.05, 8000);
  std::vector<double> x(s.Frames() + 10, 7.0);
  s.Generate(0.5, x.data(), x.size());
  for (uint64_t n = 0; n < x.size(); ++n) {
    ASSERT_EQ(x[n], n < s.Frames() ? 0.5 * s.Value(n) : 0.0) << n;
  }
}

// Deconvolving the sweep by its inverse filter leaves an impulse at t = 0.
TEST(LogSweepTest, InverseFilterTurnsTheSweepIntoAnImpulse) {
  const double rate = 48000;
  LogSweep s(50, 16000, 2, rate);
  const int n = 1 << 18;
  std::vector<std::complex<double>> x(n);
  for (uint64_t i = 0; i < s.Frames(); ++i) x[i] = s.Value(i);
  auto transform = [&](std::vector<std::complex<double>>& v, int sign) {
    fftw_plan p = fftw_plan_dft_1d(n, reinterpret_cast<fftw_complex*>(v.data()),
                                   reinterpret_cast<fftw_complex*>(v.data()), sign, FFTW_ESTIMATE);
    fftw_execute(p);
    fftw_destroy_plan(p);
  };
  transform(x, FFTW_FORWARD);
  for (int k = 0; k < n; ++k) {
    const double f = (k <= n / 2 ? k : n - k) * rate / n;
    // Only the swept band, with gentle edges; the spectrum of a real signal is conjugate-even.
    const double band = (f > 100 && f < 8000) ? 1.0 : 0.0;
    std::complex<double> inv = s.InverseSpectrum(f) / rate;
    if (k > n / 2) inv = std::conj(inv);
    x[k] *= band * inv;
  }
  transform(x, FFTW_BACKWARD);
  int peak = 0;
  for (int i = 0; i < n; ++i)
    if (std::abs(x[i]) > std::abs(x[peak])) peak = i;
  EXPECT_TRUE(peak <= 1 || peak >= n - 1) << peak;
}

TEST(SignalGeneratorTest, SweepRepeatsOrPlaysOnce) {
  for (bool repeat : {true, false}) {
    ChannelSetup ch;
    ch.waveform = Waveform::Sweep;
    ch.sweepStartHz = 100;
    ch.sweepStopHz = 2000;
    ch.sweepSeconds = 0.05;
    ch.sweepRepeat = repeat;
    ch.level = 0.5;
    const LogSweep s(100, 2000, 0.05, 8000);
    const std::vector<double> x = RenderLeft(Steady(ch), 8000, 3 * s.Frames());
    for (size_t n = 0; n < x.size(); ++n) {
      const double expected = n < s.Frames() || repeat ? 0.5 * s.Value(n % s.Frames()) : 0.0;
      ASSERT_NEAR(x[n], expected, 1e-12) << n << (repeat ? " repeat" : " once");
    }
  }
}

// Changes glide: no sample moves by more than the change spread over the ramp (for a level or an
// offset) or than the steepest slope of the sine (for a frequency), and the target is reached.
TEST(SignalGeneratorTest, ChangesGlideWithoutAStep) {
  struct Case {
    const char* what;
    void (*change)(ChannelSetup&);
    double largestStep;  // per sample at 48 kHz, 5 ms ramp = 240 samples
    double settled;      // the value once settled (NaN: not a constant)
  } cases[] = {
      {"level", [](ChannelSetup& c) { c.level = 0.9; }, 0.8 / 240 + 1e-9, 0.9},
      {"offset", [](ChannelSetup& c) { c.dcOffset = -0.6; }, 0.6 / 240 + 1e-6, -0.6 + 0.1},
      {"frequency", [](ChannelSetup& c) { c.frequency = 3000; }, 2 * kPi * 3000 / 48000 * 0.1, NAN},
      {"shape", [](ChannelSetup& c) { c.phaseDegrees = 180; },
       2 * kPi * 1000 / 48000 * 0.1 + 0.1 / 480, NAN},
  };
  for (const Case& c : cases) {
    ChannelSetup ch;
    ch.level = 0.1;
    if (std::isnan(c.settled)) {
      ch.frequency = 1000;
    } else {
      // A constant: a sine a quarter through its period at 0.001 Hz.
      ch.frequency = 0.001;
      ch.phaseDegrees = 90;
    }
    GeneratorSetup s = Steady(ch);
    SignalGenerator gen(48000);
    gen.Publish(s);
    std::vector<double> out(2 * 2000);
    gen.Render(out.data(), 1000);
    s.fadeSeconds = 0.01;
    c.change(s.channels[0]);
    c.change(s.channels[1]);
    gen.Publish(s);
    gen.Render(out.data() + 2000, 1000);
    double largest = 0;
    for (size_t n = 1; n < 2000; ++n)
      largest = std::max(largest, std::fabs(out[2 * n] - out[2 * n - 2]));
    EXPECT_LE(largest, c.largestStep) << c.what;
    if (!std::isnan(c.settled)) {
      EXPECT_NEAR(out[2 * 1999], c.settled, 1e-6) << c.what;
    }
  }
}

TEST(SignalGeneratorTest, StartAndStopFade) {
  ChannelSetup ch;
  ch.level = 1.0;
  ch.frequency = 1000;
  GeneratorSetup s = Steady(ch);
  s.fadeSeconds = 0.01;  // 480 samples
  SignalGenerator gen(48000);
  std::vector<double> out(2 * 2000);
  gen.Render(out.data(), 100);
  EXPECT_TRUE(gen.Stopped());
  EXPECT_EQ(*std::max_element(out.begin(), out.end()), 0.0);
  gen.Publish(s);
  gen.Render(out.data(), 1000);
  for (size_t n = 0; n < 1000; ++n)
    ASSERT_LE(std::fabs(out[2 * n]), std::min(1.0, (n + 1) / 480.0) + 1e-12) << n;
  s.output = false;
  gen.Publish(s);
  gen.Render(out.data(), 1000);
  for (size_t n = 0; n < 1000; ++n)
    ASSERT_LE(std::fabs(out[2 * n]), std::max(0.0, 1 - n / 480.0) + 1e-12) << n;
  EXPECT_TRUE(gen.Stopped());
  // On again: from the start of the signal.
  s.output = true;
  s.fadeSeconds = 0;
  gen.Publish(s);
  gen.Render(out.data(), 10);
  EXPECT_EQ(out[0], 0.0);
  EXPECT_NEAR(out[2], std::sin(2 * kPi * 1000 / 48000), 1e-12);
}

TEST(SignalGeneratorTest, LevelRisesNoFasterThanTheSafetyStep) {
  SignalGenerator gen(48000);
  GeneratorSetup s = Steady(ChannelSetup{});
  s.maxLevelStep = 0.1;
  struct Step {
    double asked, accepted;
  } steps[] = {{0.5, 0.1}, {0.5, 0.2}, {0.05, 0.05}, {1.0, 0.15}, {0.15, 0.15}};
  for (const Step& st : steps) {
    s.channels[0].level = s.channels[1].level = st.asked;
    const GeneratorSetup got = gen.Publish(s);
    EXPECT_DOUBLE_EQ(got.channels[0].level, st.accepted) << st.asked;
    EXPECT_DOUBLE_EQ(got.channels[1].level, st.accepted) << st.asked;
  }
}

// TPDF dither: the average of the quantised samples is the value itself, wherever it falls
// between two steps, and the error power is a quarter of a step squared.
TEST(TpdfDitherTest, MeanIsTheValueAndErrorPowerIsAQuarterStep) {
  for (double lsb : {0.0, 0.3, -0.7, 0.5, 1000.25, -20000.9}) {
    TpdfDither dither;
    const int n = 400000;
    double sum = 0, squares = 0;
    for (int i = 0; i < n; ++i) {
      const double e = dither.Quantise(lsb / 32767.0) - lsb;
      sum += e;
      squares += e * e;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.01) << lsb;
    EXPECT_NEAR(squares / n, 0.25, 0.01) << lsb;
  }
  TpdfDither dither;
  EXPECT_EQ(dither.Quantise(5.0), 32767);
  EXPECT_EQ(dither.Quantise(-5.0), -32768);
  EXPECT_EQ(dither.Quantise(NAN), 0);
}

}  // namespace

// A new run number starts the signal afresh from its first sample at full level, whatever was
// playing or whether the output was stopped; the same number changes nothing.
TEST(SignalGeneratorTest, ANewRunStartsFromTheFirstSampleWithoutAFade) {
  for (bool wasPlaying : {true, false}) {
    SignalGenerator gen(8000);
    GeneratorSetup setup;
    setup.channels[0].frequency = 300;
    setup.channels[0].level = 0.5;
    setup.output = wasPlaying;
    gen.Publish(setup);
    std::vector<double> block(2 * 1000);
    gen.Render(block.data(), 1000);
    ChannelSetup sweep = setup.channels[0];
    sweep.waveform = Waveform::Sweep;
    sweep.sweepStartHz = 100;
    sweep.sweepStopHz = 2000;
    sweep.sweepSeconds = 0.05;
    GeneratorSetup next = setup;
    next.channels = {sweep, sweep};
    next.output = true;
    next.run = 7;
    gen.Publish(next);
    gen.Render(block.data(), 1000);
    const LogSweep s(100, 2000, 0.05, 8000);
    for (size_t n = 0; n < 300; ++n) {
      ASSERT_NEAR(block[2 * n], 0.5 * s.Value(n), 1e-12) << n << (wasPlaying ? " playing" : "");
    }
    EXPECT_EQ(gen.FramesSinceStart(), 1000u);
    gen.Publish(next);  // the same run again: the sweep goes on
    gen.Render(block.data(), 1000);
    EXPECT_EQ(gen.FramesSinceStart(), 2000u);
  }
}

// A recording plays its frames in a loop, each channel taking its own of the interleaved values,
// times the level.
TEST(SignalGeneratorTest, RecordingPlaysItsFramesInALoop) {
  const float frames[] = {0.1f, -0.1f, 0.2f, -0.2f, 0.3f, -0.3f};  // three stereo frames
  GeneratorSetup setup;
  for (int c = 0; c < 2; ++c) {
    ChannelSetup& ch = setup.channels[c];
    ch.waveform = Waveform::Recording;
    ch.recording = frames + c;
    ch.recordingFrames = 3;
    ch.recordingStride = 2;
    ch.level = 0.5;
  }
  setup.output = true;
  setup.fadeSeconds = 0.0;
  SignalGenerator gen(8000);
  gen.Publish(setup);
  std::vector<double> out(2 * 8);
  gen.Render(out.data(), 8);
  for (size_t n = 0; n < 8; ++n) {
    EXPECT_NEAR(out[2 * n], 0.5 * frames[2 * (n % 3)], 1e-7) << n;
    EXPECT_NEAR(out[2 * n + 1], 0.5 * frames[2 * (n % 3) + 1], 1e-7) << n;
  }
  setup.channels[1].recording = nullptr;  // no samples: silence, not a crash
  SignalGenerator empty(8000);
  empty.Publish(setup);
  empty.Render(out.data(), 8);
  for (size_t n = 0; n < 8; ++n) EXPECT_EQ(out[2 * n + 1], 0.0);
}
