#pragma once

#include <cstdint>

// Quantises values of full scale 1.0 to 16-bit samples (1.0 is 32767) with triangular (TPDF)
// dither of two least significant bits peak to peak: the error then has a mean of zero and a
// power of 1/4 LSB squared whatever the signal, so no distortion product of the quantiser
// stands above the noise. Allocation-free; one instance per output stream.
class TpdfDither {
 public:
  explicit TpdfDither(uint64_t seed = 0x2545F4914F6CDD1DULL) : m_state(seed | 1) {}
  int16_t Quantise(double value);

 private:
  double Uniform();  // in [-0.5, 0.5)
  uint64_t m_state;
};
