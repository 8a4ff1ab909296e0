// The chart's side of the cursor layer: making it, what it sees, its keys and its drawing.
#include <QKeyEvent>

#include "chart/chart_ctrl.h"

ChartCursorLayer& ChartCtrl::CursorLayer() {
  if (!m_pCursorLayer) {
    m_pCursorLayer = std::make_unique<ChartCursorLayer>();
    // The readout speaks the chart's units, as its axis titles name them.
    m_pCursorLayer->SetUnits(AxisTitleUnit(m_szXTitle), AxisTitleUnit(m_szYTitle));
    // The arrow keys need the focus, which a click on the chart now gives it.
    setFocusPolicy(Qt::ClickFocus);
  }
  return *m_pCursorLayer;
}

CursorChartView ChartCtrl::CursorView() const {
  CursorChartView view;
  view.plot = m_plotRect;
  view.xmin = m_dXMin;
  view.xmax = m_dXMax;
  view.ymin = m_dYMin;
  view.ymax = m_dYMax;
  view.xDivisions = m_nXDivisions;
  view.yDivisions = m_nYDivisions;
  view.logX = m_bLogX != 0;
  const GivenPoints trace = GetGivenPoints(0);
  view.traceX = trace.x;
  view.traceY = trace.y;
  view.traceCount = trace.count;
  return view;
}

void ChartCtrl::DrawCursorLayer(DeviceContext& dc) {
  if (m_pCursorLayer) m_pCursorLayer->Draw(dc, CursorView(), m_labelFont);
}

void ChartCtrl::keyPressEvent(QKeyEvent* event) {
  const QPoint mouse(m_nMouseX, m_nMouseY);
  const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
  if (m_pCursorLayer && m_pCursorLayer->Key(event->key(), shift, mouse, CursorView())) {
    update();
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}
