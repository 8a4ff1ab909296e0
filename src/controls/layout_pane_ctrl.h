#pragma once

#include <QPointer>
#include <QWidget>

#include "controls/layout_pane.h"

// A pane that also owns a control covering its whole rectangle (a group frame, or a control
// such as a rotary switch with no children), with its children laid out below the control's
// top edge by the top offset.
class LayoutPaneCtrl : public LayoutPane {
 public:
  LayoutPaneCtrl(LayoutManager* owner, QWidget* control, int orientation, unsigned mode, int gap,
                 int border, int topOffset);

  int MinimumSize(int direction) const override;
  int MaximumSize(int direction) const override;
  void Layout(const QRect& cell) override;

  QWidget* Control() const { return m_pControl; }

 private:
  QPointer<QWidget> m_pControl;
  int m_nTopOffset;
};
