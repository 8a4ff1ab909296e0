#pragma once

#include <vector>

#include "analysis/complex.h"
#include "analysis/fft_engine.h"

// The way back from RealFft: the N/2 + 1 bins 0 .. N/2 of a real sequence's spectrum become its
// N = 2^order values, scaled by 1/N so that a forward and an inverse transform give the input
// again. The bins are folded into N/2 complex values whose inverse transform (FftEngine) holds
// the even samples in its real and the odd ones in its imaginary parts. Everything is allocated
// by the constructor; Inverse allocates nothing. Not shareable between threads while it runs.
class RealInverseFft {
 public:
  // An order outside RealFft's range gives a plan of size 0 whose Inverse does nothing.
  explicit RealInverseFft(int order);

  int Order() const { return m_nOrder; }
  int Size() const { return m_nSize; }

  // Transforms the Size() / 2 + 1 bins of in into Size() values of out. The imaginary parts of
  // bins 0 and N/2, which a real sequence cannot have, are ignored.
  void Inverse(const Complex* in, double* out);

 private:
  int m_nOrder = 0;
  int m_nSize = 0;
  FftEngine m_fft;
  std::vector<Complex> m_twiddle;  // e^(+j2pi k/N) for k = 0 .. N/2 - 1
  std::vector<Complex> m_work;
};
