#pragma once

#include <vector>

// Averaging of successive spectra in power (amplitude squared), and the peak and minimum
// holds, bin by bin.
enum AverageMode { kAverageOff = 0, kAverageExponential = 1, kAverageLinear = 2 };

struct AverageSettings {
  AverageMode mode = kAverageOff;
  double timeConstant = 1.0;  // seconds, exponential: 0.1 .. 10
  int count = 10;             // transforms, linear: 2 .. 1000
  bool peakHold = false;
  double peakDecayDbPerSecond = 0;  // 0: the peak is held until reset
  bool minimumHold = false;
};

class SpectrumAverager {
 public:
  // Forgets everything and sizes the arrays for bins values (allocates).
  void Reset(int bins, const AverageSettings& settings);
  // Forgets the history and the holds, keeping sizes and settings.
  void Restart();
  // Adds one spectrum of bins powers, taken elapsedSeconds after the previous one.
  // Exponential: the weight of the new one is 1 - exp(-elapsed / time constant), the first
  // taken whole. Linear: the mean of every spectrum since the restart until count are in; from
  // then on each new one enters with weight 1 / count, so the average keeps moving with the
  // input at the memory of count spectra.
  void Add(const double* power, double elapsedSeconds);

  int Bins() const { return static_cast<int>(m_average.size()); }
  int Count() const { return m_nCount; }
  const double* Average() const { return m_average.data(); }
  const double* Peak() const { return m_peak.data(); }
  const double* Minimum() const { return m_minimum.data(); }
  const AverageSettings& Settings() const { return m_settings; }

 private:
  AverageSettings m_settings;
  std::vector<double> m_average;
  std::vector<double> m_peak;
  std::vector<double> m_minimum;
  int m_nCount = 0;
};
