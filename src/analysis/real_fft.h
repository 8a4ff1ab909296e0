#pragma once

#include <vector>

#include "analysis/complex.h"

// A forward transform of real input for the large spectra: N = 2^order real values become the
// N/2 + 1 bins 0 .. N/2 (X[k] = sum x[n] e^(-j2pi kn/N), not scaled). The N real values are
// packed into N/2 complex ones, transformed by a radix-4 self-sorting (Stockham) transform and
// separated again. Everything it needs is allocated by the constructor, so Forward allocates
// nothing; the twiddle factors are each computed on their own in long double, never by
// recurrence. Not shareable between threads while Forward runs.
class RealFft {
 public:
  static constexpr int kMinOrder = 2;
  static constexpr int kMaxOrder = 20;

  // An order outside kMinOrder..kMaxOrder gives a plan of size 0 whose Forward does nothing.
  explicit RealFft(int order);

  int Order() const { return m_nOrder; }
  int Size() const { return m_nSize; }

  // Transforms Size() values of in into the Size() / 2 + 1 values of out. in and out may not
  // overlap.
  void Forward(const double* in, Complex* out);

 private:
  int m_nOrder = 0;
  int m_nSize = 0;
  // The complex transform of N/2 values, in split form (real and imaginary parts apart): four
  // arrays carved from one block at staggered offsets. At power-of-two distances the sixteen
  // streams of a stage would all fall into the same cache sets.
  std::vector<double> m_block;
  double* m_re = nullptr;
  double* m_im = nullptr;
  double* m_workRe = nullptr;
  double* m_workIm = nullptr;
  // W_(N/2)^k for k = 0 .. 3N/8, the factors of every radix-4 stage.
  std::vector<double> m_twRe, m_twIm;
  // The first stage's factors W^p, W^2p and W^3p in three runs of N/8, so that its loop over p
  // reads each contiguously.
  std::vector<double> m_firstRe, m_firstIm;
  // W_N^k for k = 0 .. N/4: separating the two real transforms.
  std::vector<double> m_splitRe, m_splitIm;
};
