#include "analysis/pink_noise_filter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

// The z-plane root of an analog corner at `hertz` under the bilinear transform.
double BilinearRoot(double hertz, double rate) {
  const double w = 2.0 * std::numbers::pi * hertz, k = 2.0 * rate;
  return (k - w) / (k + w);
}

// ln |H| of the cascade at each grid frequency plus half ln f, less its mean: zero for an exact
// 1/sqrt(f) magnitude. Returns the sum of squares.
double SlopeResiduals(const std::vector<double>& poles, const std::vector<double>& logZeros,
                      const std::vector<std::complex<double>>& inverseZ,
                      const std::vector<double>& grid, double rate, std::vector<double>* res) {
  res->assign(grid.size(), 0.0);
  double mean = 0.0;
  for (size_t m = 0; m < grid.size(); ++m) {
    double lh = 0.5 * std::log(grid[m]);
    for (size_t i = 0; i < poles.size(); ++i) {
      const double a = BilinearRoot(std::exp(logZeros[i]), rate);
      lh += std::log(std::abs((1.0 - a * inverseZ[m]) / (1.0 - poles[i] * inverseZ[m])));
    }
    (*res)[m] = lh;
    mean += lh;
  }
  mean /= static_cast<double>(grid.size());
  double squares = 0.0;
  for (double& v : *res) {
    v -= mean;
    squares += v * v;
  }
  return squares;
}

// Solves a x = b in place (a is n by n, row-major) by elimination with partial pivoting.
void Solve(std::vector<double>& a, std::vector<double>& b, size_t n) {
  for (size_t c = 0; c < n; ++c) {
    size_t p = c;
    for (size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r * n + c]) > std::fabs(a[p * n + c])) p = r;
    if (p != c) {
      for (size_t k = 0; k < n; ++k) std::swap(a[c * n + k], a[p * n + k]);
      std::swap(b[c], b[p]);
    }
    for (size_t r = c + 1; r < n; ++r) {
      const double f = a[r * n + c] / a[c * n + c];
      for (size_t k = c; k < n; ++k) a[r * n + k] -= f * a[c * n + k];
      b[r] -= f * b[c];
    }
  }
  for (size_t c = n; c-- > 0;) {
    double s = b[c];
    for (size_t k = c + 1; k < n; ++k) s -= a[c * n + k] * b[k];
    b[c] = s / a[c * n + c];
  }
}

}  // namespace

PinkNoiseFilter::PinkNoiseFilter(uint32_t rate) : m_rate(std::max<uint32_t>(rate, 1000)) {
  const double fs = m_rate;
  // Starting point: poles two per decade from 2 Hz, each zero placed so that the pair's
  // average slope matches what 1/sqrt(f) becomes once the bilinear transform has squeezed
  // the analog axis into half the rate.
  const double ratio = std::sqrt(10.0);
  std::vector<double> poles, logZeros;
  for (double f = 2.0; f < 50.0 * fs; f *= ratio) {
    const double x = std::numbers::pi * f / fs;
    const double digital = fs / std::numbers::pi * std::atan(x);
    const double alpha = 0.5 * (f / digital) / (1.0 + x * x);
    if (alpha < 0.01) break;
    poles.push_back(BilinearRoot(f, fs));
    logZeros.push_back(std::log(f) + alpha * std::log(ratio));
  }
  std::vector<double> grid;
  const double top = std::min(22000.0, 0.47 * fs);
  for (double f = 10.0; f <= top; f *= std::pow(2.0, 1.0 / 12.0)) grid.push_back(f);
  std::vector<std::complex<double>> inverseZ;
  for (double f : grid) inverseZ.push_back(std::polar(1.0, -2.0 * std::numbers::pi * f / fs));

  // Levenberg-Marquardt on the zeros' log frequencies.
  const size_t n = logZeros.size(), m = grid.size();
  std::vector<double> res, trial;
  double squares = SlopeResiduals(poles, logZeros, inverseZ, grid, fs, &res);
  double lambda = 1e-3;
  std::vector<double> jacobian(m * n);
  for (int iteration = 0; iteration < 40 && squares > 1e-14; ++iteration) {
    for (size_t i = 0; i < n; ++i) {
      std::vector<double> moved = logZeros;
      moved[i] += 1e-6;
      SlopeResiduals(poles, moved, inverseZ, grid, fs, &trial);
      for (size_t r = 0; r < m; ++r) jacobian[r * n + i] = (trial[r] - res[r]) / 1e-6;
    }
    std::vector<double> normal(n * n), gradient(n);
    for (size_t i = 0; i < n; ++i) {
      for (size_t j = 0; j < n; ++j) {
        double s = 0.0;
        for (size_t r = 0; r < m; ++r) s += jacobian[r * n + i] * jacobian[r * n + j];
        normal[i * n + j] = s;
      }
      double g = 0.0;
      for (size_t r = 0; r < m; ++r) g -= jacobian[r * n + i] * res[r];
      gradient[i] = g;
    }
    bool improved = false;
    for (int attempt = 0; attempt < 8 && !improved; ++attempt) {
      std::vector<double> a = normal, step = gradient;
      for (size_t i = 0; i < n; ++i) a[i * n + i] = a[i * n + i] * (1.0 + lambda) + 1e-12;
      Solve(a, step, n);
      std::vector<double> moved = logZeros;
      for (size_t i = 0; i < n; ++i) moved[i] += step[i];
      const double s = SlopeResiduals(poles, moved, inverseZ, grid, fs, &trial);
      if (s < squares) {
        logZeros = moved;
        squares = s;
        res = trial;
        lambda *= 0.3;
        improved = true;
      } else {
        lambda *= 10.0;
      }
    }
    if (!improved) break;
  }
  for (size_t i = 0; i < n; ++i) {
    m_sections.push_back({BilinearRoot(std::exp(logZeros[i]), fs), poles[i], 0.0, 0.0});
  }
  // Unit power gain: the energy of the impulse response, run until the slowest pole has died.
  const double slowest = *std::max_element(poles.begin(), poles.end());
  const auto length = static_cast<size_t>(std::ceil(40.0 / (1.0 - slowest)));
  double energy = 0.0;
  for (size_t k = 0; k < length; ++k) {
    const double h = Process(k == 0 ? 1.0 : 0.0);
    energy += h * h;
  }
  m_scale = 1.0 / std::sqrt(energy);
  Reset();
}

void PinkNoiseFilter::Reset() {
  for (Section& s : m_sections) s.x1 = s.y1 = 0.0;
}

double PinkNoiseFilter::Magnitude(double hertz) const {
  const std::complex<double> inverseZ =
      std::polar(1.0, -2.0 * std::numbers::pi * hertz / static_cast<double>(m_rate));
  std::complex<double> h = m_scale;
  for (const Section& s : m_sections) h *= (1.0 - s.zero * inverseZ) / (1.0 - s.pole * inverseZ);
  return std::abs(h);
}
