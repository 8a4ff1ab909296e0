#include "analysis/spectrum_peaks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/fft_engine.h"
#include "analysis/spectrum_levels.h"

namespace {

// The table's spacing and reach in bins: fine enough that the cubic between entries is far
// below the hundredth of a bin read, and wide enough for the main lobe of a window zero-padded
// to twice its length.
constexpr double kStep = 1.0 / 64;
constexpr double kReach = 4.5;

}  // namespace

WindowLobe::WindowLobe(const std::vector<double>& weights, int size)
    : m_weights(weights), m_size(size) {
  if (m_size < 1) m_size = 1;
  if (static_cast<int>(m_weights.size()) > m_size) m_weights.resize(static_cast<size_t>(m_size));
  const int entries = static_cast<int>(kReach / kStep) + 1;
  m_table.resize(static_cast<size_t>(entries));
  for (int k = 0; k < entries; ++k) m_table[static_cast<size_t>(k)] = Direct(k * kStep);
  // The first minimum: where the table stops falling.
  m_halfWidth = kReach;
  for (int k = 1; k + 1 < entries; ++k) {
    if (m_table[static_cast<size_t>(k)] <= m_table[static_cast<size_t>(k + 1)]) {
      m_halfWidth = k * kStep;
      break;
    }
  }
}

double WindowLobe::Direct(double u) const {
  // Summed about the window's middle, where the phase is small, so the rounding of a long sum
  // stays small too; the magnitude does not depend on the reference point. The phasor turns by
  // a fixed step and is set afresh now and then so its error does not build up.
  const double w = 2 * std::numbers::pi * u / m_size;
  const double middle = 0.5 * (static_cast<double>(m_weights.size()) - 1);
  const double stepRe = std::cos(w), stepIm = -std::sin(w);
  double re = 0, im = 0, pr = 1, pi = 0;
  for (size_t i = 0; i < m_weights.size(); ++i) {
    if (i % 256 == 0) {
      const double phase = w * (static_cast<double>(i) - middle);
      pr = std::cos(phase);
      pi = -std::sin(phase);
    }
    re += m_weights[i] * pr;
    im += m_weights[i] * pi;
    const double nr = pr * stepRe - pi * stepIm;
    pi = pr * stepIm + pi * stepRe;
    pr = nr;
  }
  return std::hypot(re, im);
}

double WindowLobe::Gain(double u) const {
  u = std::fabs(u);
  const double pos = u / kStep;
  const int k = static_cast<int>(pos);
  const int entries = static_cast<int>(m_table.size());
  if (k + 2 >= entries) return Direct(u);
  // Cubic through the four entries around u; the one left of 0 is its mirror image.
  const double t = pos - k;
  const double p0 = m_table[static_cast<size_t>(k == 0 ? 1 : k - 1)],
               p1 = m_table[static_cast<size_t>(k)];
  const double p2 = m_table[static_cast<size_t>(k + 1)], p3 = m_table[static_cast<size_t>(k + 2)];
  return p1 +
         0.5 * t * (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 + t * (3 * (p1 - p2) + p3 - p0)));
}

bool WindowLobe::Interpolate(double left, double centre, double right, double& offset,
                             double& magnitude) const {
  if (!(centre > 0) || left > centre || right > centre || left < 0 || right < 0) return false;
  const bool up = right >= left;
  const double ratio = (up ? right : left) / centre;
  // The ratio of the bin a step away to the centre bin, W(1 - d) / W(d), rises from
  // W(1) / W(0) at d = 0 to 1 at d = 1/2; d follows by bisection.
  double d = 0;
  const double atZero = Gain(1.0) / Gain(0.0);
  if (ratio > atZero) {
    double lo = 0, hi = 0.5;
    for (int step = 0; step < 50; ++step) {
      const double mid = 0.5 * (lo + hi);
      if (Gain(1.0 - mid) / Gain(mid) < ratio) {
        lo = mid;
      } else {
        hi = mid;
      }
    }
    d = 0.5 * (lo + hi);
  }
  offset = up ? d : -d;
  magnitude = centre * Gain(0.0) / Gain(d);
  return true;
}

