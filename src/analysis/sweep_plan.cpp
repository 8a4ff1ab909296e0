#include "analysis/sweep_plan.h"

#include <algorithm>
#include <cmath>
#include <numbers>

SweepPlan PlanLogSweep(double f1, double f2, double seconds, double rate) {
  SweepPlan sweep;
  sweep.f1 = f1;
  sweep.f2 = f2;
  sweep.rate = rate;
  if (!(f1 > 0) || !(f2 > f1) || !(seconds > 0) || !(rate > 0)) return sweep;
  const double span = std::log(f2 / f1);
  const double whole = std::max(1.0, std::round(f1 * seconds / span));
  sweep.L = whole / f1;
  sweep.duration = sweep.L * span;
  return sweep;
}

std::int64_t LogSweepSamples(const SweepPlan& sweep) {
  return static_cast<std::int64_t>(std::ceil(sweep.duration * sweep.rate - 1e-9));
}

double LogSweepValue(const SweepPlan& sweep, double t) {
  // The whole turns 2 pi f1 L m are dropped before the sine: f1 L is whole, so only the
  // fractional turns of f1 L expm1(t / L) matter, and they keep their precision late in the
  // sweep.
  const double turns = sweep.f1 * sweep.L * std::expm1(t / sweep.L);
  return std::sin(2.0 * std::numbers::pi * (turns - std::floor(turns)));
}

void GenerateLogSweep(const SweepPlan& sweep, double amplitude, double* out, std::int64_t count) {
  if (!(sweep.L > 0)) {
    for (std::int64_t n = 0; n < count; ++n) out[n] = 0;
    return;
  }
  for (std::int64_t n = 0; n < count; ++n) {
    out[n] = amplitude * LogSweepValue(sweep, static_cast<double>(n) / sweep.rate);
  }
}

double LogSweepFrequency(const SweepPlan& sweep, double t) {
  return sweep.f1 * std::exp(t / sweep.L);
}

double HarmonicAdvance(const SweepPlan& sweep, int k) {
  return k > 0 ? sweep.L * std::log(static_cast<double>(k)) : 0;
}
