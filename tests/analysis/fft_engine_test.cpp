#include "analysis/fft_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis_oracles.h"

namespace {

// Our transforms on a copy with a guard value after the N values.
std::vector<Complex> Transformed(FftEngine& fft, std::vector<Complex> x, int m, bool forward) {
  x.push_back({oracle::kGuard, oracle::kGuard});
  if (forward) {
    fft.FftForward(x.data(), m);
  } else {
    fft.FftInverse(x.data(), m);
  }
  EXPECT_EQ(x.back().re, oracle::kGuard) << "overrun at order " << m;
  EXPECT_EQ(x.back().im, oracle::kGuard) << "overrun at order " << m;
  x.pop_back();
  return x;
}

TEST(AnalysisFftTest, EveryOrderAgreesWithFftwAndNaiveDft) {
  FftEngine fft;
  for (int m = 1; m <= 10; ++m) {
    const int n = 1 << m;
    const std::vector<Complex> x = oracle::RandomSignal(n, 100 + m);

    const std::vector<Complex> forward = Transformed(fft, x, m, true);
    EXPECT_LT(oracle::RelativeError(forward.data(), oracle::Fftw(x, FFTW_FORWARD)), 1e-12)
        << "order " << m;
    EXPECT_LT(oracle::RelativeError(forward.data(), oracle::NaiveDft(x, -1)), 1e-12)
        << "order " << m;

    std::vector<Complex> backward = oracle::Fftw(x, FFTW_BACKWARD);
    for (Complex& c : backward) c = {c.re / n, c.im / n};
    const std::vector<Complex> inverse = Transformed(fft, x, m, false);
    EXPECT_LT(oracle::RelativeError(inverse.data(), backward), 1e-12) << "order " << m;
  }
}

TEST(AnalysisFftTest, InverseUndoesForwardAndParsevalHolds) {
  FftEngine fft;
  for (int m = 1; m <= 10; ++m) {
    const int n = 1 << m;
    const std::vector<Complex> x = oracle::RandomSignal(n, 7 * m);
    const std::vector<Complex> spectrum = Transformed(fft, x, m, true);
    const std::vector<Complex> back = Transformed(fft, spectrum, m, false);
    EXPECT_LT(oracle::RelativeError(back.data(), x), 1e-12) << "order " << m;

    double timeEnergy = 0;
    double freqEnergy = 0;
    for (int i = 0; i < n; ++i) {
      timeEnergy += x[i].re * x[i].re + x[i].im * x[i].im;
      freqEnergy += spectrum[i].re * spectrum[i].re + spectrum[i].im * spectrum[i].im;
    }
    EXPECT_NEAR(freqEnergy / n, timeEnergy, timeEnergy * 1e-12) << "order " << m;
  }
}

TEST(AnalysisFftTest, ImpulseGivesFlatSpectrumAndConstantGivesSingleBin) {
  FftEngine fft;
  std::vector<Complex> impulse(256, Complex{0, 0});
  impulse[0] = {1, 0};
  for (const Complex& c : Transformed(fft, impulse, 8, true)) {
    EXPECT_DOUBLE_EQ(c.re, 1.0);
    EXPECT_DOUBLE_EQ(c.im, 0.0);
  }
  const std::vector<Complex> constant(256, Complex{3, -2});
  const std::vector<Complex> spectrum = Transformed(fft, constant, 8, true);
  EXPECT_DOUBLE_EQ(spectrum[0].re, 768.0);
  EXPECT_DOUBLE_EQ(spectrum[0].im, -512.0);
  for (int k = 1; k < 256; ++k) EXPECT_NEAR(oracle::Magnitude(spectrum[k]), 0.0, 1e-10) << k;
}

// The tables follow the order asked for; alternating orders (as the power estimate does)
// must rebuild them rather than reuse a table of the wrong length.
TEST(AnalysisFftTest, TablesFollowTheOrderWhenOrdersAlternate) {
  FftEngine fft;
  EXPECT_EQ(fft.ForwardOrder(), 0);
  for (int m : {9, 8, 9, 10, 7, 7, 2}) {
    const std::vector<Complex> x = oracle::RandomSignal(1 << m, m);
    const std::vector<Complex> forward = Transformed(fft, x, m, true);
    EXPECT_EQ(fft.ForwardOrder(), m);
    EXPECT_LT(oracle::RelativeError(forward.data(), oracle::Fftw(x, FFTW_FORWARD)), 1e-12) << m;
    std::vector<Complex> backward = oracle::Fftw(x, FFTW_BACKWARD);
    for (Complex& c : backward) c = {c.re / (1 << m), c.im / (1 << m)};
    const std::vector<Complex> inverse = Transformed(fft, x, m, false);
    EXPECT_EQ(fft.InverseOrder(), m);
    EXPECT_LT(oracle::RelativeError(inverse.data(), backward), 1e-12) << m;
  }
  // Order 0 frees the table and leaves a single value as it is.
  Complex single{5, 6};
  fft.FftForward(&single, 0);
  EXPECT_EQ(fft.ForwardOrder(), 0);
  EXPECT_EQ(single.re, 5);
  EXPECT_EQ(single.im, 6);
}

TEST(AnalysisFftTest, InvalidOrdersLeaveDataUntouched) {
  FftEngine fft;
  Complex x[2] = {{1, 2}, {3, 4}};
  fft.FftForward(x, -1);
  fft.FftInverse(x, FftEngine::kMaxOrder + 1);
  EXPECT_EQ(x[0].re, 1);
  EXPECT_EQ(x[1].im, 4);
  EXPECT_EQ(fft.ForwardOrder(), 0);
}

TEST(AnalysisFftTest, TransformPairMatchesComplexTransformInBothDirections) {
  FftEngine fft;
  const std::vector<Complex> x = oracle::RandomSignal(64, 3);
  std::vector<double> re(65, oracle::kGuard), im(65, oracle::kGuard);
  for (int i = 0; i < 64; ++i) {
    re[i] = x[i].re;
    im[i] = x[i].im;
  }
  fft.TransformPair(re.data(), im.data(), 64, 1);
  std::vector<Complex> got(64);
  for (int i = 0; i < 64; ++i) got[i] = {re[i], im[i]};
  EXPECT_LT(oracle::RelativeError(got.data(), oracle::Fftw(x, FFTW_FORWARD)), 1e-12);
  EXPECT_EQ(re[64], oracle::kGuard);
  EXPECT_EQ(im[64], oracle::kGuard);

  // Any direction other than 1 is the scaled inverse, which brings the input back.
  fft.TransformPair(re.data(), im.data(), 64, -7);
  for (int i = 0; i < 64; ++i) got[i] = {re[i], im[i]};
  EXPECT_LT(oracle::RelativeError(got.data(), x), 1e-12);
}

// Callers are meant to pass powers of two; anything else is transformed zero-padded and
// nothing is written past the count.
TEST(AnalysisFftTest, TransformPairOfOddCountPadsWithoutOverrun) {
  FftEngine fft;
  const std::vector<Complex> x = oracle::RandomSignal(5, 11);
  std::vector<Complex> padded = x;
  padded.resize(8, Complex{0, 0});
  const std::vector<Complex> want = oracle::Fftw(padded, FFTW_FORWARD);
  std::vector<double> re(6, oracle::kGuard), im(6, oracle::kGuard);
  for (int i = 0; i < 5; ++i) {
    re[i] = x[i].re;
    im[i] = x[i].im;
  }
  fft.TransformPair(re.data(), im.data(), 5, 1);
  for (int i = 0; i < 5; ++i) {
    EXPECT_NEAR(re[i], want[i].re, 1e-9);
    EXPECT_NEAR(im[i], want[i].im, 1e-9);
  }
  EXPECT_EQ(re[5], oracle::kGuard);
  EXPECT_EQ(im[5], oracle::kGuard);
  double one = 4, zero = 0;
  fft.TransformPair(&one, &zero, 1, 1);
  EXPECT_EQ(one, 4);
}

TEST(AnalysisFftTest, NotANumberFlowsThroughWithoutHarm) {
  FftEngine fft;
  std::vector<Complex> x(16, Complex{1, 0});
  x[3].re = std::nan("");
  x[5].im = INFINITY;
  x = Transformed(fft, x, 4, true);
  EXPECT_TRUE(std::isnan(x[0].re));
  x = Transformed(fft, x, 4, false);
  EXPECT_TRUE(std::isnan(x[0].re));
}

}  // namespace
