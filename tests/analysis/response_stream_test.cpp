#include "analysis/response_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "response_signals.h"

namespace {

// However the stream arrives, in pieces of any size, the estimate is the same, and the frames
// end up aligned with a delay longer than a whole number of hops: the delay to a twentieth of a
// sample and the response flat.
TEST(AnalysisResponseStreamTest, PiecesOfAnySizeGiveTheSameAlignedEstimate) {
  TransferSettings settings;
  settings.fftOrder = 12;
  settings.rate = 48000;
  const std::vector<double> x = oracle::WhiteNoise(1 << 17, 3);
  const std::vector<double> y = oracle::FractionalDelay(x, 300.4);
  // Overlapped by half: one transform per hop of the record.
  ResponseStream whole(settings);
  EXPECT_EQ(whole.Push(x.data(), y.data(), static_cast<std::int64_t>(x.size())),
            (1 << 17) / 2048 - 1);
  for (std::int64_t piece :
       {std::int64_t{1}, std::int64_t{733}, std::int64_t{4096}, std::int64_t{50000}}) {
    ResponseStream stream(settings);
    for (std::int64_t at = 0; at < static_cast<std::int64_t>(x.size()); at += piece) {
      const std::int64_t n =
          std::min<std::int64_t>(piece, static_cast<std::int64_t>(x.size()) - at);
      stream.Push(x.data() + at, y.data() + at, n);
      // Refreshes evaluate as they go: the frames after the first are read aligned.
      if (at % (8 * 4096) < piece) stream.Evaluate();
    }
    stream.Evaluate();
    // The transforms after the alignment: most of them.
    EXPECT_GT(stream.Estimator().Transforms(), (1 << 17) / 2048 / 2) << piece;
    EXPECT_NEAR(stream.Estimator().DelaySamples(), 300.4, 0.05) << piece;
    const ResponseTrace& t = stream.Estimator().Trace();
    double worstDb = 0, worstDeg = 0;
    for (int k = 0; k < t.Points(); ++k) {
      if (t.frequencyHz[k] < 100 || t.frequencyHz[k] > 20000) continue;
      worstDb = std::max(worstDb, std::fabs(t.gainDb[k]));
      worstDeg = std::max(worstDeg, std::fabs(t.phaseDeg[k]));
    }
    EXPECT_LT(worstDb, 0.05) << piece;
    EXPECT_LT(worstDeg, 0.5) << piece;
  }
}

// A measured channel that leads the reference is read as far earlier as one that lags is read
// later: the delay negative to a twentieth of a sample, the frames aligned (the offset the
// estimator reads them at follows the delay), the response flat and its coherence whole.
TEST(AnalysisResponseStreamTest, AMeasuredChannelThatLeadsIsAlignedAsOneThatLags) {
  TransferSettings settings;
  settings.fftOrder = 12;
  settings.rate = 48000;
  const std::vector<double> x = oracle::WhiteNoise(1 << 17, 7);
  for (double delay : {-300.4, -37.3, -0.6, 37.3, 300.4}) {
    const std::vector<double> y = oracle::FractionalDelay(x, delay);
    ResponseStream stream(settings);
    for (std::size_t at = 0; at < x.size(); at += 8192) {
      stream.Push(x.data() + at, y.data() + at, 8192);
      stream.Evaluate();
    }
    const TransferEstimator& e = stream.Estimator();
    EXPECT_GT(e.Transforms(), (1 << 17) / 2048 / 2) << delay;
    EXPECT_NEAR(e.DelaySamples(), delay, 0.05) << delay;
    EXPECT_LE(std::abs(e.MeasuredOffset() - std::lround(delay)), 1) << delay;
    const ResponseTrace& t = e.Trace();
    double worstDb = 0, worstDeg = 0, leastCoherence = 1;
    for (int k = 0; k < t.Points(); ++k) {
      if (t.frequencyHz[k] < 100 || t.frequencyHz[k] > 20000) continue;
      worstDb = std::max(worstDb, std::fabs(t.gainDb[k]));
      worstDeg = std::max(worstDeg, std::fabs(t.phaseDeg[k]));
      leastCoherence = std::min(leastCoherence, t.coherence[k]);
    }
    EXPECT_LT(worstDb, 0.05) << delay;
    EXPECT_LT(worstDeg, 0.5) << delay;
    EXPECT_GT(leastCoherence, 0.999) << delay;
  }
}

TEST(AnalysisResponseStreamTest, ResetForgetsTheAverages) {
  TransferSettings settings;
  settings.fftOrder = 10;
  const std::vector<double> x = oracle::WhiteNoise(8192, 5);
  ResponseStream stream(settings);
  EXPECT_GT(stream.Push(x.data(), x.data(), 8192), 0);
  stream.Reset();
  stream.Evaluate();
  EXPECT_EQ(stream.Estimator().Transforms(), 0);
  // Fewer samples than a transform add none.
  EXPECT_EQ(stream.Push(x.data(), x.data(), 1023), 0);
}

}  // namespace