std::vector<SpectrumPeak> FindSpectrumPeaks(const double* magnitudes, int count,
                                            const WindowLobe& lobe, int maxPeaks,
                                            int minSeparation) {
  std::vector<SpectrumPeak> peaks;
  if (magnitudes == nullptr || count < 3 || maxPeaks <= 0) return peaks;
  std::vector<int> candidates;
  for (int k = 1; k + 1 < count; ++k) {
    const double m = magnitudes[k];
    if (m > 0 && m > magnitudes[k - 1] && m >= magnitudes[k + 1]) candidates.push_back(k);
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [magnitudes](int a, int b) { return magnitudes[a] > magnitudes[b]; });
  std::vector<int> kept;
  for (int k : candidates) {
    if (static_cast<int>(kept.size()) >= maxPeaks) break;
    bool clear = true;
    for (int j : kept) clear = clear && std::abs(k - j) >= minSeparation;
    if (clear) kept.push_back(k);
  }
  for (int k : kept) {
    SpectrumPeak p;
    double offset = 0;
    if (!lobe.Interpolate(magnitudes[k - 1], magnitudes[k], magnitudes[k + 1], offset,
                          p.magnitude)) {
      continue;
    }
    p.bin = k + offset;
    peaks.push_back(p);
  }
  std::stable_sort(peaks.begin(), peaks.end(), [](const SpectrumPeak& a, const SpectrumPeak& b) {
    return a.magnitude > b.magnitude;
  });
  return peaks;
}

int DefaultPeakSeparation(const WindowLobe& lobe) {
  return std::max(3, static_cast<int>(std::ceil(lobe.MainLobeHalfWidth() - 1e-9)));
}

int NextLowerPeak(const std::vector<SpectrumPeak>& peaks, double magnitude) {
  for (size_t i = 0; i < peaks.size(); ++i) {
    if (peaks[i].magnitude < magnitude) return static_cast<int>(i);
  }
  return -1;
}

bool ReadPeakNear(const double* magnitudes, int count, const WindowLobe& lobe, double bin,
                  int radius, SpectrumPeak& peak) {
  if (magnitudes == nullptr || count < 3 || !std::isfinite(bin)) return false;
  const int centre = static_cast<int>(std::lround(bin));
  const int from = std::max(1, centre - radius), to = std::min(count - 2, centre + radius);
  int best = -1;
  for (int k = from; k <= to; ++k) {
    const double m = magnitudes[k];
    if (m > 0 && m > magnitudes[k - 1] && m >= magnitudes[k + 1] &&
        (best < 0 || m > magnitudes[best])) {
      best = k;
    }
  }
  if (best < 0) return false;
  double offset = 0;
  if (!lobe.Interpolate(magnitudes[best - 1], magnitudes[best], magnitudes[best + 1], offset,
                        peak.magnitude)) {
    return false;
  }
  peak.bin = best + offset;
  return true;
}

MarkerDelta MarkerDeltaTo(double hz, double db, double referenceHz, double referenceDb) {
  return MarkerDelta{hz - referenceHz, db - referenceDb};
}

std::vector<MeasuredPeak> MeasureSpectrumPeaks(FftEngine& fft, const double* samples, int n,
                                               double sampleRate, int fftWindow, double fullScale,
                                               int count) {
  std::vector<MeasuredPeak> out;
  if (samples == nullptr || n < 8 || count <= 0 || !(sampleRate > 0)) return out;
  int order = 0;
  while (order < FftEngine::kMaxOrder && (2 << order) <= n) ++order;
  const int size = 1 << order;
  const std::vector<double> w = WindowWeights(fftWindow, size);
  double sum = 0;
  for (double v : w) sum += v;
  if (!(sum > 0)) return out;
  std::vector<Complex> x(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i)
    x[static_cast<size_t>(i)] = Complex{samples[i] * w[static_cast<size_t>(i)], 0};
  fft.FftForward(x.data(), order);
  std::vector<double> magnitudes(static_cast<size_t>(size / 2 + 1));
  for (int k = 0; k <= size / 2; ++k) {
    const Complex& c = x[static_cast<size_t>(k)];
    magnitudes[static_cast<size_t>(k)] = std::hypot(c.re, c.im);
  }
  const WindowLobe lobe(w, size);
  for (const SpectrumPeak& p : FindSpectrumPeaks(magnitudes.data(), size / 2 + 1, lobe, count,
                                                 DefaultPeakSeparation(lobe))) {
    // Two bins (the tone and its mirror image) share a sine's energy.
    out.push_back({p.bin * sampleRate / size, AmplitudeToDbfs(2 * p.magnitude / sum, fullScale)});
  }
  return out;
}
