#include "analysis/fft_engine.h"

#include <cmath>
#include <new>
#include <utility>

namespace {

Complex Multiply(const Complex& a, const Complex& b) {
  return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

}  // namespace

bool FftEngine::Prepare(TwiddleTable& table, int m, double sign) {
  if (m == table.order) return true;
  // Until the new table exists the recorded order must not claim one.
  table.order = 0;
  std::vector<Complex>().swap(table.factors);
  if (m == 0) return true;
  const int n = 1 << m;
  try {
    table.factors.resize(n / 2 - 1);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const double angle = 8.0 * std::atan(1.0) / n;
  const Complex w{std::cos(angle), sign * std::sin(angle)};
  // Built by repeated multiplication rather than one cos/sin per entry.
  Complex power = w;
  for (Complex& factor : table.factors) {
    factor = power;
    power = Multiply(power, w);
  }
  table.order = m;
  return true;
}

void FftEngine::Transform(Complex* x, int m, const TwiddleTable& table) {
  const int n = 1 << m;
  const Complex* factors = table.factors.data();
  for (int s = 0; s < m; ++s) {
    const int h = n >> (s + 1);
    const int r = 1 << s;
    for (int b = 0; b < n; b += 2 * h) {
      const Complex t = x[b];
      const Complex u = x[b + h];
      x[b] = {t.re + u.re, t.im + u.im};
      x[b + h] = {t.re - u.re, t.im - u.im};
    }
    for (int j = 1; j < h; ++j) {
      const Complex w = factors[j * r - 1];
      for (int b = 0; b < n; b += 2 * h) {
        const Complex t = x[b + j];
        const Complex u = x[b + j + h];
        x[b + j] = {t.re + u.re, t.im + u.im};
        x[b + j + h] = Multiply({t.re - u.re, t.im - u.im}, w);
      }
    }
  }
  int j = 0;
  for (int i = 1; i < n - 1; ++i) {
    int k = n / 2;
    while (k <= j) {
      j -= k;
      k /= 2;
    }
    j += k;
    if (i < j) std::swap(x[i], x[j]);
  }
}

void FftEngine::FftForward(Complex* x, int m) {
  if (m < 0 || m > kMaxOrder) return;
  if (!Prepare(m_forward, m, -1.0)) return;
  Transform(x, m, m_forward);
}

void FftEngine::FftInverse(Complex* x, int m) {
  if (m < 0 || m > kMaxOrder) return;
  if (!Prepare(m_inverse, m, 1.0)) return;
  Transform(x, m, m_inverse);
  const int n = 1 << m;
  const double scale = static_cast<float>(1.0 / n);
  for (int i = 0; i < n; ++i) {
    x[i].re *= scale;
    x[i].im *= scale;
  }
}

void FftEngine::TransformPair(double* re, double* im, int count, int direction) {
  if (count <= 0) return;
  int m = 1;
  while ((1 << m) < count) {
    if (++m > kMaxOrder) return;
  }
  try {
    m_pairBuffer.assign(static_cast<std::size_t>(1) << m, Complex{0, 0});
  } catch (const std::bad_alloc&) {
    return;
  }
  for (int i = 0; i < count; ++i) m_pairBuffer[i] = {re[i], im[i]};
  if (direction == 1) {
    FftForward(m_pairBuffer.data(), m);
  } else {
    FftInverse(m_pairBuffer.data(), m);
  }
  for (int i = 0; i < count; ++i) {
    re[i] = m_pairBuffer[i].re;
    im[i] = m_pairBuffer[i].im;
  }
}
