#pragma once

#include <QPointer>
#include <QWidget>

#include "controls/layout_node.h"

// A leaf of the layout tree: one dialog control.
class LayoutItem : public LayoutNode {
 public:
  // A preferred size of 0 or a minimum of -1 stands for the control's size now.
  LayoutItem(LayoutManager* owner, QWidget* control, unsigned mode, int preferredWidth,
             int preferredHeight, int minimumWidth, int minimumHeight);

  int MinimumSize(int direction) const override;
  int MaximumSize(int direction) const override;
  void Layout(const QRect& cell) override;

  QWidget* Control() const { return m_pControl; }

 protected:
  int SizeValue(int direction) const override;

 private:
  QPointer<QWidget> m_pControl;
  int m_nPreferredWidth;
  int m_nPreferredHeight;
  int m_nMinimumWidth;
  int m_nMinimumHeight;
  bool m_bIsComboBox;
};
