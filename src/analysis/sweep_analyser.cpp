#include "analysis/sweep_analyser.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "analysis/correlation_peak.h"
#include "analysis/spectrum_levels.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kPi = std::numbers::pi;
// The share of the strongest reference power added to every bin's before dividing by it. A
// sweep of three decades holds 30 dB less at its top than at its bottom; this is 40 dB further
// down, so it bends the response there by less than 0.001 dB, yet keeps the division from
// lifting noise where the reference holds nearly nothing.
constexpr double kRegularisation = 1e-7;
// Harmonic k's share of the measured record starts and ends as abruptly as the sweep, at k f1
// and k f2, where its spectrum ripples as the reference's does not: its distortion is given
// for fundamentals this many octaves inside the band's ends.
constexpr double kEdgeOctaves = 0.25;
// Above the sweep the division fades out over a third of an octave.
constexpr double kTaperOctaves = 1.0 / 3.0;
// How far each window reaches towards the neighbour before its peak; the rest of the gap
// belongs to that neighbour's tail.
constexpr double kLead = 0.25;

int OrderFor(std::int64_t count) {
  int order = RealFft::kMinOrder;
  while ((std::int64_t{1} << order) < count) ++order;
  return order;
}

// The division's weight at f: above the sweep it fades over a third of an octave, for there
// the reference holds little and a device's harmonics much. Below the sweep it is left whole:
// harmonics only rise in frequency, and a fade there would ring for longer than the window
// before the response's peak, costing the accuracy at the bottom of the band. What little the
// reference holds down there is left to the regularisation.
double BandWeight(double f, double f2) {
  if (f <= f2) return 1.0;
  const double octaves = std::log2(f / f2) / kTaperOctaves;
  return octaves < 1 ? 0.5 * (1.0 + std::cos(kPi * octaves)) : 0.0;
}

// A half Hann fade: 0 at the outer end of a ramp of the given length, 1 at its inner end.
double Fade(int fromEdge, int length) {
  if (length <= 0 || fromEdge >= length) return 1.0;
  return 0.5 * (1.0 - std::cos(kPi * (fromEdge + 0.5) / length));
}

double PowerOf(const Complex& c) { return c.re * c.re + c.im * c.im; }

}  // namespace

SweepAnalyser::SweepAnalyser(const LogSweep& sweep, int harmonics)
    : m_sweep(sweep), m_nHarmonics(std::clamp(harmonics, 1, DistortionTrace::kMaxHarmonic)) {}

void SweepAnalyser::Clear() {
  m_dLatency = 0;
  m_nWindow = 0;
  for (auto& v : m_impulse) v.clear();
  m_zero.fill(0);
  m_response.Resize(0);
  m_distortion.frequencyHz.clear();
  m_distortion.thdDb.clear();
  m_distortion.thdPercent.clear();
  for (auto& v : m_distortion.harmonicDb) v.clear();
}

void SweepAnalyser::CutWindow(const std::vector<double>& h, int k, double centre, int pre, int post,
                              std::vector<Complex>& spectrum) {
  const int n = static_cast<int>(h.size());
  const int whole = static_cast<int>(std::lround(centre));
  const double fraction = centre - whole;
  std::vector<double>& impulse = m_impulse[k];
  impulse.assign(static_cast<std::size_t>(pre + post), 0.0);
  m_zero[k] = pre;
  // The outer tenth before the peak and fifth after it fade, so that the cut does not ring
  // across the spectrum.
  const int fadeIn = std::max(1, pre / 10), fadeOut = std::max(1, post / 5);
  for (int i = -pre; i < post; ++i) {
    const int at = ((whole + i) % n + n) % n;
    const double w = i < 0 ? Fade(i + pre, fadeIn) : Fade(post - 1 - i, fadeOut);
    impulse[i + pre] = h[at] * w;
  }
  // The transform's time origin sits on the peak's whole sample: the windowed response is laid
  // in circularly, its part before the peak at the end.
  std::fill(m_buffer.begin(), m_buffer.begin() + m_nWindow, 0.0);
  for (int i = -pre; i < post; ++i) m_buffer[(i + m_nWindow) % m_nWindow] = impulse[i + pre];
  spectrum.resize(m_nWindow / 2 + 1);
  m_windowFft->Forward(m_buffer.data(), spectrum.data());
  // And the fraction of a sample the peak lies beyond it comes out of the phase.
  const double step = 2.0 * kPi * fraction / m_nWindow;
  for (int j = 0; j < m_nWindow / 2 + 1; ++j) {
    const double a = step * j;
    const double c = std::cos(a), s = std::sin(a);
    const Complex v = spectrum[j];
    spectrum[j] = {v.re * c - v.im * s, v.re * s + v.im * c};
  }
}

