#include "analysis/cursor_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

TEST(CursorReadoutTest, DifferencesNeedBothCursors) {
  struct Case {
    CursorPositions p;
    bool hasDx, hasInvDx, hasDy;
    double dx, invDx, dy;
  };
  const Case cases[] = {
      {{true, true, true, true, 1.0, 3.5, -2.0, 4.0}, true, true, true, 2.5, 0.4, 6.0},
      // Reversed cursors: the span is negative, the frequency is not.
      {{true, true, false, false, 3.0, 1.0, 0, 0}, true, true, false, -2.0, 0.5, 0},
      {{true, false, true, true, 1.0, 3.0, 5.0, 5.0}, false, false, true, 0, 0, 0.0},
      // Cursors on one another: no frequency at all rather than an infinite one.
      {{true, true, false, true, 2.0, 2.0, 0, 7.0}, true, false, false, 0.0, 0, 0},
      {{false, false, false, false, 1, 2, 3, 4}, false, false, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const CursorReadout r = ComputeCursorReadout(c.p);
    EXPECT_EQ(r.hasDx, c.hasDx);
    EXPECT_EQ(r.hasInvDx, c.hasInvDx);
    EXPECT_EQ(r.hasDy, c.hasDy);
    if (c.hasDx) {
      EXPECT_DOUBLE_EQ(r.dx, c.dx);
    }
    if (c.hasInvDx) {
      EXPECT_DOUBLE_EQ(r.invDx, c.invDx);
    }
    if (c.hasDy) {
      EXPECT_DOUBLE_EQ(r.dy, c.dy);
    }
  }
}

TEST(CursorTrackTest, ValueInterpolatesBetweenStraddlingPoints) {
  const double x[] = {0, 1, 2, 4};
  const double y[] = {10, 20, 0, 8};
  const double down[] = {4, 2, 1, 0};
  const double downY[] = {8, 0, 20, 10};
  struct Case {
    const double* x;
    const double* y;
    double at;
    bool found;
    double value;
  };
  const Case cases[] = {
      {x, y, 0.0, true, 10},  {x, y, 0.5, true, 15},       {x, y, 1.5, true, 10},
      {x, y, 3.0, true, 4},   {x, y, 4.0, true, 8},        {x, y, -0.1, false, 0},
      {x, y, 4.01, false, 0}, {down, downY, 3.0, true, 4}, {down, downY, 0.5, true, 15},
      {x, y, NAN, false, 0},
  };
  for (const Case& c : cases) {
    double v = -1;
    EXPECT_EQ(TraceValueAt(c.x, c.y, 4, c.at, v), c.found) << c.at;
    if (c.found) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.at;
    }
  }
  double v = 0;
  EXPECT_FALSE(TraceValueAt(x, y, 0, 0.0, v));
}

// A 1 kHz square of amplitude 1000 sampled at rate, its first rising edge at t0 seconds; with
// harmonics set, only the odd harmonics below half the rate (a band-limited square, as a sound
// card delivers it); noise is the standard deviation of added white noise.
struct Square {
  double rate;
  double t0;
  bool bandLimited;
  double noise;
};

void MakeSquare(const Square& s, std::vector<double>& x, std::vector<double>& y) {
  const int n = static_cast<int>(s.rate * 0.006);
  x.resize(n);
  y.resize(n);
  std::mt19937 gen(7);
  std::normal_distribution<double> noise(0, s.noise > 0 ? s.noise : 1);
  for (int i = 0; i < n; ++i) {
    const double t = i / s.rate;
    x[i] = t * 1000;  // milliseconds, as the oscillograph reads
    const double phase = (t - s.t0) * 1000;
    double v = 0;
    if (s.bandLimited) {
      for (int k = 1; k * 1000 < s.rate / 2; k += 2) {
        v += 4 / std::numbers::pi * std::sin(2 * std::numbers::pi * k * phase) / k;
      }
    } else {
      const double frac = phase - std::floor(phase);
      v = frac < 0.5 ? 1 : -1;
    }
    y[i] = 1000 * v + (s.noise > 0 ? noise(gen) : 0);
  }
}

