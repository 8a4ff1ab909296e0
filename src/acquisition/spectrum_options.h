#pragma once

// The spectrum analyser's choices for the spectrum, phase and power spectrum displays. At their
// defaults (FFT size "described") every display is exactly the described one; the others only
// matter once a size is chosen. Kept in the per-user profile and set on the command line.
struct SpectrumOptions {
  static constexpr int kDescribed = 0;
  static constexpr int kMinSize = 1024;
  static constexpr int kMaxSize = 65536;

  int fftSize = kDescribed;  // kDescribed, or a power of two kMinSize .. kMaxSize
  int scale = 0;             // 0 linear, 1 dBFS, 2 dBV (SpectrumScale)
  bool logAxis = false;
  int average = 0;              // 0 off, 1 exponential, 2 linear (AverageMode)
  double averageSeconds = 1.0;  // exponential: 0.1 .. 10
  int averageCount = 10;        // linear: 2 .. 1000
  bool peakHold = false;
  double peakDecayDbPerSecond = 0;  // 0: held until reset
  bool minimumHold = false;
  bool flatTop = false;  // the flat-top window for level readings instead of the smoothing one
  double dbBottom = -140;
  double dbTop = 0;

  bool operator==(const SpectrumOptions&) const = default;
};
