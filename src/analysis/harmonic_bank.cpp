#include "analysis/harmonic_bank.h"

#include <algorithm>
#include <cmath>
#include <numbers>

HarmonicBank::HarmonicBank()
    : m_cosine(kMaxPartials, 0.0),
      m_sine(kMaxPartials, 0.0),
      m_re(kMaxPartials, 0.0),
      m_im(kMaxPartials, 0.0),
      m_stepRe(kMaxPartials, 1.0),
      m_stepIm(kMaxPartials, 0.0) {}

void HarmonicBank::StartHarmonics(double phaseCycles, double stepCycles, int count, int first,
                                  int stride) {
  m_count = std::clamp(count, 0, kMaxPartials);
  constexpr double twoPi = 2.0 * std::numbers::pi;
  // Phases reduced to one cycle before they are multiplied up, so that no precision is lost.
  auto reduce = [](double cycles) { return cycles - std::floor(cycles); };
  const double zr = std::cos(twoPi * reduce(phaseCycles * stride)),
               zi = std::sin(twoPi * reduce(phaseCycles * stride));
  const double wr = std::cos(twoPi * reduce(stepCycles * stride)),
               wi = std::sin(twoPi * reduce(stepCycles * stride));
  // Powers by repeated multiplication: the k-th is off by about k rounding errors, far below
  // what a 24-bit sample shows, and costs no transcendental call per partial.
  double pr = std::cos(twoPi * reduce(phaseCycles * first)),
         pi = std::sin(twoPi * reduce(phaseCycles * first));
  double qr = std::cos(twoPi * reduce(stepCycles * first)),
         qi = std::sin(twoPi * reduce(stepCycles * first));
  for (int k = 0; k < m_count; ++k) {
    m_re[k] = m_cosine[k] * pr + m_sine[k] * pi;
    m_im[k] = m_cosine[k] * pi - m_sine[k] * pr;
    m_stepRe[k] = qr;
    m_stepIm[k] = qi;
    const double nr = pr * zr - pi * zi, ni = pr * zi + pi * zr;
    const double mr = qr * wr - qi * wi, mi = qr * wi + qi * wr;
    pr = nr;
    pi = ni;
    qr = mr;
    qi = mi;
  }
}

void HarmonicBank::StartPartials(const double* phaseCycles, const double* stepCycles, int count) {
  m_count = std::clamp(count, 0, kMaxPartials);
  for (int k = 0; k < m_count; ++k) {
    const double a = 2.0 * std::numbers::pi * (phaseCycles[k] - std::floor(phaseCycles[k]));
    const double w = 2.0 * std::numbers::pi * stepCycles[k];
    const double c = std::cos(a), s = std::sin(a);
    m_re[k] = m_cosine[k] * c + m_sine[k] * s;
    m_im[k] = m_cosine[k] * s - m_sine[k] * c;
    m_stepRe[k] = std::cos(w);
    m_stepIm[k] = std::sin(w);
  }
}

double HarmonicBank::Next() {
  double* __restrict re = m_re.data();
  double* __restrict im = m_im.data();
  const double* __restrict sr = m_stepRe.data();
  const double* __restrict si = m_stepIm.data();
  // Four running sums, so that the loop vectorises without reordering one sum.
  double sum[4] = {0.0, 0.0, 0.0, 0.0};
  const int n = m_count;
  int k = 0;
  for (; k + 4 <= n; k += 4) {
    for (int j = 0; j < 4; ++j) {
      const double r = re[k + j], i = im[k + j];
      sum[j] += r;
      re[k + j] = r * sr[k + j] - i * si[k + j];
      im[k + j] = r * si[k + j] + i * sr[k + j];
    }
  }
  for (; k < n; ++k) {
    const double r = re[k], i = im[k];
    sum[0] += r;
    re[k] = r * sr[k] - i * si[k];
    im[k] = r * si[k] + i * sr[k];
  }
  return (sum[0] + sum[1]) + (sum[2] + sum[3]);
}
