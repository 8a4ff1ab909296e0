#pragma once

#include <cstdint>

// The response analyser's plan of an exponential (logarithmic) sine sweep from f1 to f2 hertz,
// the same sweep the generator plays (analysis/log_sweep.h):
//   x(t) = sin(2 pi f1 L (exp(t / L) - 1)),  0 <= t < duration,
// whose instantaneous frequency f1 exp(t / L) climbs by equal ratios in equal times. L is
// T / ln(f2 / f1) for the asked duration T, rounded so that f1 L is a whole number; the
// duration is then L ln(f2 / f1). With f1 L whole, harmonic k of the sweep, sin(k phase(t)), is
// exactly the sweep itself advanced by L ln k, so a deconvolution puts each harmonic's impulse
// response at -L ln k with its true phase.
struct SweepPlan {
  double f1 = 20;       // hertz
  double f2 = 20000;    // hertz
  double rate = 48000;  // samples a second
  double L = 0;         // seconds
  double duration = 0;  // seconds
};

// Plans the sweep for an asked duration (seconds). f1 L is at least 1; non-positive or
// reversed frequencies and durations give a sweep of duration 0.
SweepPlan PlanLogSweep(double f1, double f2, double seconds, double rate);

// Number of samples the sweep lasts: the duration times the rate, rounded up.
std::int64_t LogSweepSamples(const SweepPlan& sweep);

// The sweep's value at t seconds.
double LogSweepValue(const SweepPlan& sweep, double t);

// Writes count samples of amplitude times the sweep, sample n at t = n / rate.
void GenerateLogSweep(const SweepPlan& sweep, double amplitude, double* out, std::int64_t count);

// The instantaneous frequency at t seconds, and the time (seconds) by which harmonic k leads.
double LogSweepFrequency(const SweepPlan& sweep, double t);
double HarmonicAdvance(const SweepPlan& sweep, int k);