TEST(CursorSnapTest, TwoSnappedRisingEdgesReadTheSquaresFrequency) {
  const Square squares[] = {
      {48000, 0.0003, false, 0},    {48000, 0.00031, false, 20},  {44100, 0.0003, true, 0},
      {44100, 0.000317, true, 0},   {44100, 0.0002913, true, 10}, {96000, 0.000123, true, 10},
      {48000, 0.00041234, true, 5},
  };
  for (const Square& s : squares) {
    std::vector<double> x, y;
    MakeSquare(s, x, y);
    const double edge1 = s.t0 * 1000 + 1, edge2 = s.t0 * 1000 + 2;  // in ms
    // Dropped a little beside each edge, as a hand does.
    const SnapResult a =
        SnapToTrace(x.data(), y.data(), static_cast<int>(x.size()), edge1 + 0.04, 0.1, 0.6);
    const SnapResult b =
        SnapToTrace(x.data(), y.data(), static_cast<int>(x.size()), edge2 - 0.06, 0.1, 0.6);
    ASSERT_EQ(a.kind, SnapResult::kEdge) << s.rate << " " << s.t0;
    ASSERT_EQ(b.kind, SnapResult::kEdge) << s.rate << " " << s.t0;
    CursorPositions p;
    p.x1On = p.x2On = true;
    p.x1 = a.x / 1000;
    p.x2 = b.x / 1000;
    const CursorReadout r = ComputeCursorReadout(p);
    ASSERT_TRUE(r.hasInvDx);
    EXPECT_NEAR(r.invDx, 1000.0, 0.5) << s.rate << " " << s.t0 << " noise " << s.noise;
    if (s.bandLimited) {
      // A band-limited edge carries its time between samples: each lands on it, to a hundredth
      // of a sample without noise.
      const double samples = s.noise > 0 ? 0.03 : 0.01;
      EXPECT_NEAR(a.x, edge1, samples / s.rate * 1000) << s.rate;
      EXPECT_NEAR(b.x, edge2, samples / s.rate * 1000) << s.rate;
    }
  }
}

TEST(CursorSnapTest, PeaksTroughsAndPlainStretches) {
  // 1 kHz sine of amplitude 1, 48 kHz, in ms: peak at 0.25 ms, trough at 0.75, crossings at
  // 0, 0.5, 1.
  std::vector<double> x(288), y(288);
  for (int i = 0; i < 288; ++i) {
    x[i] = i / 48.0;
    y[i] = std::sin(2 * std::numbers::pi * x[i]);
  }
  struct Case {
    double at;
    SnapResult::Kind kind;
    double where;
    double tolerance;
  };
  const Case cases[] = {
      {0.27, SnapResult::kPeak, 0.25, 1e-3},   {1.22, SnapResult::kPeak, 1.25, 1e-3},
      {0.71, SnapResult::kTrough, 0.75, 1e-3}, {0.53, SnapResult::kEdge, 0.5, 1e-5},
      {0.96, SnapResult::kEdge, 1.0, 1e-5},
  };
  for (const Case& c : cases) {
    const SnapResult r = SnapToTrace(x.data(), y.data(), 288, c.at, 0.1, 1.0);
    EXPECT_EQ(r.kind, c.kind) << c.at;
    EXPECT_NEAR(r.x, c.where, c.tolerance) << c.at;
  }
  // Far from any feature: a plateau of a noisy square stays where it was dropped.
  std::vector<double> sx, sy;
  MakeSquare({48000, 0.0003, false, 20}, sx, sy);
  const SnapResult flat =
      SnapToTrace(sx.data(), sy.data(), static_cast<int>(sx.size()), 1.55, 0.1, 0.6);
  EXPECT_EQ(flat.kind, SnapResult::kNone);
  EXPECT_EQ(flat.x, 1.55);
  // A flat trace has no level to cross.
  std::vector<double> zero(288, 3.0);
  EXPECT_EQ(SnapToTrace(x.data(), zero.data(), 288, 1.0, 0.1, 1.0).kind, SnapResult::kNone);
}

}  // namespace
