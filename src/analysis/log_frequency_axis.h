#pragma once

// The logarithmic frequency axis of the large spectra: from 20 Hz or one bin, whichever is
// higher, to half the rate. The chart holds log10 of each frequency.
struct LogFrequencyRange {
  double low;   // hertz
  double high;  // hertz
};

// The axis for a transform of fftSize points at rate hertz (fftSize >= 2).
LogFrequencyRange LogFrequencyAxis(double rate, int fftSize);

// Where f lies on the axis, 0 at its low end and 1 at its high end (outside for frequencies
// beyond the ends); the inverse gives the frequency at a position.
double LogAxisPosition(double f, const LogFrequencyRange& axis);
double LogAxisFrequency(double position, const LogFrequencyRange& axis);
