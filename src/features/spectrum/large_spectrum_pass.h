#pragma once

#include <memory>

#include "view/large_spectrum.h"
#include "view/view_feature.h"

// True when analysis (0 spectrum, 1 phase, 5 power spectrum) runs on the large transform: an FFT
// size is chosen in the Spectrum menu.
bool LargeSpectrumFor(int analysis);

// The spectrum analyser's pass of the scope view: the spectrum, phase and power spectrum displays
// on a transform of 1024 .. 65536 points of the undecimated input, in a chosen scale, averaged
// and held, on a linear or logarithmic frequency axis.
class LargeSpectrumPass : public ViewFeature {
 public:
  void ViewStarting(CAurivueView& view) override;
  bool RunsPass(const CAurivueView& view, int analysis) const override;
  void RunPass(CAurivueView& view, int analysis, bool threeD) override;
  int ChartCapacity(const CAurivueView& view, bool threeD) const override;
  int ChartSeries(const CAurivueView& view, bool threeD) const override;
  const LargeSpectrum* LargeSpectrumShown(const CAurivueView& view, int analysis) const override;

  // Forgets the averages and the peak and minimum holds.
  void RestartAverages();

 private:
  // Fills the samples: the buffer's first frames in Classic, the ring's newest in Live. False
  // when nothing new arrived.
  bool LoadSamples();

  // The bins, averages and holds; made at the first pass of a view.
  std::unique_ptr<LargeSpectrum> m_pLarge;
};
