#pragma once

// Test signals whose figures are known in closed form: sines with exact harmonics and Gaussian
// noise of a chosen power, optionally rounded to 16-bit counts.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace signals {

constexpr double kPi = 3.14159265358979323846;

struct Tone {
  double rate = 48000;
  double frequency = 1000;
  double amplitude = 10000;  // counts, of the fundamental
  double phase = 0.3;        // radians
  double offset = 0;         // counts
  // Amplitudes of harmonics 2, 3, ... relative to the fundamental.
  std::vector<double> harmonics;
  double noiseRms = 0;  // counts, white Gaussian
  unsigned seed = 1;
  bool quantise = false;  // round to whole counts and clamp to 16 bits
};

inline std::vector<double> Make(const Tone& t, std::size_t n) {
  std::vector<double> x(n);
  std::mt19937_64 gen(t.seed);
  std::normal_distribution<double> noise(0.0, 1.0);
  for (std::size_t i = 0; i < n; ++i) {
    const double a = 2 * kPi * t.frequency * static_cast<double>(i) / t.rate;
    double v = t.offset + t.amplitude * std::sin(a + t.phase);
    for (std::size_t h = 0; h < t.harmonics.size(); ++h) {
      const double k = static_cast<double>(h + 2);
      v += t.amplitude * t.harmonics[h] * std::sin(k * a + 0.7 * k + t.phase);
    }
    if (t.noiseRms > 0) v += t.noiseRms * noise(gen);
    if (t.quantise) v = std::clamp(std::round(v), -32768.0, 32767.0);
    x[i] = v;
  }
  return x;
}

// A pulse train of duty (0..1) switching between -amplitude and +amplitude, high from phase 0,
// band-limited: its Fourier series up to below half the rate, so no harmonic aliases.
// Harmonic k has the amplitude PulseHarmonic(k, duty) * amplitude.
inline double PulseHarmonic(int k, double duty) {
  return 4 / (kPi * k) * std::fabs(std::sin(kPi * k * duty));
}

inline std::vector<double> Pulse(double rate, double frequency, double duty, double amplitude,
                                 std::size_t n) {
  std::vector<double> x(n, amplitude * (2 * duty - 1));
  for (int k = 1; k * frequency < rate / 2; ++k) {
    const double a = amplitude * 4 / (kPi * k) * std::sin(kPi * k * duty);
    for (std::size_t i = 0; i < n; ++i) {
      // Centred on the middle of the high part.
      const double t = static_cast<double>(i) / rate - duty / (2 * frequency);
      x[i] += a * std::cos(2 * kPi * k * frequency * t);
    }
  }
  return x;
}

// A periodic trapezoid between -amplitude and +amplitude: a rising ramp of rampShare of the
// period from phase 0, the top, a falling ramp of the same length from phase 0.5, the bottom.
// Its mean square is amplitude^2 (1 - 4/3 rampShare).
inline std::vector<double> Trapezoid(double rate, double frequency, double rampShare,
                                     double amplitude, std::size_t n) {
  std::vector<double> x(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double phase = std::fmod(frequency * static_cast<double>(i) / rate + 0.137, 1.0);
    const double up = std::clamp(phase / rampShare, 0.0, 1.0);
    const double down = std::clamp((phase - 0.5) / rampShare, 0.0, 1.0);
    x[i] = amplitude * (-1 + 2 * (up - down));
  }
  return x;
}

// The share of white noise's power that falls between 20 Hz and 20 kHz (or half the rate).
inline double NoiseBandShare(double rate) {
  const double high = std::min(20000.0, rate / 2);
  return (high - 20.0) / (rate / 2);
}

// Interleaved 16-bit little-endian frames of one or two channels.
inline std::vector<unsigned char> Pcm16(const std::vector<double>& left,
                                        const std::vector<double>* right) {
  std::vector<unsigned char> out;
  for (std::size_t i = 0; i < left.size(); ++i) {
    for (int c = 0; c < (right != nullptr ? 2 : 1); ++c) {
      const double v = c == 0 ? left[i] : (*right)[i];
      const auto s = static_cast<int16_t>(std::clamp(std::round(v), -32768.0, 32767.0));
      out.push_back(static_cast<unsigned char>(static_cast<uint16_t>(s) & 0xFF));
      out.push_back(static_cast<unsigned char>(static_cast<uint16_t>(s) >> 8));
    }
  }
  return out;
}

}  // namespace signals
