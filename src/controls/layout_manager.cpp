#include "controls/layout_manager.h"

#include <QGroupBox>
#include <QPainter>
#include <QPolygon>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>

#include "controls/dialog_control.h"

LayoutManager::LayoutManager(QWidget* owner, int marginX, int marginY)
    : m_pOwner(owner), m_nMarginX(marginX), m_nMarginY(marginY) {}

std::shared_ptr<LayoutItem> LayoutManager::CreateItem(int id, unsigned mode, int preferredWidth,
                                                      int preferredHeight, int minimumWidth,
                                                      int minimumHeight) {
  return std::make_shared<LayoutItem>(this, FindDialogControl(m_pOwner, id), mode, preferredWidth,
                                      preferredHeight, minimumWidth, minimumHeight);
}

std::shared_ptr<LayoutPane> LayoutManager::CreatePane(int orientation, unsigned mode, int gap,
                                                      int border, int secondarySize) {
  return std::make_shared<LayoutPane>(this, orientation, mode, gap, border, secondarySize);
}

std::shared_ptr<LayoutPaneCtrl> LayoutManager::CreatePaneCtrl(int id, int orientation,
                                                              unsigned mode, int gap, int border,
                                                              int topOffset) {
  return std::make_shared<LayoutPaneCtrl>(this, FindDialogControl(m_pOwner, id), orientation, mode,
                                          gap, border, topOffset);
}

std::shared_ptr<LayoutPane> LayoutManager::SetRoot(int orientation, int gap, int border) {
  m_root = CreatePane(orientation, 0, gap, border);
  return m_root;
}

void LayoutManager::UpdateLayout() {
  if (m_root == nullptr || m_pOwner == nullptr) return;
  m_root->Layout(m_pOwner->rect().adjusted(m_nMarginX, m_nMarginY, -m_nMarginX, -m_nMarginY));
}

QRegion LayoutManager::BackgroundRegion() const {
  if (m_pOwner == nullptr) return QRegion();
  QRegion region(m_pOwner->rect());
  for (QWidget* child : m_pOwner->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->isVisible() || child->isWindow()) continue;
    // Group frames are transparent inside: the background shows through them.
    if (qobject_cast<QGroupBox*>(child) != nullptr) continue;
    if (auto* tabs = qobject_cast<QTabWidget*>(child)) {
      // Only the tab strip is the control's own; the page area takes the window background.
      QRect strip = tabs->tabBar()->geometry().translated(tabs->pos());
      region -= QRegion(strip);
      continue;
    }
    if (auto* bar = qobject_cast<QStatusBar*>(child)) {
      if (bar->isSizeGripEnabled()) {
        const QRect g = bar->geometry();
        const int s = std::min(g.height(), 16);
        QPolygon grip;
        grip << QPoint(g.right() + 1, g.bottom() + 1 - s) << QPoint(g.right() + 1, g.bottom() + 1)
             << QPoint(g.right() + 1 - s, g.bottom() + 1);
        region -= QRegion(grip);
      }
      continue;
    }
    region -= QRegion(child->geometry());
  }
  return region;
}

void LayoutManager::EraseBackground(QPainter& painter) const {
  if (m_pOwner == nullptr) return;
  const QBrush face = m_pOwner->palette().brush(QPalette::Button);
  for (const QRect& r : BackgroundRegion()) painter.fillRect(r, face);
}
