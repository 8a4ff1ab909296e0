#include "analysis/transfer_estimator.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "analysis/correlation_peak.h"
#include "analysis/spectrum_levels.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDegrees = 180.0 / std::numbers::pi;

int ClampOrder(int order) {
  return std::clamp(order, TransferEstimator::kMinOrder, TransferEstimator::kMaxOrder);
}

}  // namespace

TransferEstimator::TransferEstimator(const TransferSettings& settings)
    : m_settings(settings),
      m_nSize(1 << ClampOrder(settings.fftOrder)),
      m_fft(ClampOrder(settings.fftOrder)),
      m_inverse(ClampOrder(settings.fftOrder)) {
  m_settings.fftOrder = ClampOrder(settings.fftOrder);
  m_settings.exponentialWeight = std::clamp(settings.exponentialWeight, 1e-6, 1.0);
  m_window = WindowWeights(m_settings.fftWindow, m_nSize);
  m_frame.assign(m_nSize, 0.0);
  m_x.assign(Bins(), Complex{0, 0});
  m_y.assign(Bins(), Complex{0, 0});
  m_gxx.assign(Bins(), 0.0);
  m_gyy.assign(Bins(), 0.0);
  m_gxy.assign(Bins(), Complex{0, 0});
  m_correlation.assign(m_nSize, 0.0);
  m_trace.Resize(Bins());
  for (int k = 0; k < Bins(); ++k) m_trace.frequencyHz[k] = k * m_settings.rate / m_nSize;
}

void TransferEstimator::Reset() {
  std::fill(m_gxx.begin(), m_gxx.end(), 0.0);
  std::fill(m_gyy.begin(), m_gyy.end(), 0.0);
  std::fill(m_gxy.begin(), m_gxy.end(), Complex{0, 0});
  m_nTransforms = 0;
  m_dDelay = 0;
}

void TransferEstimator::SetAveraging(TransferAveraging averaging, double exponentialWeight) {
  m_settings.averaging = averaging;
  m_settings.exponentialWeight = std::clamp(exponentialWeight, 1e-6, 1.0);
}

void TransferEstimator::Rotate(std::vector<Complex>& spectrum, double samples) {
  const double step = 2.0 * std::numbers::pi * samples / m_nSize;
  for (int k = 0; k < Bins(); ++k) {
    const double a = std::fmod(step * k, 2.0 * std::numbers::pi);
    const double c = std::cos(a), s = std::sin(a);
    const Complex v = spectrum[k];
    spectrum[k] = {v.re * c - v.im * s, v.re * s + v.im * c};
  }
}

void TransferEstimator::Add(const double* reference, const double* measured, int measuredOffset) {
  // A frame read o samples later has the transform Y e^(+j w o): the averages so far are turned
  // by the change so that they stay those of the current offset.
  if (measuredOffset != m_nOffset) {
    if (m_nTransforms > 0) Rotate(m_gxy, measuredOffset - m_nOffset);
    m_nOffset = measuredOffset;
  }
  for (int i = 0; i < m_nSize; ++i) m_frame[i] = reference[i] * m_window[i];
  m_fft.Forward(m_frame.data(), m_x.data());
  for (int i = 0; i < m_nSize; ++i) m_frame[i] = measured[i] * m_window[i];
  m_fft.Forward(m_frame.data(), m_y.data());
  const bool exponential = m_settings.averaging == kTransferExponential && m_nTransforms > 0;
  const double keep = exponential ? 1.0 - m_settings.exponentialWeight : 1.0;
  const double take = exponential ? m_settings.exponentialWeight : 1.0;
  if (m_settings.averaging == kTransferExponential && m_nTransforms == 0) {
    // The first transform is taken whole: there is nothing to blend it with.
    std::fill(m_gxx.begin(), m_gxx.end(), 0.0);
    std::fill(m_gyy.begin(), m_gyy.end(), 0.0);
    std::fill(m_gxy.begin(), m_gxy.end(), Complex{0, 0});
  }
  for (int k = 0; k < Bins(); ++k) {
    const Complex x = m_x[k], y = m_y[k];
    m_gxx[k] = keep * m_gxx[k] + take * (x.re * x.re + x.im * x.im);
    m_gyy[k] = keep * m_gyy[k] + take * (y.re * y.re + y.im * y.im);
    m_gxy[k].re = keep * m_gxy[k].re + take * (x.re * y.re + x.im * y.im);
    m_gxy[k].im = keep * m_gxy[k].im + take * (x.re * y.im - x.im * y.re);
  }
  ++m_nTransforms;
}

