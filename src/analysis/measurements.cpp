#include "analysis/measurements.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "analysis/complex.h"
#include "analysis/fft_engine.h"
#include "analysis/pcm_samples.h"

namespace {

struct QuantityInfo {
  std::string_view name;
  std::string_view unit;
};

constexpr QuantityInfo kInfo[kQuantityCount] = {
    {"frequency", "Hz"}, {"period", "ms"},
    {"vpp", "mV"},       {"vmax", "mV"},
    {"vmin", "mV"},      {"mean", "mV"},
    {"rms", "mV"},       {"ac_rms", "mV"},
    {"dbfs", "dBFS"},    {"crest", ""},
    {"duty", "%"},       {"rise", "ms"},
    {"fall", "ms"},      {"peak_frequency", "Hz"},
    {"thd", "%"},        {"thd_db", "dB"},
    {"thd_n", "%"},      {"thd_n_db", "dB"},
    {"sinad", "dB"},     {"snr", "dB"},
    {"enob", "bits"},
};

constexpr double kPi = std::numbers::pi;
constexpr int kMaxHarmonic = 10;
constexpr double kNoiseBandLow = 20;
constexpr double kNoiseBandHigh = 20000;
// The strongest line must stand this far (power ratio, 30 dB) above the median spectral level
// to count as a tone; noise alone stays about 12 dB below it even in a long record.
constexpr double kToneOverMedian = 1000;
// A line below this share of the largest sample is the rounding of a constant, not a tone.
constexpr double kLineFloor = 1e-7;
// What the harmonic fit may leave, against the fundamental's amplitude, for its crest to count.
constexpr double kExplainedAmplitude = 1e-3;
// Harmonics (their power against the fundamental's, -30 dB) that still make a sine.
constexpr double kSmallHarmonics = 1e-3;
// Gauss-Newton steps of the harmonic model's frequency at most; two or three are the rule.
constexpr int kMaxFrequencySteps = 6;
// Ratios below this floor read as the floor (-300 dB) instead of minus infinity.
constexpr double kRatioFloor = 1e-30;
// Phasors are recomputed exactly this often so that the rotation's rounding never builds up.
constexpr std::size_t kResyncEvery = 512;

void Set(ChannelMeasurement& m, Quantity q, double v) {
  const auto i = static_cast<std::size_t>(q);
  m.value[i] = v;
  m.valid[i] = std::isfinite(v);
}

double Db(double ratio) { return 10 * std::log10(std::max(ratio, kRatioFloor)); }

// Four-term Blackman-Harris weight of sample i of n: sidelobes 92 dB down, so a part period at
// either end of the record hardly moves a weighted mean.
double BlackmanHarris(std::size_t i, std::size_t n) {
  const double a = 2 * kPi * static_cast<double>(i) / static_cast<double>(n);
  return 0.35875 - 0.48829 * std::cos(a) + 0.14128 * std::cos(2 * a) - 0.01168 * std::cos(3 * a);
}

// Solves the k x k system a x = b in place (a row-major) by elimination with partial pivoting;
// false when it is singular.
bool Solve(std::vector<double>& a, std::vector<double>& b, int k) {
  for (int col = 0; col < k; ++col) {
    int pivot = col;
    for (int r = col + 1; r < k; ++r) {
      if (std::fabs(a[r * k + col]) > std::fabs(a[pivot * k + col])) pivot = r;
    }
    if (!(std::fabs(a[pivot * k + col]) > 0)) return false;
    if (pivot != col) {
      for (int c = 0; c < k; ++c) std::swap(a[col * k + c], a[pivot * k + c]);
      std::swap(b[col], b[pivot]);
    }
    for (int r = col + 1; r < k; ++r) {
      const double f = a[r * k + col] / a[col * k + col];
      if (f == 0) continue;
      for (int c = col; c < k; ++c) a[r * k + c] -= f * a[col * k + c];
      b[r] -= f * b[col];
    }
  }
  for (int r = k - 1; r >= 0; --r) {
    double s = b[r];
    for (int c = r + 1; c < k; ++c) s -= a[r * k + c] * b[c];
    b[r] = s / a[r * k + r];
  }
  return true;
}

// e^(j w t) along t = i - (n - 1) / 2, the record's middle at t = 0 so that even and odd parts
// of the fit separate.
class Phasor {
 public:
  Phasor(double w, std::size_t n) : m_w(w), m_centre(0.5 * static_cast<double>(n - 1)) {
    m_step = std::polar(1.0, w);
  }
  double T(std::size_t i) const { return static_cast<double>(i) - m_centre; }
  // The phasor of sample i; call for i = 0, 1, 2, ... in turn.
  std::complex<double> Next(std::size_t i) {
    if (i % kResyncEvery == 0) {
      m_z = std::polar(1.0, m_w * T(i));
    } else {
      m_z *= m_step;
    }
    return m_z;
  }

