#include "analysis/real_inverse_fft.h"

#include <cmath>
#include <numbers>

#include "analysis/real_fft.h"

RealInverseFft::RealInverseFft(int order) {
  if (order < RealFft::kMinOrder || order > RealFft::kMaxOrder) return;
  m_nOrder = order;
  m_nSize = 1 << order;
  const int half = m_nSize / 2;
  m_twiddle.resize(half);
  // Each factor on its own, never by recurrence; double's cos and sin are within an ulp, and
  // long double's would take a good part of a second at the largest sizes.
  const double step = 2.0 * std::numbers::pi / m_nSize;
  for (int k = 0; k < half; ++k) m_twiddle[k] = {std::cos(step * k), std::sin(step * k)};
  m_work.assign(half, Complex{0, 0});
  // The engine builds its table on first use; do it here so that Inverse never allocates.
  m_fft.FftInverse(m_work.data(), order - 1);
}

void RealInverseFft::Inverse(const Complex* in, double* out) {
  if (m_nSize == 0) return;
  const int half = m_nSize / 2;
  // With E and O the half-length transforms of the even and odd samples, X[k] = E + W^k O and
  // X[k + N/2] = conj(X[N/2 - k]) = E - W^k O; z = even + j odd has the transform E + jO.
  for (int k = 0; k < half; ++k) {
    const Complex a = k == 0 ? Complex{in[0].re, 0} : in[k];
    const Complex b = k == 0 ? Complex{in[half].re, 0} : Complex{in[half - k].re, -in[half - k].im};
    const Complex e{0.5 * (a.re + b.re), 0.5 * (a.im + b.im)};
    const Complex d{0.5 * (a.re - b.re), 0.5 * (a.im - b.im)};
    const Complex& w = m_twiddle[k];
    const Complex o{d.re * w.re - d.im * w.im, d.re * w.im + d.im * w.re};
    m_work[k] = {e.re - o.im, e.im + o.re};
  }
  m_fft.FftInverse(m_work.data(), m_nOrder - 1);
  for (int m = 0; m < half; ++m) {
    out[2 * m] = m_work[m].re;
    out[2 * m + 1] = m_work[m].im;
  }
}
