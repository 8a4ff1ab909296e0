#pragma once

#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <memory>

#include "controls/layout_item.h"
#include "controls/layout_pane.h"
#include "controls/layout_pane_ctrl.h"

class QPainter;

// Keeps the controls of a dialog-like window arranged when it changes size: the window
// describes its layout once as a tree of panes whose leaves are its controls (found by their
// dialog control ids), and every UpdateLayout divides the client area among them again.
class LayoutManager {
 public:
  explicit LayoutManager(QWidget* owner, int marginX = 5, int marginY = 5);

  // A leaf for the owner's control `id`; a preferred size of 0 or a minimum of -1 means the
  // control's size now.
  std::shared_ptr<LayoutItem> CreateItem(int id, unsigned mode, int preferredWidth = 0,
                                         int preferredHeight = 0, int minimumWidth = -1,
                                         int minimumHeight = -1);
  std::shared_ptr<LayoutPane> CreatePane(int orientation, unsigned mode, int gap, int border,
                                         int secondarySize = 0);
  std::shared_ptr<LayoutPaneCtrl> CreatePaneCtrl(int id, int orientation, unsigned mode, int gap,
                                                 int border, int topOffset);
  // Replaces the root with a new greedy pane and returns it.
  std::shared_ptr<LayoutPane> SetRoot(int orientation, int gap, int border);
  std::shared_ptr<LayoutPane> Root() const { return m_root; }

  // Lays the root out in the owner's client rectangle less the margins.
  void UpdateLayout();

  // The part of the owner's client area that its controls do not paint themselves.
  QRegion BackgroundRegion() const;
  // Fills BackgroundRegion() with the button-face colour.
  void EraseBackground(QPainter& painter) const;

  QWidget* Owner() const { return m_pOwner; }

 private:
  QPointer<QWidget> m_pOwner;
  std::shared_ptr<LayoutPane> m_root;
  int m_nMarginX;
  int m_nMarginY;
};