 private:
  double m_w;
  double m_centre;
  std::complex<double> m_step;
  std::complex<double> m_z;
};

struct SineFit {
  double a = 0, b = 0, d = 0;  // a cos(w t) + b sin(w t) + d
  double w = 0;                // radians a sample
};

// The least-squares sine through x, found by Gauss-Newton steps on the four parameters from a
// frequency that is already within a fraction of a spectral bin.
SineFit FitSine(const double* x, std::size_t n, double w0) {
  SineFit f;
  f.w = w0;
  const double invN = 1.0 / static_cast<double>(n);
  // The frequency step is never more than a quarter of the record's resolution at once.
  const double maxStep = 0.25 * 2 * kPi * invN;
  bool haveAmplitude = false;
  for (int iteration = 0; iteration < 12; ++iteration) {
    Phasor p(f.w, n);
    double jj[16] = {};
    double jr[4] = {};
    const int k = haveAmplitude ? 4 : 3;
    for (std::size_t i = 0; i < n; ++i) {
      const std::complex<double> z = p.Next(i);
      const double c = z.real(), s = z.imag();
      const double g = p.T(i) * invN * (-f.a * s + f.b * c);
      const double col[4] = {c, s, 1.0, g};
      const double r = x[i] - (f.a * c + f.b * s + f.d);
      for (int u = 0; u < k; ++u) {
        jr[u] += col[u] * r;
        for (int v = u; v < k; ++v) jj[u * 4 + v] += col[u] * col[v];
      }
    }
    std::vector<double> a(static_cast<std::size_t>(k * k));
    std::vector<double> b(jr, jr + k);
    for (int u = 0; u < k; ++u) {
      for (int v = 0; v < k; ++v) a[u * k + v] = u <= v ? jj[u * 4 + v] : jj[v * 4 + u];
    }
    if (!Solve(a, b, k)) break;
    f.a += b[0];
    f.b += b[1];
    f.d += b[2];
    if (!haveAmplitude) {
      haveAmplitude = true;
      continue;
    }
    const double step = std::clamp(b[3] * invN, -maxStep, maxStep);
    f.w += step;
    // The harmonic model refines the frequency further: a thousandth of a degree over the
    // record is close enough to start from.
    if (std::fabs(step) * static_cast<double>(n) < 2e-5) break;
  }
  return f;
}

// sum over the record of cos(m w t), t centred as in Phasor.
double Dirichlet(int m, double w, std::size_t n) {
  if (m == 0) return static_cast<double>(n);
  const double half = 0.5 * m * w;
  const double den = std::sin(half);
  if (std::fabs(den) < 1e-9) {
    double s = 0;
    Phasor p(m * w, n);
    for (std::size_t i = 0; i < n; ++i) s += p.Next(i).real();
    return s;
  }
  return std::sin(static_cast<double>(n) * half) / den;
}

// The fitted record: a constant and the first h harmonics of w, each as cosine and sine.
struct HarmonicFit {
  double dc = 0;
  std::vector<double> cosine;  // index 0 is the fundamental
  std::vector<double> sine;
  double Power(int h) const { return 0.5 * (cosine[h] * cosine[h] + sine[h] * sine[h]); }
};

// The normal matrices of a constant and harmonics 1..h of w over the centred record: with the
// record centred the cosine part (constant first, h + 1 square) and the sine part (h square) are
// two separate systems whose sums have closed forms.
struct NormalMatrices {
  int h = 0;
  std::vector<double> cosine;
  std::vector<double> sine;
};

void BuildNormalMatrices(double w, std::size_t n, int h, NormalMatrices& m) {
  std::vector<double> d(static_cast<std::size_t>(2 * h + 1));
  for (int k = 0; k <= 2 * h; ++k) d[k] = Dirichlet(k, w, n);
  const int kc = h + 1;
  m.h = h;
  m.cosine.assign(static_cast<std::size_t>(kc * kc), 0.0);
  m.sine.assign(static_cast<std::size_t>(h * h), 0.0);
  m.cosine[0] = d[0];
  for (int u = 1; u <= h; ++u) {
    m.cosine[u] = m.cosine[u * kc] = d[u];
    for (int v = 1; v <= h; ++v) {
      m.cosine[u * kc + v] = 0.5 * (d[std::abs(u - v)] + d[u + v]);
      m.sine[(u - 1) * h + v - 1] = 0.5 * (d[std::abs(u - v)] - d[u + v]);
    }
  }
}

// Joint least squares of a constant and harmonics 1..h of w.
bool FitHarmonics(const double* x, std::size_t n, double w, int h, HarmonicFit& fit,
                  NormalMatrices& normal) {
  std::vector<double> projCos(static_cast<std::size_t>(h), 0.0);
  std::vector<double> projSin(static_cast<std::size_t>(h), 0.0);
  double sum = 0;
  Phasor p(w, n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::complex<double> z = p.Next(i);
    std::complex<double> zh = z;
    sum += x[i];
    for (int k = 0; k < h; ++k) {
      projCos[k] += x[i] * zh.real();
      projSin[k] += x[i] * zh.imag();
      zh *= z;
    }
  }
  BuildNormalMatrices(w, n, h, normal);
  std::vector<double> a = normal.cosine;
  std::vector<double> b(static_cast<std::size_t>(h + 1));
  b[0] = sum;
  std::copy(projCos.begin(), projCos.end(), b.begin() + 1);
  if (!Solve(a, b, h + 1)) return false;
  fit.dc = b[0];
  fit.cosine.assign(b.begin() + 1, b.end());
  std::vector<double> as = normal.sine;
  if (!Solve(as, projSin, h)) return false;
  fit.sine = projSin;
  return true;
}

// v' M^-1 v for the k x k matrix m; NAN when it is singular.
double InverseQuadraticForm(const std::vector<double>& m, const std::vector<double>& v, int k) {
  std::vector<double> a = m;
  std::vector<double> y = v;
  if (!Solve(a, y, k)) return NAN;
  double s = 0;
  for (int i = 0; i < k; ++i) s += v[i] * y[i];
  return s;
}

// The largest power of two not above n.
std::size_t PowerOfTwoWithin(std::size_t n, int& order) {
  std::size_t size = 1;
  order = 0;
  while (size * 2 <= n) {
    size <<= 1;
    ++order;
  }
  return size;
}

// What one thread keeps between measurements: the transform's tables, the window weights for
// the last lengths and the transform buffers.
struct Workspace {
  FftEngine fft;
  std::vector<double> levelWeights;     // Blackman-Harris, for the record
  std::vector<double> hann;             // for the spectrum's stretch
  std::vector<double> residualWeights;  // Blackman-Harris, for the residual's stretch
  std::vector<Complex> buffer;

