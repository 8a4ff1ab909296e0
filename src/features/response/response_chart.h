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
  // Per point of the first trace: nonzero draws its segments in grey. Empty: none grey.
  void SetGreyed(std::vector<unsigned char> greyed) { m_greyed = std::move(greyed); }
  // Per point of the first trace: the band's height as a share of bandShare of the plot;
  // empty for no band.
  void SetBand(std::vector<double> values, double bandShare = 0.2) {
    m_band = std::move(values);
    m_dBandShare = bandShare;
  }
  const std::vector<unsigned char>& Greyed() const { return m_greyed; }

 protected:
  void DrawSeries(DeviceContext& dc) override;

 private:
  std::vector<unsigned char> m_greyed;
  std::vector<double> m_band;
  double m_dBandShare = 0.2;
};

// The colour of a trace where it is not to be trusted.
constexpr COLORREF kGreyedTraceColor = RGB(190, 190, 190);
constexpr COLORREF kBandColor = RGB(200, 230, 200);