bool SweepAnalyser::Prepare(std::int64_t count) {
  // A quarter of a second of room beyond the records for the response to die away in.
  const int order = OrderFor(count + static_cast<std::int64_t>(m_sweep.Rate() / 4));
  if (count <= 0 || order > RealFft::kMaxOrder) return false;
  // A larger plan already built serves as well: the records are only padded further.
  if (!m_fft || order > m_nOrder) {
    m_fft = std::make_unique<RealFft>(order);
    m_inverse = std::make_unique<RealInverseFft>(order);
    m_nOrder = order;
  }
  return true;
}

bool SweepAnalyser::Deconvolve(const double* reference, std::int64_t referenceCount,
                               const double* measured, std::int64_t measuredCount, bool lessMeans,
                               std::vector<double>& h) {
  const int n = 1 << m_nOrder;
  const int bins = n / 2 + 1;
  const double rate = m_sweep.Rate();
  m_x.resize(bins);
  m_y.resize(bins);
  const auto load = [&](const double* record, std::int64_t count, std::vector<Complex>& out) {
    double mean = 0;
    if (lessMeans) {
      for (std::int64_t i = 0; i < count; ++i) mean += record[i];
      mean /= static_cast<double>(count);
    }
    std::fill(m_buffer.begin(), m_buffer.end(), 0.0);
    for (std::int64_t i = 0; i < count; ++i) m_buffer[i] = record[i] - mean;
    m_fft->Forward(m_buffer.data(), out.data());
  };
  load(reference, referenceCount, m_x);
  load(measured, measuredCount, m_y);
  double strongest = 0;
  for (const Complex& x : m_x) strongest = std::max(strongest, PowerOf(x));
  if (!(strongest > 0)) return false;
  const double floor = kRegularisation * strongest;
  for (int k = 0; k < bins; ++k) {
    const double weight = BandWeight(k * rate / n, m_sweep.StopHz());
    const Complex x = m_x[k], y = m_y[k];
    const double scale = weight / (PowerOf(x) + floor);
    // y conj(x) / (|x|^2 + floor), kept in m_y.
    m_y[k] = {(y.re * x.re + y.im * x.im) * scale, (y.im * x.re - y.re * x.im) * scale};
  }
  h.assign(n, 0.0);
  m_inverse->Inverse(m_y.data(), h.data());
  return true;
}

void SweepAnalyser::RestoreDirectGain(std::vector<double>& h, int pre, int post) const {
  // Without the means the response has lost its sum: every sample carries minus the device's
  // gain at 0 Hz over the transform's length. A steady offset is nothing in the linear window,
  // but the harmonics' windows are long and faded quickly, and turn it into a level at their
  // lowest bins: a wire read -70 dB of second harmonic at 30 Hz from it. The gain at 0 Hz is
  // the sum of the linear impulse response, which its window holds less its own share of the
  // offset; a device that blocks DC sums to nothing there and is left as it is.
  const int n = static_cast<int>(h.size());
  const int span = pre + post;
  if (n <= 0 || span <= 0 || 2 * span > n) return;
  const int whole = static_cast<int>(std::lround(m_dLatency));
  double sum = 0;
  for (int i = -pre; i < post; ++i) sum += h[((whole + i) % n + n) % n];
  const double offset = sum / (n - span);
  for (double& v : h) v += offset;
}

