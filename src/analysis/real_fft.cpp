#include "analysis/real_fft.h"

#include <cmath>
#include <numbers>
#include <utility>

// The loops below are written so that the compiler vectorises them; on x86-64 each gets a
// second version for processors with AVX2 and FMA, chosen once at load time.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && \
    !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define AURIVUE_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define AURIVUE_VECTOR_CLONES
#endif

namespace {

// exp(-j 2pi k / n), each value on its own in long double so no error accumulates.
void Twiddle(long long k, long long n, double& re, double& im) {
  constexpr long double pi = std::numbers::pi_v<long double>;
  // The quarter turns are set exactly: cos and sin of them leave a rounding residue.
  const long double angle = 2.0L * pi * static_cast<long double>(k) / static_cast<long double>(n);
  re = static_cast<double>(std::cos(angle));
  im = static_cast<double>(-std::sin(angle));
  if (k * 4 == n) re = 0;
  if (k * 2 == n) im = 0;
  if (k * 4 == 3 * n) re = 0;
}

// One radix-4 decimation-in-frequency stage of the self-sorting transform: sub-length n = 4m,
// stride s (n * s is the whole length). Reads x, writes y. A stride known at compile time
// (kStride > 0) lets the short inner loop of the second stage become straight vector code.
template <int kStride>
inline __attribute__((always_inline)) void Radix4Core(int m, int stride,
                                                      const double* __restrict xr,
                                                      const double* __restrict xi,
                                                      double* __restrict yr, double* __restrict yi,
                                                      const double* __restrict twr,
                                                      const double* __restrict twi) {
  const int s = kStride > 0 ? kStride : stride;
  for (int p = 0; p < m; ++p) {
    const double w1r = twr[p * s], w1i = twi[p * s];
    const double w2r = twr[2 * p * s], w2i = twi[2 * p * s];
    const double w3r = twr[3 * p * s], w3i = twi[3 * p * s];
    const double* ar = xr + s * p;
    const double* ai = xi + s * p;
    const double* br = xr + s * (p + m);
    const double* bi = xi + s * (p + m);
    const double* cr = xr + s * (p + 2 * m);
    const double* ci = xi + s * (p + 2 * m);
    const double* dr = xr + s * (p + 3 * m);
    const double* di = xi + s * (p + 3 * m);
    double* y0r = yr + s * (4 * p);
    double* y0i = yi + s * (4 * p);
    double* y1r = y0r + s;
    double* y1i = y0i + s;
    double* y2r = y1r + s;
    double* y2i = y1i + s;
    double* y3r = y2r + s;
    double* y3i = y2i + s;
    for (int q = 0; q < s; ++q) {
      const double apcr = ar[q] + cr[q], apci = ai[q] + ci[q];
      const double amcr = ar[q] - cr[q], amci = ai[q] - ci[q];
      const double bpdr = br[q] + dr[q], bpdi = bi[q] + di[q];
      // j (b - d)
      const double jr = di[q] - bi[q], ji = br[q] - dr[q];
      y0r[q] = apcr + bpdr;
      y0i[q] = apci + bpdi;
      const double u1r = amcr - jr, u1i = amci - ji;
      y1r[q] = w1r * u1r - w1i * u1i;
      y1i[q] = w1r * u1i + w1i * u1r;
      const double u2r = apcr - bpdr, u2i = apci - bpdi;
      y2r[q] = w2r * u2r - w2i * u2i;
      y2i[q] = w2r * u2i + w2i * u2r;
      const double u3r = amcr + jr, u3i = amci + ji;
      y3r[q] = w3r * u3r - w3i * u3i;
      y3i[q] = w3r * u3i + w3i * u3r;
    }
  }
}

AURIVUE_VECTOR_CLONES
void Radix4Stage(int m, int s, const double* __restrict xr, const double* __restrict xi,
                 double* __restrict yr, double* __restrict yi, const double* __restrict twr,
                 const double* __restrict twi) {
  if (s == 4) {
    Radix4Core<4>(m, s, xr, xi, yr, yi, twr, twi);
  } else {
    Radix4Core<0>(m, s, xr, xi, yr, yi, twr, twi);
  }
}

// The first stage (stride 1), looping over the butterflies so the loop is long; its factors
// come from three contiguous runs.
AURIVUE_VECTOR_CLONES
void FirstRadix4Stage(int m, const double* __restrict xr, const double* __restrict xi,
                      double* __restrict yr, double* __restrict yi, const double* __restrict fr,
                      const double* __restrict fi) {
  for (int p = 0; p < m; ++p) {
    const double apcr = xr[p] + xr[p + 2 * m], apci = xi[p] + xi[p + 2 * m];
    const double amcr = xr[p] - xr[p + 2 * m], amci = xi[p] - xi[p + 2 * m];
    const double bpdr = xr[p + m] + xr[p + 3 * m], bpdi = xi[p + m] + xi[p + 3 * m];
    const double jr = xi[p + 3 * m] - xi[p + m], ji = xr[p + m] - xr[p + 3 * m];
    yr[4 * p] = apcr + bpdr;
    yi[4 * p] = apci + bpdi;
    const double u1r = amcr - jr, u1i = amci - ji;
    yr[4 * p + 1] = fr[p] * u1r - fi[p] * u1i;
    yi[4 * p + 1] = fr[p] * u1i + fi[p] * u1r;
    const double u2r = apcr - bpdr, u2i = apci - bpdi;
    yr[4 * p + 2] = fr[m + p] * u2r - fi[m + p] * u2i;
    yi[4 * p + 2] = fr[m + p] * u2i + fi[m + p] * u2r;
    const double u3r = amcr + jr, u3i = amci + ji;
    yr[4 * p + 3] = fr[2 * m + p] * u3r - fi[2 * m + p] * u3i;
    yi[4 * p + 3] = fr[2 * m + p] * u3i + fi[2 * m + p] * u3r;
  }
}

// The last stage when the length is 2 times a power of four: sub-length 2, stride s.
AURIVUE_VECTOR_CLONES
void Radix2Stage(int s, const double* __restrict xr, const double* __restrict xi,
                 double* __restrict yr, double* __restrict yi) {
  for (int q = 0; q < s; ++q) {
    yr[q] = xr[q] + xr[q + s];
    yi[q] = xi[q] + xi[q + s];
    yr[q + s] = xr[q] - xr[q + s];
    yi[q + s] = xi[q] - xi[q + s];
  }
}

AURIVUE_VECTOR_CLONES
void Deinterleave(const double* __restrict in, int half, double* __restrict re,
                  double* __restrict im) {
  for (int i = 0; i < half; ++i) {
    re[i] = in[2 * i];
    im[i] = in[2 * i + 1];
  }
}

// From Z, the transform of z[n] = x[2n] + j x[2n + 1] (half values), to the bins of x:
// with E = (Z[k] + conj Z[half - k]) / 2 and O = (Z[k] - conj Z[half - k]) / 2j,
// X[k] = E + W^k O and X[half - k] = conj(E - W^k O).
AURIVUE_VECTOR_CLONES
void Separate(int half, const double* __restrict zr, const double* __restrict zi,
              const double* __restrict wr, const double* __restrict wi, Complex* __restrict out) {
  out[0] = {zr[0] + zi[0], 0};
  out[half] = {zr[0] - zi[0], 0};
  for (int k = 1; k <= half / 2; ++k) {
    const double ar = zr[k], ai = zi[k];
    const double br = zr[half - k], bi = -zi[half - k];  // conj Z[half - k]
    const double er = 0.5 * (ar + br), ei = 0.5 * (ai + bi);
    // (a - b) / 2j = (ai - bi) / 2 - j (ar - br) / 2
    const double orr = 0.5 * (ai - bi), oi = -0.5 * (ar - br);
    const double tr = wr[k] * orr - wi[k] * oi;
    const double ti = wr[k] * oi + wi[k] * orr;
    out[k] = {er + tr, ei + ti};
    out[half - k] = {er - tr, -(ei - ti)};
  }
}

}  // namespace