  const std::vector<double>& LevelWeights(std::size_t n) {
    if (levelWeights.size() != n) {
      levelWeights.resize(n);
      for (std::size_t i = 0; i < n; ++i) levelWeights[i] = BlackmanHarris(i, n);
    }
    return levelWeights;
  }
  const std::vector<double>& Hann(std::size_t n) {
    if (hann.size() != n) {
      hann.resize(n);
      for (std::size_t i = 0; i < n; ++i) {
        hann[i] = 0.5 - 0.5 * std::cos(2 * kPi * static_cast<double>(i) / static_cast<double>(n));
      }
    }
    return hann;
  }
  const std::vector<double>& ResidualWeights(std::size_t n) {
    if (residualWeights.size() != n) {
      residualWeights.resize(n);
      for (std::size_t i = 0; i < n; ++i) residualWeights[i] = BlackmanHarris(i, n);
    }
    return residualWeights;
  }
};

Workspace& ThreadWorkspace() {
  thread_local Workspace workspace;
  return workspace;
}

// Crossings with hysteresis between the 10 % and 90 % levels: edge times, rise and fall times
// (10 % to 90 %), in samples.
struct Edges {
  std::vector<double> rising50;
  double riseSum = 0, fallSum = 0;
  int rises = 0, falls = 0;
};

double Cross(const double* x, std::size_t i, double level) {
  // Where the line from sample i to i + 1 meets level.
  const double d = x[i + 1] - x[i];
  return static_cast<double>(i) + (d != 0 ? (level - x[i]) / d : 0.5);
}

Edges FindEdges(const double* x, std::size_t n, double lo, double hi) {
  Edges e;
  const double l10 = lo + 0.1 * (hi - lo), l50 = lo + 0.5 * (hi - lo), l90 = lo + 0.9 * (hi - lo);
  enum { kUnknown, kLow, kHigh } state = kUnknown;
  // Last samples at or beyond the 10 % and 50 % levels of the state the signal is leaving.
  std::size_t last10 = 0, last50 = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double v = x[i];
    if (state != kHigh && v >= l90) {
      if (state == kLow && i > 0) {
        const double t90 = Cross(x, i - 1, l90);
        const double t10 = Cross(x, last10, l10);
        e.rising50.push_back(Cross(x, last50, l50));
        e.riseSum += t90 - t10;
        ++e.rises;
      }
      state = kHigh;
    } else if (state != kLow && v <= l10) {
      if (state == kHigh && i > 0) {
        const double t10 = Cross(x, i - 1, l10);
        const double t90 = Cross(x, last10, l90);
        e.fallSum += t10 - t90;
        ++e.falls;
      }
      state = kLow;
    }
    if (state == kLow) {
      if (v <= l10) last10 = i;
      if (v <= l50) last50 = i;
    } else if (state == kHigh) {
      if (v >= l90) last10 = i;
      if (v >= l50) last50 = i;
    }
  }
  return e;
}