bool SweepAnalyser::Analyse(const double* reference, std::int64_t referenceCount,
                            const double* measured, std::int64_t measuredCount) {
  Clear();
  const double rate = m_sweep.Rate();
  if (!LogSweep::Valid(m_sweep.StartHz(), m_sweep.StopHz(), m_sweep.Seconds(), rate) ||
      referenceCount <= 0 || measuredCount <= 0)
    return false;
  const std::int64_t longest = std::max(referenceCount, measuredCount);
  if (!Prepare(longest)) return false;
  const int n = 1 << m_nOrder;
  m_buffer.assign(n, 0.0);
  // The linear response from the records as they are: taking out a mean would subtract a step
  // the device never saw, whose edges the device would have smoothed, and bend the response
  // where it is small.
  if (!Deconvolve(reference, referenceCount, measured, measuredCount, false, m_h)) return false;
  // The linear response is the strongest: the harmonics of any device worth measuring are
  // weaker than the fundamental.
  const int lag = LargestLag(m_h.data(), n);
  m_dLatency = RefineLag(m_y.data(), n / 2 + 1, lag);
  // Windows: harmonic k sits L ln k before the linear response; each reaches kLead of the way
  // towards the next higher harmonic and the rest towards the next lower one.
  const double perSecond = m_sweep.GrowthTime() * rate;
  const auto gap = [&](int k) { return perSecond * std::log((k + 1.0) / k); };
  std::array<int, DistortionTrace::kMaxHarmonic + 1> pre{}, post{};
  int longestWindow = 0;
  for (int k = 2; k <= m_nHarmonics; ++k) {
    pre[k] = static_cast<int>(kLead * gap(k));
    post[k] = static_cast<int>((1 - kLead) * gap(k - 1));
    longestWindow = std::max(longestWindow, pre[k] + post[k]);
  }
  pre[1] = static_cast<int>(kLead * gap(1));
  longestWindow = std::max(longestWindow, pre[1] + static_cast<int>((1 - kLead) * gap(1)));
  m_nWindow = std::min(n, 1 << OrderFor(std::max<std::int64_t>(longestWindow, 4096)));
  // The linear response may use the whole transform, as long as it stays clear of the
  // harmonics beyond the last one analysed, which wrap around towards its tail.
  const int clear = static_cast<int>(n - perSecond * std::log(m_nHarmonics + 1.0)) - pre[1];
  post[1] = std::max(1, std::min(m_nWindow - pre[1], clear));
  for (int k = 2; k <= m_nHarmonics; ++k) {
    pre[k] = std::min(pre[k], m_nWindow / 2);
    post[k] = std::min(post[k], m_nWindow - pre[k]);
  }
  // The harmonics from the records less their means. Even harmonics come with a shift of the
  // output's mean for as long as the sweep plays; the steps at its start and end would spread
  // through the deconvolution into the harmonics' windows, at the very frequencies measured
  // there. Less the means, those steps are small.
  if (m_nHarmonics > 1) {
    Deconvolve(reference, referenceCount, measured, measuredCount, true, m_hLessMeans);
    RestoreDirectGain(m_hLessMeans, pre[1], post[1]);
  }
  if (!m_windowFft || m_windowFft->Size() != m_nWindow) {
    m_windowFft = std::make_unique<RealFft>(OrderFor(m_nWindow));
  }
  for (int k = 1; k <= m_nHarmonics; ++k) {
    const double centre = m_dLatency - perSecond * std::log(static_cast<double>(k));
    CutWindow(k == 1 ? m_h : m_hLessMeans, k, centre, pre[k], post[k], m_spectra[k]);
  }

  // The response, on the window's bins, across the sweep.
  const int windowBins = m_nWindow / 2 + 1;
  const double binHz = rate / m_nWindow;
  m_response.Resize(windowBins);
  const std::vector<Complex>& h1 = m_spectra[1];
  for (int j = 0; j < windowBins; ++j) {
    const double f = j * binHz;
    m_response.frequencyHz[j] = f;
    if (f < m_sweep.StartHz() || f > m_sweep.StopHz()) continue;
    const double magnitude = std::sqrt(PowerOf(h1[j]));
    m_response.gainDb[j] =
        magnitude > 0 ? std::max(kLevelFloorDb, 20.0 * std::log10(magnitude)) : kLevelFloorDb;
    m_response.phaseDeg[j] = std::atan2(h1[j].im, h1[j].re) * 180.0 / kPi;
    const int lo = std::max(0, j - 1), hi = std::min(windowBins - 1, j + 1);
    const Complex a = h1[lo], b = h1[hi];
    const double step = std::atan2(a.re * b.im - a.im * b.re, a.re * b.re + a.im * b.im);
    m_response.groupDelaySeconds[j] = -step / (2.0 * kPi * binHz * (hi - lo));
  }
  UnwrapDegrees(m_response.phaseDeg.data(), m_response.phaseUnwrappedDeg.data(), windowBins);

  // Distortion at each fundamental whose second harmonic the sweep still covers.
  const int last = std::min(windowBins - 1, static_cast<int>(m_sweep.StopHz() / 2 / binHz));
  const int first = std::max(1, static_cast<int>(std::ceil(m_sweep.StartHz() / binHz)));
  const int points = std::max(0, last - first + 1);
  m_distortion.frequencyHz.resize(points);
  m_distortion.thdDb.assign(points, kNaN);
  m_distortion.thdPercent.assign(points, kNaN);
  for (int k = 2; k <= DistortionTrace::kMaxHarmonic; ++k) {
    m_distortion.harmonicDb[k].assign(k <= m_nHarmonics ? points : 0, kNaN);
  }
  const double edge = std::exp2(kEdgeOctaves);
  for (int i = 0; i < points; ++i) {
    const int j = first + i;
    m_distortion.frequencyHz[i] = j * binHz;
    const double fundamental = PowerOf(h1[j]);
    if (!(fundamental > 0)) continue;
    double sum = 0;
    bool any = false;
    const double f = j * binHz;
    if (f < m_sweep.StartHz() * edge) continue;
    for (int k = 2; k <= m_nHarmonics; ++k) {
      if (k * j >= windowBins || k * f * edge > m_sweep.StopHz()) break;
      const double ratio = PowerOf(m_spectra[k][k * j]) / fundamental;
      m_distortion.harmonicDb[k][i] = std::max(kLevelFloorDb, 10.0 * std::log10(ratio));
      sum += ratio;
      any = true;
    }
    if (!any) continue;
    m_distortion.thdDb[i] =
        sum > 0 ? std::max(kLevelFloorDb, 10.0 * std::log10(sum)) : kLevelFloorDb;
    m_distortion.thdPercent[i] = 100.0 * std::sqrt(sum);
  }
  return true;
}
