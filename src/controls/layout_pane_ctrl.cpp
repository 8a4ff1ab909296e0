#include "controls/layout_pane_ctrl.h"

#include "controls/layout_sizes.h"

LayoutPaneCtrl::LayoutPaneCtrl(LayoutManager* owner, QWidget* control, int orientation,
                               unsigned mode, int gap, int border, int topOffset)
    : LayoutPane(owner, orientation, mode, gap, border, 0),
      m_pControl(control),
      m_nTopOffset(topOffset) {}

int LayoutPaneCtrl::MinimumSize(int direction) const {
  const int m = LayoutPane::MinimumSize(direction);
  return direction == LAYOUT_VERTICAL ? m + m_nTopOffset : m;
}

int LayoutPaneCtrl::MaximumSize(int direction) const {
  const int m = LayoutPane::MaximumSize(direction);
  if (direction != LAYOUT_VERTICAL || m == kUnboundedSize) return m;
  return m + m_nTopOffset;
}

void LayoutPaneCtrl::Layout(const QRect& cell) {
  if (m_pControl != nullptr) {
    if (m_pControl->geometry() != cell) m_pControl->setGeometry(cell);
    m_pControl->update();
  }
  LayoutChildren(cell.adjusted(0, m_nTopOffset, 0, 0));
}
