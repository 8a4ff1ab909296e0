#include "analysis/sweep_analyser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>
#include <vector>

#include "response_signals.h"

namespace {

// The stimulus followed by a quarter second of silence, for the response to die away in.
std::vector<double> Stimulus(const LogSweep& sweep, double amplitude) {
  std::vector<double> x(sweep.Frames() + static_cast<std::size_t>(sweep.Rate() / 4), 0.0);
  sweep.Generate(amplitude, x.data(), x.size());
  return x;
}

struct Errors {
  double gainDb = 0;
  double phaseDeg = 0;
  int bins = 0;
};

template <typename Expected>
Errors Compare(const ResponseTrace& t, double lo, double hi, Expected expected) {
  Errors e;
  for (int k = 0; k < t.Points(); ++k) {
    const double f = t.frequencyHz[k];
    if (f < lo || f > hi) continue;
    const std::complex<double> want = expected(f);
    e.gainDb = std::max(e.gainDb, std::fabs(t.gainDb[k] - 20 * std::log10(std::abs(want))));
    e.phaseDeg = std::max(e.phaseDeg, std::fabs(oracle::DegreesBetween(
                                          t.phaseDeg[k], std::arg(want) * 180 / std::numbers::pi)));
    ++e.bins;
  }
  return e;
}

// The low-pass at 1 kHz, Q 0.707, measured by the sweep: deconvolved by the reference channel,
// and by the known stimulus when the device adds a fractional latency of its own.
TEST(AnalysisSweepAnalyserTest, KnownLowPassAndLatencyAreMeasured) {
  struct Case {
    double rate;
    double seconds;
    double latency;  // added in the device, samples
    double gain;
    int extra;  // samples the measured record runs on past the reference
  };
  const Case cases[] = {{48000, 2, 0, 1.0, 0},
                        {48000, 2, 0, 1.0, 4096},
                        {48000, 1, 1234.4, 0.5, 4096},
                        {96000, 3, 17.7, 1.0, 0}};
  for (const Case& c : cases) {
    const LogSweep sweep(20, 20000, c.seconds, c.rate);
    const std::vector<double> x = Stimulus(sweep, 0.5);
    const oracle::Biquad filter = oracle::Biquad::LowPass(1000, 0.707, c.rate);
    std::vector<double> padded(x);
    padded.resize(1 << 20, 0.0);
    std::vector<double> y = filter.Filter(oracle::FractionalDelay(padded, c.latency));
    y.resize(x.size() + c.extra);
    for (double& v : y) v *= c.gain;

    SweepAnalyser analyser(sweep);
    ASSERT_TRUE(analyser.Analyse(x.data(), x.size(), y.data(), y.size()));
    const double latency = analyser.LatencySamples();
    std::vector<double> impulse(256, 0.0);
    impulse[0] = 1;
    impulse = filter.Filter(impulse);
    int peak = 0;
    for (int i = 1; i < 256; ++i) {
      if (std::fabs(impulse[i]) > std::fabs(impulse[peak])) peak = i;
    }
    EXPECT_NEAR(latency, c.latency + peak, 1.0) << c.rate << " " << c.latency;
    const Errors e = Compare(analyser.Response(), 20, 20000, [&](double f) {
      return c.gain * filter.Response(f, c.rate) *
             std::polar(1.0, 2 * std::numbers::pi * f / c.rate * (latency - c.latency));
    });
    EXPECT_GT(e.bins, 1000);
    EXPECT_LT(e.gainDb, 0.1) << c.rate << " " << c.latency;
    EXPECT_LT(e.phaseDeg, 1.0) << c.rate << " " << c.latency;
    const std::vector<double>& h = analyser.ImpulseResponse();
    std::size_t largest = 0;
    for (std::size_t i = 1; i < h.size(); ++i) {
      if (std::fabs(h[i]) > std::fabs(h[largest])) largest = i;
    }
    EXPECT_NEAR(static_cast<double>(largest), analyser.ImpulseZero(), 1.0);
  }
}

// A pure fractional latency through the known stimulus: the latency to a twentieth of a
// sample, the response flat within 0.05 dB and 0.5 degrees.
TEST(AnalysisSweepAnalyserTest, PureLatencyIsFoundToAFractionOfASample) {
  for (double latency : {37.3, 480.75, 0.4}) {
    const LogSweep sweep(20, 20000, 2, 48000);
    const std::vector<double> x = Stimulus(sweep, 0.7);
    std::vector<double> padded(x);
    padded.resize(1 << 18, 0.0);
    std::vector<double> y = oracle::FractionalDelay(padded, latency);
    y.resize(x.size());
    SweepAnalyser analyser(sweep);
    // Plans made ahead for a longer record serve a shorter one.
    ASSERT_TRUE(analyser.Prepare(4 * x.size()));
    ASSERT_TRUE(analyser.Analyse(x.data(), x.size(), y.data(), y.size()));
    EXPECT_NEAR(analyser.LatencySamples(), latency, 0.05);
    const Errors e =
        Compare(analyser.Response(), 20, 20000, [](double) { return std::complex<double>(1, 0); });
    EXPECT_LT(e.gainDb, 0.05) << latency;
    EXPECT_LT(e.phaseDeg, 0.5) << latency;
  }
}

// Polynomial devices with known harmonics. A sine of amplitude A through y = x + a x^2 gives a
// second harmonic of a A^2 / 2 on a fundamental of A; through y = x + b x^3 a third harmonic
// of b A^3 / 4 on a fundamental of A (1 + 3 b A^2 / 4). The rates keep every harmonic below half
// the rate; ten seconds, as a user would sweep, keep the harmonics' windows long enough for the
// bottom of the band.
TEST(AnalysisSweepAnalyserTest, PolynomialDistortionMatchesItsClosedForm) {
  struct Case {
    double rate, f2, a, b, amplitude;
  };
  const Case cases[] = {
      {96000, 20000, 0.2, 0, 0.5}, {48000, 10000, 0.05, 0, 0.8}, {96000, 15000, 0, 0.3, 0.7}};
  for (const Case& c : cases) {
    const LogSweep sweep(20, c.f2, 10, c.rate);
    const std::vector<double> x = Stimulus(sweep, c.amplitude);
    std::vector<double> y(x);
    for (double& v : y) v = v + c.a * v * v + c.b * v * v * v;
    SweepAnalyser analyser(sweep);
    ASSERT_TRUE(analyser.Analyse(x.data(), x.size(), y.data(), y.size()));
    const double A = c.amplitude;
    const double fundamental = A * (1 + 0.75 * c.b * A * A);
    const double h2 = 20 * std::log10(c.a * A * A / 2 / fundamental);
    const double h3 = 20 * std::log10(c.b * A * A * A / 4 / fundamental);
    const DistortionTrace& d = analyser.Distortion();
    ASSERT_FALSE(d.frequencyHz.empty());
    const int harmonic = c.a != 0 ? 2 : 3;
    const double want = c.a != 0 ? h2 : h3;
    int checked = 0;
    for (std::size_t i = 0; i < d.frequencyHz.size(); ++i) {
      const double f = d.frequencyHz[i];
      // Within a quarter octave of the band's ends the sweep's abrupt start and end leave
      // nothing trustworthy, and nothing is given.
      const double edge = std::exp2(0.25);
      if (f * harmonic * edge > c.f2 || f < 20 * edge) {
        EXPECT_TRUE(std::isnan(d.harmonicDb[harmonic][i])) << f;
        continue;
      }
      ASSERT_NEAR(d.harmonicDb[harmonic][i], want, 0.5) << f << " Hz, rate " << c.rate;
      // The other harmonic stays far below.
      const int other = harmonic == 2 ? 3 : 2;
      if (f * other * edge <= c.f2) {
        EXPECT_LT(d.harmonicDb[other][i], want - 30) << f;
      }
      if (f * 3 * edge <= c.f2 && harmonic == 2) {
        EXPECT_NEAR(d.thdDb[i], want, 0.5) << f;
        EXPECT_NEAR(d.thdPercent[i], 100 * std::pow(10, want / 20),
                    0.06 * 100 * std::pow(10, want / 20));
      }
      ++checked;
    }
    EXPECT_GT(checked, 100);
  }
}

// The distortion a device shows at the octaves from 31.5 Hz, measured as the program records it:
// the device's output rounded to 16 bits, half a second of it past the sweep, deconvolved by the
// exact stimulus. A wire, a wire of other gain and latency, and one that blocks DC read nothing
// but the rounding; y = x + a x^2 reads its second harmonic a A / 2 from the bottom octave on,
// whatever its size.
TEST(AnalysisSweepAnalyserTest, LowOctavesReadTheDeviceNotTheMethod) {
  struct Case {
    const char* device;
    double seconds;
    double a;           // y = x + a x^2; 0 for a wire
    double gain;        // after the curve
    int latency;        // samples
    double highPassHz;  // a first-order high-pass after the curve; 0 for none
  };
  const Case cases[] = {
      {"wire", 2, 0, 1, 0, 0},
      {"wire", 5, 0, 1, 0, 0},
      {"wire", 5, 0, 0.5, 1234, 0},
      {"DC-blocking wire", 2, 0, 1, 0, 3},
      {"x + 0.003 x^2", 2, 0.003, 1, 0, 0},
      {"x + 0.003 x^2", 5, 0.003, 1, 0, 0},
      {"x + 0.2 x^2", 2, 0.2, 1, 0, 0},
      {"x + 0.003 x^2, DC blocked", 5, 0.003, 1, 0, 3},
  };
  const double rate = 48000, amplitude = 0.5;
  const double octaves[] = {31.5, 63, 125, 250, 500, 1000, 2000, 4000, 8000};
  for (const Case& c : cases) {
    const LogSweep sweep(20, 20000, c.seconds, rate);
    std::vector<double> x(sweep.Frames() + static_cast<std::size_t>(rate / 2), 0.0);
    sweep.Generate(amplitude, x.data(), x.size());
    std::vector<double> y(x.size(), 0.0);
    const double pole = std::exp(-2 * std::numbers::pi * c.highPassHz / rate);
    double in = 0, out = 0;
    for (std::size_t i = 0; i + c.latency < y.size(); ++i) {
      const double v = c.gain * (x[i] + c.a * x[i] * x[i]);
      // y[n] = p (y[n-1] + v[n] - v[n-1]): a zero at 0 Hz, a pole at the corner.
      out = c.highPassHz > 0 ? pole * (out + v - in) : v;
      in = v;
      y[i + c.latency] = std::round(out * 32767) / 32767;
    }
    SweepAnalyser analyser(sweep);
    ASSERT_TRUE(analyser.Analyse(x.data(), x.size(), y.data(), y.size()));
    const DistortionTrace& d = analyser.Distortion();
    ASSERT_FALSE(d.frequencyHz.empty());
    for (double f : octaves) {
      std::size_t i = 0;
      for (std::size_t j = 1; j < d.frequencyHz.size(); ++j) {
        if (std::fabs(d.frequencyHz[j] - f) < std::fabs(d.frequencyHz[i] - f)) i = j;
      }
      const std::string where =
          std::string(c.device) + ", " + std::to_string(c.seconds) + " s, " + std::to_string(f);
      if (c.a == 0) {
        EXPECT_LT(d.thdDb[i], -85) << where;
      } else {
        const double want = 20 * std::log10(c.a * amplitude / 2);
        EXPECT_NEAR(d.harmonicDb[2][i], want, 0.5) << where;
        EXPECT_NEAR(d.thdDb[i], want, 0.5) << where;
      }
    }
  }
}

TEST(AnalysisSweepAnalyserTest, UnusableInputIsRefused) {
  const LogSweep sweep(20, 20000, 1, 48000);
  const std::vector<double> x = Stimulus(sweep, 0.5);
  const std::vector<double> silence(x.size(), 0.0);
  const std::vector<double> tooLong((1 << 20) + 1, 0.1);
  struct Case {
    LogSweep sweep;
    const double* reference;
    std::int64_t referenceCount;
    const double* measured;
    std::int64_t measuredCount;
  };
  const Case cases[] = {
      {LogSweep(20, 10, 1, 48000), x.data(), static_cast<std::int64_t>(x.size()), x.data(),
       static_cast<std::int64_t>(x.size())},
      {sweep, x.data(), 0, x.data(), static_cast<std::int64_t>(x.size())},
      {sweep, silence.data(), static_cast<std::int64_t>(silence.size()), x.data(),
       static_cast<std::int64_t>(x.size())},
      {sweep, x.data(), static_cast<std::int64_t>(x.size()), tooLong.data(),
       static_cast<std::int64_t>(tooLong.size())},
  };
  EXPECT_FALSE(SweepAnalyser(sweep).Prepare(static_cast<std::int64_t>(tooLong.size())));
  EXPECT_FALSE(SweepAnalyser(sweep).Prepare(0));
  for (const Case& c : cases) {
    SweepAnalyser analyser(c.sweep);
    EXPECT_FALSE(analyser.Analyse(c.reference, c.referenceCount, c.measured, c.measuredCount));
    EXPECT_EQ(analyser.Response().Points(), 0);
    EXPECT_TRUE(analyser.Distortion().frequencyHz.empty());
  }
}

}  // namespace
