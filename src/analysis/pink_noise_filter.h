#pragma once

#include <cstdint>
#include <vector>

// Turns white noise into pink: a cascade of first-order sections whose magnitude falls by
// 3 dB per octave (power proportional to 1/f) from a few hertz to just below half the rate.
// The corners start two per decade, mapped by the bilinear transform, and the zeros are then
// fitted by least squares to the slope on a twelfth-octave grid from 10 Hz to 47 % of the rate,
// which takes the fit within about 0.01 dB. The cascade is scaled to unit power gain, so white
// noise of variance v comes out with variance v. Designing allocates; Process does not.
class PinkNoiseFilter {
 public:
  explicit PinkNoiseFilter(uint32_t rate = 48000);

  double Process(double white) {
    double x = white * m_scale;
    for (Section& s : m_sections) {
      const double y = x - s.zero * s.x1 + s.pole * s.y1;
      s.x1 = x;
      s.y1 = y;
      x = y;
    }
    return x;
  }
  void Reset();

  uint32_t Rate() const { return m_rate; }
  // The magnitude of the (scaled) response at a frequency in hertz.
  double Magnitude(double hertz) const;
  int Sections() const { return static_cast<int>(m_sections.size()); }

 private:
  struct Section {
    double zero, pole, x1, y1;
  };
  uint32_t m_rate;
  double m_scale = 1.0;
  std::vector<Section> m_sections;
};