int TransferEstimator::AddRecord(const double* reference, const double* measured,
                                 std::int64_t count, int hop, int measuredOffset) {
  if (hop < 1) return 0;
  int added = 0;
  std::int64_t start = measuredOffset < 0 ? -static_cast<std::int64_t>(measuredOffset) : 0;
  for (; start + m_nSize <= count && start + measuredOffset + m_nSize <= count; start += hop) {
    Add(reference + start, measured + start + measuredOffset, measuredOffset);
    ++added;
  }
  return added;
}

int TransferEstimator::SuggestedOffset() const {
  return m_nTransforms > 0 ? static_cast<int>(std::lround(m_dDelay)) : 0;
}

double TransferEstimator::ExponentialWeight(double elapsedSeconds, double timeConstantSeconds) {
  if (!(timeConstantSeconds > 0)) return 1.0;
  return std::clamp(1.0 - std::exp(-std::max(0.0, elapsedSeconds) / timeConstantSeconds), 1e-6,
                    1.0);
}

void TransferEstimator::Evaluate() {
  const int bins = Bins();
  if (m_nTransforms == 0) {
    m_dDelay = 0;
    std::fill(m_correlation.begin(), m_correlation.end(), 0.0);
    for (std::vector<double>* v : {&m_trace.gainDb, &m_trace.phaseDeg, &m_trace.phaseUnwrappedDeg,
                                   &m_trace.coherence, &m_trace.groupDelaySeconds}) {
      std::fill(v->begin(), v->end(), kNaN);
    }
    return;
  }
  // The residual lag is what remains after the offset the frames were read at.
  m_inverse.Inverse(m_gxy.data(), m_correlation.data());
  const int lag = LargestLag(m_correlation.data(), m_nSize);
  const double residual = RefineLag(m_gxy.data(), bins, lag);
  m_dDelay = m_nOffset + residual;
  if (m_settings.averaging == kTransferLinear && m_nTransforms > 1) {
    const double scale = 1.0 / m_nTransforms;
    for (double& v : m_correlation) v *= scale;
  }
  // The phase shown is that of H with the found delay taken out, or of H itself.
  const double shift = m_settings.removeDelay ? residual : -m_nOffset;
  const double binStep = 2.0 * std::numbers::pi / m_nSize;
  for (int k = 0; k < bins; ++k) {
    const double gxx = m_gxx[k], gyy = m_gyy[k];
    const Complex gxy = m_gxy[k];
    const double cross2 = gxy.re * gxy.re + gxy.im * gxy.im;
    if (!(gxx > 0)) {
      m_trace.gainDb[k] = m_trace.phaseDeg[k] = m_trace.coherence[k] = kNaN;
      continue;
    }
    m_trace.gainDb[k] = cross2 > 0
                            ? std::max(kLevelFloorDb, 10.0 * std::log10(cross2 / (gxx * gxx)))
                            : kLevelFloorDb;
    m_trace.phaseDeg[k] =
        WrapDegrees((std::atan2(gxy.im, gxy.re) + binStep * k * shift) * kDegrees);
    m_trace.coherence[k] = gyy > 0 ? std::min(1.0, cross2 / (gxx * gyy)) : kNaN;
  }
  UnwrapDegrees(m_trace.phaseDeg.data(), m_trace.phaseUnwrappedDeg.data(), bins);
  // Group delay -d(phase)/d(omega) of the phase shown, from the bins either side: the
  // unwrapped phase takes each step between neighbours as the wrapped one.
  const double perDegree = 1.0 / (kDegrees * binStep * m_settings.rate);
  for (int k = 0; k < bins; ++k) {
    const int lo = std::max(0, k - 1), hi = std::min(bins - 1, k + 1);
    const double rise = m_trace.phaseUnwrappedDeg[hi] - m_trace.phaseUnwrappedDeg[lo];
    m_trace.groupDelaySeconds[k] = -rise * perDegree / (hi - lo);
  }
}
