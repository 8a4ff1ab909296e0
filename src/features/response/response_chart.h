#pragma once

#include <utility>
#include <vector>

#include "chart/chart_ctrl.h"

// A chart of traces over frequency or time that may have holes: a point given as not-a-number
// breaks its trace instead of dropping to the bottom of the range. The first trace can be
// drawn in grey where it is not to be trusted, and a shaded band along the bottom of the plot
// can show a value from 0 to 1 (the coherence) on the same x axis.
class ResponseChart : public ChartCtrl {
 public:
  // Per point of the first trace: nonzero draws its segments in grey. Empty: none grey. Filled
  // in place, so that a redraw reuses the arrays.
  std::vector<unsigned char>& Greyed() { return m_greyed; }
  // Per point of the first trace: the band's height as a share of the band's full height, a
  // fifth of the plot; empty for no band.
  std::vector<double>& Band() { return m_band; }
  // Neighbouring points further apart than jump in y are not joined (a wrapped phase's turn);
  // 0 joins every pair.
  void SetBreakAbove(double jump) { m_dJump = jump; }

 protected:
  void DrawSeries(DeviceContext& dc) override;

 private:
  std::vector<unsigned char> m_greyed;
  std::vector<double> m_band;
  static constexpr double kBandShare = 0.2;
  double m_dJump = 0;
};

// The colour of a trace where it is not to be trusted.
constexpr COLORREF kGreyedTraceColor = RGB(190, 190, 190);
constexpr COLORREF kBandColor = RGB(215, 240, 215);
