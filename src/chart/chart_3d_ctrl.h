#pragma once

#include <vector>

#include "chart/chart_ctrl.h"
#include "chart/chart_math.h"

// The waterfall: series k is the frame drawn at depth k (series 0 in front), each a filled
// curtain from its curve to the value 0, in an oblique projection inside an open box.
class Chart3DCtrl : public ChartCtrl {
 public:
  Chart3DCtrl();
  ~Chart3DCtrl() override = default;

  // Sets the box and derives the 2-D window from it: x from x0 to twice the projected box
  // width, y one box height below and above the box.
  void Set3DRange(double x0, double x1, double y0, double y1, double z0, double z1);
  // (x, y, z) into data units of the 2-D window, before the box origin is added.
  ProjectedPoint Project3D(double x, double y, double z) const;
  QPoint MapToPixel3D(double x, double y, double z) const;
  // Moves every series one step back in depth; series 0 keeps its frame.
  void ShiftHistory();
  // Whether series serie holds (minimum, maximum) pairs drawn as a band; moves with its frame.
  void SetBand(int serie, bool band);

  // One curtain segment: the curve from p1 to p2 and the zero line back from p3 to p4.
  struct Quad {
    QPoint p1, p2, p3, p4;
  };
  // The segments drawn for a series: one per pair of consecutive points up to the last index,
  // skipping pairs that land on one pixel. For a band series, one per pair of consecutive
  // columns: p1 to p2 along the maxima and p4 to p3 along the minima.
  std::vector<Quad> CurtainSegments(int serie) const;

  double GetDepthFactor() const { return m_dDepthFactor; }
  double GetXOrigin() const { return m_dXOrigin; }
  double GetYOrigin() const { return m_dYOrigin; }
  double GetZMin() const { return m_dZMin; }
  double GetZMax() const { return m_dZMax; }
  double GetBoxXMin() const { return m_dBoxXMin; }
  double GetBoxXMax() const { return m_dBoxXMax; }
  double GetBoxYMin() const { return m_dBoxYMin; }
  double GetBoxYMax() const { return m_dBoxYMax; }
  int GetDepthDivisions() const { return m_nDepthDivisions; }

 protected:
  void DrawSeries(DeviceContext& dc) override;
  void DrawGrid(DeviceContext&) override {}
  void DrawAxes(DeviceContext& dc) override;
  void DrawLabels(DeviceContext& dc) override;
  void CreateFonts() override;
  void DrawCursor(DeviceContext&) override {}

  double m_dDepthFactor = 0;
  double m_dYOrigin = 0;
  double m_dXOrigin = 0;
  double m_dXAngle = -15;
  double m_dZAngle = 20;
  double m_dZMin = 0;
  double m_dZMax = 100;
  double m_dBoxXMin = 0;
  double m_dBoxXMax = 100;
  double m_dBoxYMin = 0;
  double m_dBoxYMax = 20;
  int m_nDepthDivisions = 2;
  DcFont m_depthFont;
};
