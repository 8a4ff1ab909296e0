#include "analysis/transfer_estimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "response_signals.h"

namespace {

constexpr double kRate = 48000;

// The worst gain (dB) and phase (degrees) error against an expected response over the bins
// from 20 Hz to 20 kHz whose coherence passes a threshold; counts the bins checked.
struct Errors {
  double gainDb = 0;
  double phaseDeg = 0;
  int bins = 0;
};

template <typename Expected>
Errors Compare(const ResponseTrace& t, Expected expected, double minCoherence) {
  Errors e;
  for (int k = 0; k < t.Points(); ++k) {
    const double f = t.frequencyHz[k];
    if (f < 20 || f > 20000 || !(t.coherence[k] > minCoherence)) continue;
    const std::complex<double> want = expected(f);
    e.gainDb = std::max(e.gainDb, std::fabs(t.gainDb[k] - 20 * std::log10(std::abs(want))));
    e.phaseDeg = std::max(e.phaseDeg, std::fabs(oracle::DegreesBetween(
                                          t.phaseDeg[k], std::arg(want) * 180 / std::numbers::pi)));
    ++e.bins;
  }
  return e;
}

std::vector<double> AddNoise(std::vector<double> y, double rms, unsigned seed) {
  const std::vector<double> n = oracle::WhiteNoise(y.size(), seed, rms);
  for (std::size_t i = 0; i < y.size(); ++i) y[i] += n[i];
  return y;
}

// White noise against itself delayed by a fraction of a sample (made by FFTW), with noise 80 dB
// down on the measured channel: the delay to a twentieth of a sample, the response flat once it
// is taken out. A first pass finds the delay, a second reads the frames aligned by it.
TEST(AnalysisTransferEstimatorTest, FractionalDelayIsFoundAndTakenOut) {
  struct Case {
    int order;
    double delay;
    double gain;
  };
  const Case cases[] = {
      {16, 37.3, 1.0}, {14, 37.3, 0.5}, {12, -5.62, 1.0}, {16, 1999.85, 2.0}, {10, 0.25, 1.0}};
  const std::vector<double> x = oracle::WhiteNoise(1 << 20, 7);
  for (const Case& c : cases) {
    std::vector<double> y = oracle::FractionalDelay(x, c.delay);
    for (double& v : y) v *= c.gain;
    y = AddNoise(y, c.gain * 1e-4, 11);
    TransferSettings settings;
    settings.fftOrder = c.order;
    TransferEstimator estimator(settings);
    const int n = estimator.Size();
    ASSERT_GT(estimator.AddRecord(x.data(), y.data(), x.size(), n / 2), 10);
    estimator.Evaluate();
    EXPECT_NEAR(estimator.DelaySamples(), c.delay, 0.5) << "first pass " << c.order;

    const int offset = estimator.SuggestedOffset();
    EXPECT_EQ(offset, static_cast<int>(std::lround(c.delay)));
    estimator.Reset();
    estimator.AddRecord(x.data(), y.data(), x.size(), n / 2, offset);
    estimator.Evaluate();
    EXPECT_NEAR(estimator.DelaySamples(), c.delay, 0.05) << c.order << " " << c.delay;
    const Errors e = Compare(
        estimator.Trace(), [&](double) { return std::complex<double>(c.gain, 0); }, 0.0);
    EXPECT_GT(e.bins, n / 3);
    EXPECT_LT(e.gainDb, 0.05) << c.order << " " << c.delay;
    EXPECT_LT(e.phaseDeg, 0.5) << c.order << " " << c.delay;
    for (int k = 1; k < estimator.Bins(); ++k) {
      const double f = estimator.Trace().frequencyHz[k];
      if (f >= 20 && f <= 20000) {
        ASSERT_GT(estimator.Trace().coherence[k], 0.999) << k;
      }
    }
  }
}

// A delay long against the frame costs coherence unless the measured frames are read that
// much later; the averages are turned when the offset changes half way through.
TEST(AnalysisTransferEstimatorTest, MeasuredOffsetRestoresCoherenceOfLongDelays) {
  const std::vector<double> x = oracle::WhiteNoise(1 << 18, 3);
  const std::vector<double> y = oracle::FractionalDelay(x, 3000.4);
  TransferSettings settings;
  settings.fftOrder = 12;
  const auto meanCoherence = [](const TransferEstimator& e) {
    double sum = 0;
    for (int k = 1; k < e.Bins(); ++k) sum += e.Trace().coherence[k];
    return sum / (e.Bins() - 1);
  };
  TransferEstimator plain(settings);
  plain.AddRecord(x.data(), y.data(), x.size(), 2048);
  plain.Evaluate();
  EXPECT_LT(meanCoherence(plain), 0.5);

  TransferEstimator aligned(settings);
  const std::int64_t half = x.size() / 2;
  aligned.AddRecord(x.data(), y.data(), half, 2048, 3000);
  aligned.AddRecord(x.data() + half, y.data() + half, half, 2048, 2990);
  EXPECT_EQ(aligned.MeasuredOffset(), 2990);
  aligned.Evaluate();
  EXPECT_GT(meanCoherence(aligned), 0.99);
  EXPECT_NEAR(aligned.DelaySamples(), 3000.4, 0.05);
  EXPECT_EQ(aligned.SuggestedOffset(), 3000);
}

// The same noise through a second-order low-pass at 1 kHz, Q 0.707, 10 samples late, noise
// 80 dB down: within 0.1 dB and 1 degree of the biquad's own response, the found delay taken
// out of both, wherever the coherence exceeds 0.999. The found delay is the impulse
// response's peak.
TEST(AnalysisTransferEstimatorTest, KnownLowPassIsMeasuredWhereCoherent) {
  const oracle::Biquad filter = oracle::Biquad::LowPass(1000, 0.707, kRate);
  const std::vector<double> x = oracle::WhiteNoise(1 << 20, 21);
  std::vector<double> y = filter.Filter(oracle::FractionalDelay(x, 10));
  y = AddNoise(y, 1e-4, 5);
  TransferSettings settings;
  settings.fftOrder = 14;
  TransferEstimator estimator(settings);
  estimator.AddRecord(x.data(), y.data(), x.size(), 8192);
  estimator.Evaluate();
  const int offset = estimator.SuggestedOffset();
  estimator.Reset();
  estimator.AddRecord(x.data(), y.data(), x.size(), 8192, offset);
  estimator.Evaluate();
  const double delay = estimator.DelaySamples();

  std::vector<double> impulse(64, 0.0);
  impulse[0] = 1;
  impulse = filter.Filter(impulse);
  int peak = 0;
  for (int i = 1; i < 64; ++i) {
    if (std::fabs(impulse[i]) > std::fabs(impulse[peak])) peak = i;
  }
  EXPECT_NEAR(delay, 10 + peak, 1.0);

  const Errors e = Compare(
      estimator.Trace(),
      [&](double f) {
        return filter.Response(f, kRate) *
               std::polar(1.0, 2 * std::numbers::pi * f / kRate * (delay - 10));
      },
      0.999);
  EXPECT_GT(e.bins, 3000);  // past 10 kHz
  EXPECT_LT(e.gainDb, 0.1);
  EXPECT_LT(e.phaseDeg, 1.0);
}

// Two transforms of the same reference frame with the device's gain g1 then g2: a linear
// average gives their mean, an exponential one of weight w gives (1 - w) g1 + w g2, and the
// coherence is H^2 over the same average of g^2 (1 when the gains agree).
TEST(AnalysisTransferEstimatorTest, AveragingWeighsTransformsAsChosen) {
  struct Case {
    TransferAveraging averaging;
    double weight;
    double g1, g2;
    double want;
  };
  const Case cases[] = {{kTransferLinear, 0.1, 1.0, 2.0, 1.5},
                        {kTransferExponential, 0.25, 1.0, 2.0, 1.25},
                        {kTransferExponential, 1.0, 1.0, 3.0, 3.0},
                        {kTransferLinear, 0.5, -1.0, -1.0, -1.0}};
  const std::vector<double> x = oracle::WhiteNoise(1024, 9);
  for (const Case& c : cases) {
    TransferSettings settings;
    settings.fftOrder = 10;
    settings.averaging = c.averaging;
    settings.exponentialWeight = 0.5;
    TransferEstimator estimator(settings);
    std::vector<double> y1(x), y2(x);
    for (double& v : y1) v *= c.g1;
    for (double& v : y2) v *= c.g2;
    estimator.Add(x.data(), y1.data());
    // The weight may change between transforms; the first one is taken whole either way.
    if (c.averaging == kTransferExponential) {
      estimator.SetAveraging(kTransferExponential, c.weight);
    }
    estimator.Add(x.data(), y2.data());
    EXPECT_EQ(estimator.Transforms(), 2);
    const double w = c.averaging == kTransferLinear ? 0.5 : c.weight;
    const double coherence = c.want * c.want / ((1 - w) * c.g1 * c.g1 + w * c.g2 * c.g2);
    estimator.Evaluate();
    EXPECT_NEAR(estimator.DelaySamples(), 0, 1e-6);
    const ResponseTrace& t = estimator.Trace();
    for (int k = 1; k < estimator.Bins(); k += 37) {
      EXPECT_NEAR(t.gainDb[k], 20 * std::log10(std::fabs(c.want)), 1e-9) << k;
      EXPECT_NEAR(std::fabs(t.phaseDeg[k]), c.want < 0 ? 180 : 0, 1e-6) << k;
      EXPECT_NEAR(t.coherence[k], coherence, 1e-9) << k;
    }
  }
}

// With the delay left in, the phase falls by 360 f d / rate degrees and the group delay reads d
// at every frequency; with it taken out both are flat.
TEST(AnalysisTransferEstimatorTest, PhaseAndGroupDelayFollowTheChosenDelayHandling) {
  const std::vector<double> x = oracle::WhiteNoise(1 << 16, 13);
  const std::vector<double> y = oracle::FractionalDelay(x, 4.5);
  for (bool remove : {false, true}) {
    TransferSettings settings;
    settings.fftOrder = 12;
    settings.removeDelay = remove;
    TransferEstimator estimator(settings);
    estimator.AddRecord(x.data(), y.data(), x.size(), 2048, 4);
    estimator.Evaluate();
    const ResponseTrace& t = estimator.Trace();
    const double d = remove ? 0.0 : 4.5;
    for (int k = 10; k < estimator.Bins() - 10; k += 101) {
      const double f = t.frequencyHz[k];
      EXPECT_NEAR(t.groupDelaySeconds[k], d / kRate, 0.1 / kRate) << k;
      EXPECT_NEAR(oracle::DegreesBetween(t.phaseDeg[k], -360 * f * d / kRate), 0, 0.2) << k;
      EXPECT_NEAR(t.phaseUnwrappedDeg[k], -360 * f * d / kRate, 0.2) << k;
    }
  }
}

TEST(AnalysisTransferEstimatorTest, NothingAddedOrSilentReferenceGivesNaN) {
  TransferSettings settings;
  settings.fftOrder = 4;  // raised to the smallest size
  TransferEstimator estimator(settings);
  EXPECT_EQ(estimator.Size(), 1 << TransferEstimator::kMinOrder);
  estimator.Evaluate();
  EXPECT_EQ(estimator.DelaySamples(), 0);
  EXPECT_TRUE(std::isnan(estimator.Trace().gainDb[5]));
  const std::vector<double> silence(estimator.Size(), 0.0), y = oracle::WhiteNoise(1024, 1);
  estimator.Add(silence.data(), y.data());
  estimator.Evaluate();
  EXPECT_TRUE(std::isnan(estimator.Trace().gainDb[5]));
  EXPECT_TRUE(std::isnan(estimator.Trace().coherence[5]));
  EXPECT_NEAR(TransferEstimator::ExponentialWeight(1.0, 1.0), 1 - std::exp(-1.0), 1e-12);
  EXPECT_EQ(TransferEstimator::ExponentialWeight(1.0, 0.0), 1.0);
}

}  // namespace