// How long the line through the samples stays above level between times t0 and t1 (samples).
double TimeAbove(const double* x, std::size_t n, double t0, double t1, double level) {
  double total = 0;
  for (auto i = static_cast<std::size_t>(std::max(0.0, std::floor(t0)));
       i + 1 < n && static_cast<double>(i) < t1; ++i) {
    const double a = std::max(t0, static_cast<double>(i));
    const double b = std::min(t1, static_cast<double>(i + 1));
    if (!(b > a)) continue;
    const double slope = x[i + 1] - x[i];
    const double ya = x[i] + slope * (a - static_cast<double>(i));
    const double yb = x[i] + slope * (b - static_cast<double>(i));
    if (ya >= level && yb >= level) {
      total += b - a;
    } else if (ya > level || yb > level) {
      const double tc = a + (level - ya) / (yb - ya) * (b - a);
      total += ya > level ? tc - a : b - tc;
    }
  }
  return total;
}

// Mean share of each whole period (rising to rising edge: a cycle that reached both the 10 %
// and the 90 % level) spent above the 50 % level. Swings that turn back before the far level
// are no cycles of their own: their time above 50 % counts in the period that holds them.
double DutyCycle(const double* x, std::size_t n, const Edges& e, double lo, double hi) {
  const double l50 = lo + 0.5 * (hi - lo);
  double sum = 0;
  int periods = 0;
  for (std::size_t r = 0; r + 1 < e.rising50.size(); ++r) {
    const double t0 = e.rising50[r], t1 = e.rising50[r + 1];
    if (!(t1 > t0)) continue;
    sum += TimeAbove(x, n, t0, t1, l50) / (t1 - t0);
    ++periods;
  }
  return periods > 0 ? 100 * sum / periods : NAN;
}

// The line a periodic wave is built on: the lowest line of which every strong line (within
// kStrongLine of the strongest, at bin peak) is a harmonic. A pulse train's harmonics can
// outweigh its fundamental in a windowed spectrum; its fundamental is still among the strongest
// lines. Returns the bin of that line's top.
constexpr double kStrongLine = 0.1;  // 10 dB below the strongest line
constexpr int kMaxDivisor = 16;