RealFft::RealFft(int order) {
  if (order < kMinOrder || order > kMaxOrder) return;
  m_nOrder = order;
  m_nSize = 1 << order;
  const int half = m_nSize / 2;
  // Staggered by 17 cache lines (136 doubles) more each.
  constexpr std::size_t kStagger = 136;
  m_block.assign(4 * static_cast<std::size_t>(half) + 4 * kStagger, 0.0);
  m_re = m_block.data();
  m_im = m_re + half + kStagger;
  m_workRe = m_im + half + kStagger;
  m_workIm = m_workRe + half + kStagger;
  const int factors = 3 * (half / 4) + 1;
  m_twRe.resize(factors);
  m_twIm.resize(factors);
  for (int k = 0; k < factors; ++k) Twiddle(k, half, m_twRe[k], m_twIm[k]);
  const int m = half / 4;
  m_firstRe.resize(3 * static_cast<std::size_t>(m));
  m_firstIm.resize(3 * static_cast<std::size_t>(m));
  for (int p = 0; p < m; ++p) {
    for (int r = 1; r <= 3; ++r) {
      Twiddle(static_cast<long long>(r) * p, half, m_firstRe[(r - 1) * m + p],
              m_firstIm[(r - 1) * m + p]);
    }
  }
  m_splitRe.resize(half / 2 + 1);
  m_splitIm.resize(half / 2 + 1);
  for (int k = 0; k <= half / 2; ++k) Twiddle(k, m_nSize, m_splitRe[k], m_splitIm[k]);
}

void RealFft::Forward(const double* in, Complex* out) {
  if (m_nSize == 0) return;
  const int half = m_nSize / 2;
  Deinterleave(in, half, m_re, m_im);
  double* xr = m_re;
  double* xi = m_im;
  double* yr = m_workRe;
  double* yi = m_workIm;
  int n = half;
  int s = 1;
  if (n >= 4) {
    FirstRadix4Stage(n / 4, xr, xi, yr, yi, m_firstRe.data(), m_firstIm.data());
    std::swap(xr, yr);
    std::swap(xi, yi);
    n /= 4;
    s = 4;
  }
  while (n >= 4) {
    Radix4Stage(n / 4, s, xr, xi, yr, yi, m_twRe.data(), m_twIm.data());
    std::swap(xr, yr);
    std::swap(xi, yi);
    n /= 4;
    s *= 4;
  }
  if (n == 2) {
    Radix2Stage(s, xr, xi, yr, yi);
    std::swap(xr, yr);
    std::swap(xi, yi);
  }
  Separate(half, xr, xi, m_splitRe.data(), m_splitIm.data(), out);
}
