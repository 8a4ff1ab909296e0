#include "analysis/real_inverse_fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis_oracles.h"
#include "response_signals.h"

namespace {

// Spectra of random real sequences made by FFTW must come back as the sequences, scaled, with
// nothing written past the N outputs.
TEST(AnalysisRealInverseFftTest, UndoesFftwTransformsOfRealSequences) {
  for (int order : {2, 3, 5, 10, 16}) {
    const int n = 1 << order;
    std::vector<double> x = oracle::WhiteNoise(n, 40u + order, 100.0);
    std::vector<double> copy(x);
    fftw_complex* spectrum = fftw_alloc_complex(n / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(n, copy.data(), spectrum, FFTW_ESTIMATE);
    fftw_execute(plan);
    std::vector<Complex> bins(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k) bins[k] = {spectrum[k][0], spectrum[k][1]};
    fftw_destroy_plan(plan);
    fftw_free(spectrum);
    // A real sequence cannot have these: they must be ignored.
    bins[0].im = 1e6;
    bins[n / 2].im = -1e6;

    RealInverseFft inverse(order);
    ASSERT_EQ(inverse.Size(), n);
    std::vector<double> out(n + 1, 9.0);
    out[n] = oracle::kGuard;
    inverse.Inverse(bins.data(), out.data());
    double worst = 0, largest = 0;
    for (int i = 0; i < n; ++i) {
      worst = std::max(worst, std::fabs(out[i] - x[i]));
      largest = std::max(largest, std::fabs(x[i]));
    }
    EXPECT_LT(worst, 1e-11 * largest) << "order " << order;
    EXPECT_EQ(out[n], oracle::kGuard) << "order " << order;
  }
}

TEST(AnalysisRealInverseFftTest, OrdersOutsideTheRangeDoNothing) {
  for (int order : {-1, 0, 1, 21}) {
    RealInverseFft inverse(order);
    EXPECT_EQ(inverse.Size(), 0);
    std::vector<Complex> bins(4, Complex{1, 1});
    std::vector<double> out(4, 7.0);
    inverse.Inverse(bins.data(), out.data());
    EXPECT_EQ(out[0], 7.0);
  }
}

}  // namespace
