#pragma once

#include <vector>

// The magnitude of a window's transform near its centre, |sum w[i] e^(-j 2 pi u i / size)| at u
// bins from it, for `weights` zero-padded to a transform of `size` values. It is what one tone
// leaves in the bins around it, so a tone between two bins is read back from the ratio of those
// two bins. Built once per window, length and transform size (the table costs about 300
// weighted sums of the window).
class WindowLobe {
 public:
  WindowLobe(const std::vector<double>& weights, int size);

  // |W(u)|, u in bins (symmetric in u); W(0) is the sum of the weights.
  double Gain(double u) const;
  // Bins from the centre to the first minimum of |W|: about 1 for the rectangle, 2 for Hann.
  double MainLobeHalfWidth() const { return m_halfWidth; }

  // Reads the tone behind a local maximum `centre` of the bin magnitudes with its neighbours
  // `left` and `right`: offset (bins, -0.5..0.5) from the centre bin to the tone, and the
  // magnitude the centre bin would show had the tone stood on it. False for a non-maximum.
  bool Interpolate(double left, double centre, double right, double& offset,
                   double& magnitude) const;

 private:
  double Direct(double u) const;
  std::vector<double> m_weights;
  int m_size = 0;
  std::vector<double> m_table;  // |W| at u = k * kStep, k = 0 .. m_table.size() - 1
  double m_halfWidth = 1;
};

// A spectral peak: bin (fractional, from the interpolation) and the tone's interpolated bin
// magnitude, in the units of the magnitudes given.
struct SpectrumPeak {
  double bin = 0;
  double magnitude = 0;
};

// The highest `maxPeaks` local maxima of magnitudes[0..count) (bin 0 and the last bin, where
// the lobe is folded, are not candidates), each at least minSeparation bins from every higher
// one kept, read with the window's lobe; highest first.
std::vector<SpectrumPeak> FindSpectrumPeaks(const double* magnitudes, int count,
                                            const WindowLobe& lobe, int maxPeaks,
                                            int minSeparation);

// The separation that keeps a tone's own main lobe from giving a second peak: its half width
// rounded up, at least 3 bins.
int DefaultPeakSeparation(const WindowLobe& lobe);

// The index in peaks (highest first) of the highest peak lower than `magnitude`; -1 if none.
int NextLowerPeak(const std::vector<SpectrumPeak>& peaks, double magnitude);

// The peak whose maximum lies within `radius` bins of `bin` (the highest local maximum there),
// read with the lobe: how a marker left on a tone follows its level from frame to frame. False
// when there is no local maximum within the radius.
bool ReadPeakNear(const double* magnitudes, int count, const WindowLobe& lobe, double bin,
                  int radius, SpectrumPeak& peak);

// A marker's reading against the reference marker's: frequency and level differences.
struct MarkerDelta {
  double hz = 0;
  double db = 0;
};
MarkerDelta MarkerDeltaTo(double hz, double db, double referenceHz, double referenceDb);

class FftEngine;

// A peak as a measurement gives it: frequency in hertz and level in dB against fullScale (a
// full-scale sine reads 0 dB).
struct MeasuredPeak {
  double hz = 0;
  double db = 0;
};

// The `count` highest peaks, highest first, of the first 2^m of samples[0..n) (the largest
// power of two it holds) weighted by the window fftWindow (the FFTWindow values, or the
// flat-top), at least DefaultPeakSeparation bins apart, each read with the window's lobe.
// Makes its window and lobe each call: for one reading, not for every frame.
std::vector<MeasuredPeak> MeasureSpectrumPeaks(FftEngine& fft, const double* samples, int n,
                                               double sampleRate, int fftWindow, double fullScale,
                                               int count);
