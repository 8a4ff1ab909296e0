#pragma once

#include <vector>

#include "analysis/spectrum_peaks.h"

// The peak markers of one spectrum trace, kept as the bins they stand on so that each follows
// its tone from frame to frame.
struct MarkerSet {
  static constexpr int kMaxMarkers = 8;
  std::vector<double> bins;  // marker 1 first
  // Marker 1 goes to the highest peak at every reading (peak search continuous).
  bool continuous = false;
  // Marker 1 is the reference the others read their differences to.
  bool reference = false;
};

// Puts a marker on the highest peak when there is none yet, else on the highest peak lower
// than the last marker's reading ("next peak"), at least DefaultPeakSeparation bins from every
// marker. False when no such peak exists or all kMaxMarkers are placed.
bool AddPeakMarker(const double* magnitudes, int count, const WindowLobe& lobe, MarkerSet& set);

// Reads every marker anew: marker 1 at the highest peak when continuous, the others at the peak
// nearest where they stood (within the main lobe), a marker whose tone is gone at the level of
// its bin. Updates the bins and gives one reading per marker, in marker order.
std::vector<SpectrumPeak> ReadMarkers(const double* magnitudes, int count, const WindowLobe& lobe,
                                      MarkerSet& set);