// The top of the line at bin k between bins, by a parabola through the log levels: the Hann
// lobe is nearly Gaussian.
double InterpolatedBin(const std::vector<double>& power, std::size_t k) {
  const double a = std::log(std::max(power[k - 1], 1e-300));
  const double b = std::log(std::max(power[k], 1e-300));
  const double c = std::log(std::max(power[k + 1], 1e-300));
  const double den = a - 2 * b + c;
  const double delta = den < 0 ? std::clamp(0.5 * (a - c) / den, -0.5, 0.5) : 0.0;
  return static_cast<double>(k) + delta;
}

std::size_t FundamentalBin(const std::vector<double>& power, std::size_t peak, std::size_t first,
                           std::size_t half) {
  const double strong = kStrongLine * power[peak];
  std::vector<std::size_t> lines;
  for (std::size_t k = first + 1; k + 1 < half; ++k) {
    if (power[k] >= strong && power[k] >= power[k - 1] && power[k] > power[k + 1]) {
      lines.push_back(k);
    }
  }
  const double top = InterpolatedBin(power, peak);
  for (int divisor = kMaxDivisor; divisor >= 2; --divisor) {
    const double b0 = top / divisor;
    if (b0 < static_cast<double>(first + 1)) continue;
    const double tolerance = 1.5;
    std::size_t base = 0;
    for (std::size_t k : lines) {
      if (std::fabs(static_cast<double>(k) - b0) <= tolerance) base = k;
    }
    if (base == 0) continue;
    bool harmonics = true;
    for (std::size_t k : lines) {
      const double m = std::round(static_cast<double>(k) / b0);
      if (m < 1 || std::fabs(static_cast<double>(k) - m * b0) > tolerance + 0.2 * m / divisor) {
        harmonics = false;
        break;
      }
    }
    if (harmonics) return base;
  }
  return peak;
}

// The extremes of the fitted harmonic model over one period of the fundamental.
void ModelExtremes(const HarmonicFit& fit, int harmonics, double& lo, double& hi) {
  constexpr int kSteps = 4096;
  lo = hi = fit.dc + fit.cosine[0];
  for (int k = 0; k < kSteps; ++k) {
    const std::complex<double> z = std::polar(1.0, 2 * kPi * k / kSteps);
    std::complex<double> zh = z;
    double v = fit.dc;
    for (int h = 0; h < harmonics; ++h) {
      v += fit.cosine[h] * zh.real() + fit.sine[h] * zh.imag();
      zh *= z;
    }
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
}

}  // namespace

std::string_view QuantityName(Quantity q) { return kInfo[static_cast<std::size_t>(q)].name; }

std::string_view QuantityUnit(Quantity q) { return kInfo[static_cast<std::size_t>(q)].unit; }

bool QuantityFromName(std::string_view name, Quantity& q) {
  for (std::size_t i = 0; i < kQuantityCount; ++i) {
    if (kInfo[i].name == name) {
      q = QuantityAt(i);
      return true;
    }
  }
  return false;
}

bool IsLevelQuantity(Quantity q) {
  switch (q) {
    case Quantity::kVpp:
    case Quantity::kVmax:
    case Quantity::kVmin:
    case Quantity::kMean:
    case Quantity::kRms:
    case Quantity::kAcRms:
    case Quantity::kDbfs:
    case Quantity::kCrest:
      return true;
    default:
      return false;
  }
}

bool HasFullScaleSample(const unsigned char* frames, std::size_t count, int channels, int bits,
                        int channel) {
  if (frames == nullptr || channel < 0 || channel >= channels) return false;
  const std::size_t width = SampleBytes(bits);
  const std::size_t stride = width * static_cast<std::size_t>(channels);
  const unsigned char* p = frames + width * static_cast<std::size_t>(channel);
  for (std::size_t i = 0; i < count; ++i, p += stride) {
    if (AtFullScale(DecodeSample(p, bits), bits)) return true;
  }
  return false;
}

