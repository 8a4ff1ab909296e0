#pragma once

#include <vector>

#include "analysis/complex.h"

// Radix-2 decimation-in-frequency transforms with their twiddle tables. Each direction keeps
// its table until it is asked for a different order, so alternating orders rebuild it. Not
// shareable between threads; every user owns one.
class FftEngine {
 public:
  // In-place forward transform of 2^m values, not scaled: X[k] = sum x[n] e^(-j2pi kn/N).
  // Orders below 0 or above kMaxOrder, and an unobtainable table, leave x unchanged.
  void FftForward(Complex* x, int m);

  // In-place inverse transform of 2^m values, scaled by 1/N (rounded to single precision).
  void FftInverse(Complex* x, int m);

  // Transforms re + j*im of count values in place: forward for direction 1, inverse otherwise.
  // A count that is not a power of two is transformed zero-padded to the next one and only
  // count values are written back.
  void TransformPair(double* re, double* im, int count, int direction);

  // Orders of the tables currently held (0 when none); for tests.
  int ForwardOrder() const { return m_forward.order; }
  int InverseOrder() const { return m_inverse.order; }

  static constexpr int kMaxOrder = 24;

 private:
  struct TwiddleTable {
    int order = 0;
    std::vector<Complex> factors;  // W^k for k = 1 .. N/2-1, at index k-1
  };

  static bool Prepare(TwiddleTable& table, int m, double sign);
  static void Transform(Complex* x, int m, const TwiddleTable& table);

  TwiddleTable m_forward;
  TwiddleTable m_inverse;
  std::vector<Complex> m_pairBuffer;
};