ChannelMeasurement MeasureChannel(const double* x, std::size_t n, const MeasureSetup& setup) {
  ChannelMeasurement m;
  m.flags.clipping = setup.clipping;
  if (x == nullptr || n < 16 || !(setup.sampleRate > 0) || !(setup.countsPerVolt > 0)) {
    m.flags.noSamples = true;
    return m;
  }
  const double fs = setup.sampleRate;
  const double mv = 1000.0 / setup.countsPerVolt;

  Workspace& work = ThreadWorkspace();
  // Plain levels, weighted so that a part period at either end does not bias them.
  const std::vector<double>& weights = work.LevelWeights(n);
  double wsum = 0, wx = 0, wxx = 0;
  std::size_t imax = 0, imin = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double w = weights[i];
    wsum += w;
    wx += w * x[i];
    wxx += w * x[i] * x[i];
    if (x[i] > x[imax]) imax = i;
    if (x[i] < x[imin]) imin = i;
  }
  const double mean = wx / wsum;
  const double meanSquare = wxx / wsum;
  const double rms = std::sqrt(std::max(0.0, meanSquare));
  const double acRms = std::sqrt(std::max(0.0, meanSquare - mean * mean));

  // The spectrum of the newest power of two of samples without the mean, Hann-windowed: it only
  // has to bring the fit within a fraction of a bin.
  int order = 0;
  const std::size_t size = PowerOfTwoWithin(n, order);
  const std::size_t start = n - size;
  const std::vector<double>& hann = work.Hann(size);
  std::vector<Complex>& spectrum = work.buffer;
  spectrum.resize(size);
  for (std::size_t i = 0; i < size; ++i) spectrum[i] = Complex{(x[start + i] - mean) * hann[i], 0};
  FftEngine& fft = work.fft;
  fft.FftForward(spectrum.data(), order);
  const std::size_t half = size / 2;
  std::vector<double> power(half + 1);
  for (std::size_t k = 0; k <= half; ++k) {
    power[k] = spectrum[k].re * spectrum[k].re + spectrum[k].im * spectrum[k].im;
  }
  // Past the mean's own main lobe.
  const std::size_t first = 2;
  std::size_t peak = first;
  for (std::size_t k = first; k + 1 < half; ++k) {
    if (power[k] > power[peak]) peak = k;
  }
  double peakFrequency = NAN;
  bool tone = false;
  if (first + 2 < half && power[peak] > 0) {
    std::vector<double> rest(power.begin() + static_cast<std::ptrdiff_t>(first),
                             power.begin() + static_cast<std::ptrdiff_t>(half));
    std::nth_element(rest.begin(), rest.begin() + rest.size() / 2, rest.end());
    const double median = rest[rest.size() / 2];
    // A line's amplitude from its Hann-windowed top; below kLineFloor of the largest sample it
    // is the rounding of a constant, not a tone.
    const double amplitude = 4 * std::sqrt(power[peak]) / static_cast<double>(size);
    const double largest = std::max(std::fabs(x[imax]), std::fabs(x[imin]));
    tone = power[peak] > kToneOverMedian * median && amplitude > kLineFloor * largest;
    if (tone) peak = FundamentalBin(power, peak, first, half);
    peakFrequency = InterpolatedBin(power, peak) * fs / static_cast<double>(size);
  }
  const double duration = static_cast<double>(n) / fs;
  m.flags.noTone = !tone;
  m.flags.fewPeriods = tone && peakFrequency * duration < 2;
  const bool periodic = tone && !m.flags.fewPeriods;

  SineFit sine;
  if (periodic) sine = FitSine(x, n, 2 * kPi * peakFrequency / fs);
  double frequency = sine.w * fs / (2 * kPi);
  // The fit starts within a bin; one that wandered off has not found this tone.
  if (periodic && frequency * duration < 2) m.flags.fewPeriods = true;
  bool fitted = periodic && !m.flags.fewPeriods && std::isfinite(sine.w) && sine.w > 0 &&
                sine.w < kPi &&
                std::fabs(frequency - peakFrequency) <= 2 * fs / static_cast<double>(n);

  double vmax = x[imax];
  double vmin = x[imin];
  Set(m, Quantity::kMean, mean * mv);
  Set(m, Quantity::kRms, rms * mv);
  Set(m, Quantity::kAcRms, acRms * mv);
  // Silence reads as the floor of every ratio.
  Set(m, Quantity::kDbfs, Db(2 * meanSquare / (setup.fullScale * setup.fullScale)));

  if (fitted) {
    // Harmonics below half the rate, kept two resolution bins clear of it where the sine part
    // of the fit would have nothing left to hold on to.
    const double nyquistGuard = 2 * fs / static_cast<double>(n);
    int harmonics = 0;
    while (harmonics < kMaxHarmonic && (harmonics + 1) * frequency < fs / 2 - nyquistGuard) {
      ++harmonics;
    }
    HarmonicFit fit;
    NormalMatrices normal;
    double w = sine.w;
    double residualSquares = 0;
    double modelHigh = -HUGE_VAL, modelLow = HUGE_VAL;
    bool haveFit = false;
    std::vector<Complex>& residual = work.buffer;
    const std::vector<double>& residualWeights = work.ResidualWeights(size);
    std::vector<double> gCos(static_cast<std::size_t>(harmonics + 1));
    std::vector<double> gSin(static_cast<std::size_t>(harmonics));
    // The frequency of the whole harmonic model: a sine fit alone takes strong harmonics for
    // noise. Gauss-Newton on the frequency with the linear part solved at each step (the
    // frequency column projected off the linear ones), from the sine fit.
    // After a step of a thousandth of a radian over the record the next would be a millionth:
    // the pass at the new frequency only fits and takes the residual.
    bool lastPass = false;
    for (int iteration = 0; harmonics >= 1 && iteration < kMaxFrequencySteps; ++iteration) {
      if (!FitHarmonics(x, n, w, harmonics, fit, normal)) {
        haveFit = false;
        break;
      }
      haveFit = true;
      residual.assign(size, Complex{0, 0});
      residualSquares = 0;
      modelHigh = -HUGE_VAL;
      modelLow = HUGE_VAL;
      std::fill(gCos.begin(), gCos.end(), 0.0);
      std::fill(gSin.begin(), gSin.end(), 0.0);
      double gr = 0, gg = 0;
      Phasor p(w, n);
      for (std::size_t i = 0; i < n; ++i) {
        const std::complex<double> z = p.Next(i);
        std::complex<double> zh = z;
        double model = fit.dc;
        double slope = 0;
        for (int h = 0; h < harmonics; ++h) {
          model += fit.cosine[h] * zh.real() + fit.sine[h] * zh.imag();
          slope += (h + 1) * (fit.sine[h] * zh.real() - fit.cosine[h] * zh.imag());
          zh *= z;
        }
        const double r = x[i] - model;
        residualSquares += r * r;
        modelHigh = std::max(modelHigh, model);
        modelLow = std::min(modelLow, model);
        if (i >= start) residual[i - start].re = r * residualWeights[i - start];
        if (lastPass) continue;
        const double g = p.T(i) * slope;
        gr += g * r;
        gg += g * g;
        gCos[0] += g;
        zh = z;
        for (int h = 0; h < harmonics; ++h) {
          gCos[h + 1] += g * zh.real();
          gSin[h] += g * zh.imag();
          zh *= z;
        }
      }
      if (lastPass) break;
      const double projected = gg - InverseQuadraticForm(normal.cosine, gCos, harmonics + 1) -
                               InverseQuadraticForm(normal.sine, gSin, harmonics);
      if (!(projected > 0)) break;
      const double maxStep = 0.25 * 2 * kPi / static_cast<double>(n);
      const double step = std::clamp(gr / projected, -maxStep, maxStep);
      // A step that moves the record's last phase by a billionth of a radian changes nothing.
      if (std::fabs(step) * static_cast<double>(n) < 1e-9) break;
      if (iteration + 1 == kMaxFrequencySteps) break;
      w += step;
      lastPass = std::fabs(step) * static_cast<double>(n) < 1e-3;
    }
    if (haveFit) {
      frequency = w * fs / (2 * kPi);
      fitted = std::isfinite(w) && w > 0 && w < kPi &&
               std::fabs(frequency - peakFrequency) <= 2 * fs / static_cast<double>(n);
    }
    if (fitted) {
      Set(m, Quantity::kFrequency, frequency);
      Set(m, Quantity::kPeriod, 1000.0 / frequency);
      Set(m, Quantity::kPeakFrequency, peakFrequency);

      const Edges edges = FindEdges(x, n, x[imin], x[imax]);
      const double msPerSample = 1000.0 / fs;
      Set(m, Quantity::kDuty, DutyCycle(x, n, edges, x[imin], x[imax]));
      Set(m, Quantity::kRise, edges.rises > 0 ? edges.riseSum / edges.rises * msPerSample : NAN);
      Set(m, Quantity::kFall, edges.falls > 0 ? edges.fallSum / edges.falls * msPerSample : NAN);

      // A tone the fit explains to the rounding of its samples (what it leaves within a
      // thousandth of the fundamental's amplitude) peaks where the fit does: the samples may all
      // miss its crest when the rate is a multiple of the frequency. The samples keep their own
      // extremes and gain only what the fit's crest lies beyond the fit's own largest value at
      // the samples. A wave with more harmonics than the fit holds (edges, clipping) is left to
      // its samples: the fit rings at its edges, and the ringing is no crest of the wave. So is
      // a wave far from a sine (harmonics above -30 dB), which a few harmonics explain when the
      // rate is a multiple of its frequency.
      const double amplitude = std::sqrt(2 * fit.Power(0));
      double harmonicPower = 0;
      for (int h = 1; h < harmonics; ++h) harmonicPower += fit.Power(h);
      if (haveFit && harmonicPower <= kSmallHarmonics * fit.Power(0) &&
          std::sqrt(residualSquares / static_cast<double>(n)) <= kExplainedAmplitude * amplitude) {
        double lo = 0, hi = 0;
        ModelExtremes(fit, harmonics, lo, hi);
        vmax += std::max(0.0, hi - modelHigh);
        vmin -= std::max(0.0, modelLow - lo);
      }
    }
    if (fitted && haveFit) {
      // What the fit leaves: its whole power from every sample, the share of it in the noise
      // band from the Blackman-Harris-windowed spectrum of the newest stretch, whose sidelobes
      // (92 dB down) keep content outside the band out of it.
      fft.FftForward(residual.data(), order);
      const double bandHigh = std::min(kNoiseBandHigh, fs / 2);
      double bandSum = 0, allSum = 0;
      for (std::size_t k = 0; k <= half; ++k) {
        const double f = static_cast<double>(k) * fs / static_cast<double>(size);
        const double e = (residual[k].re * residual[k].re + residual[k].im * residual[k].im) *
                         (k == 0 || k == half ? 1 : 2);
        allSum += e;
        if (f >= kNoiseBandLow && f <= bandHigh) bandSum += e;
      }
      const double noise =
          allSum > 0 ? residualSquares / static_cast<double>(n) * (bandSum / allSum) : 0.0;
      const double fundamental = fit.Power(0);
      double distortion = 0, distortionInBand = 0;
      for (int h = 1; h < harmonics; ++h) {
        distortion += fit.Power(h);
        const double fh = (h + 1) * frequency;
        if (fh >= kNoiseBandLow && fh <= bandHigh) distortionInBand += fit.Power(h);
      }
      const double noiseAndDistortion = noise + distortionInBand;
      if (fundamental > 0) {
        Set(m, Quantity::kThd, 100 * std::sqrt(distortion / fundamental));
        Set(m, Quantity::kThdDb, Db(distortion / fundamental));
        Set(m, Quantity::kThdN, 100 * std::sqrt(noiseAndDistortion / fundamental));
        Set(m, Quantity::kThdNDb, Db(noiseAndDistortion / fundamental));
        const double sinad = Db((fundamental + noiseAndDistortion) /
                                std::max(noiseAndDistortion, kRatioFloor * fundamental));
        Set(m, Quantity::kSinad, sinad);
        Set(m, Quantity::kSnr, Db(fundamental / std::max(noise, kRatioFloor * fundamental)));
        Set(m, Quantity::kEnob, (sinad - 1.76) / 6.02);
      }
    }
  }
  Set(m, Quantity::kVmax, vmax * mv);
  Set(m, Quantity::kVmin, vmin * mv);
  Set(m, Quantity::kVpp, (vmax - vmin) * mv);
  // Silence has no crest factor: nothing stands above nothing.
  Set(m, Quantity::kCrest, rms > 0 ? std::max(std::fabs(vmax), std::fabs(vmin)) / rms : NAN);
  // Levels need no tone; everything else does. Clipping spoils every figure.
  for (std::size_t i = 0; i < kQuantityCount; ++i) {
    if (m.flags.clipping) m.valid[i] = false;
    if (!IsLevelQuantity(QuantityAt(i)) && !fitted) m.valid[i] = false;
  }
  return m;
}
