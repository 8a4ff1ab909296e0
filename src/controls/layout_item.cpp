#include "controls/layout_item.h"

#include <QComboBox>
#include <algorithm>

#include "controls/layout_sizes.h"

int LayoutNode::PreferredSize(int direction, int available) const {
  if (IsFixed(direction)) return SizeValue(direction);
  if (IsPercent(direction)) return available * SizeValue(direction) / 100;
  return kNoPreferredSize;
}

bool LayoutNode::IsFixed(int direction) const {
  return (m_nMode & (direction == LAYOUT_HORIZONTAL ? FIXED_WIDTH : FIXED_HEIGHT)) != 0;
}

bool LayoutNode::IsPercent(int direction) const {
  return (m_nMode & (direction == LAYOUT_HORIZONTAL ? PERCENT_WIDTH : PERCENT_HEIGHT)) != 0;
}

bool LayoutNode::IsFill(int direction) const {
  return (m_nMode & (direction == LAYOUT_HORIZONTAL ? FILL_WIDTH : FILL_HEIGHT)) != 0;
}

LayoutItem::LayoutItem(LayoutManager* owner, QWidget* control, unsigned mode, int preferredWidth,
                       int preferredHeight, int minimumWidth, int minimumHeight)
    : LayoutNode(owner, mode),
      m_pControl(control),
      m_nPreferredWidth(preferredWidth),
      m_nPreferredHeight(preferredHeight),
      m_nMinimumWidth(minimumWidth),
      m_nMinimumHeight(minimumHeight),
      m_bIsComboBox(qobject_cast<QComboBox*>(control) != nullptr) {
  const QSize now = control != nullptr ? control->size() : QSize(0, 0);
  if (m_nPreferredWidth == 0) m_nPreferredWidth = now.width();
  if (m_nPreferredHeight == 0) m_nPreferredHeight = now.height();
  if (m_nMinimumWidth == -1) m_nMinimumWidth = now.width();
  if (m_nMinimumHeight == -1) m_nMinimumHeight = now.height();
}

int LayoutItem::SizeValue(int direction) const {
  return direction == LAYOUT_HORIZONTAL ? m_nPreferredWidth : m_nPreferredHeight;
}

int LayoutItem::MinimumSize(int direction) const {
  if (IsFixed(direction)) return SizeValue(direction);
  return std::max(direction == LAYOUT_HORIZONTAL ? m_nMinimumWidth : m_nMinimumHeight, 5);
}

int LayoutItem::MaximumSize(int direction) const {
  return IsFixed(direction) ? SizeValue(direction) : kUnboundedSize;
}

namespace {

// Places a length inside [start, start + cellLength) by the two alignment bits (low: near,
// high: far, both: centred; neither: near).
int AlignedStart(int start, int cellLength, int length, unsigned bits, unsigned nearBit,
                 unsigned farBit) {
  const bool nearSet = (bits & nearBit) != 0;
  const bool farSet = (bits & farBit) != 0;
  if (nearSet && farSet) return start + (cellLength - length) / 2;
  if (farSet) return start + cellLength - length;
  return start;
}

}  // namespace

void LayoutItem::Layout(const QRect& cell) {
  if (m_pControl == nullptr) return;
  QRect r = cell;
  if (IsFixed(LAYOUT_HORIZONTAL) && !IsFill(LAYOUT_HORIZONTAL)) {
    const int w = m_pControl->width();
    r.setLeft(AlignedStart(cell.left(), cell.width(), w, m_nMode, ALIGN_LEFT, ALIGN_RIGHT));
    r.setWidth(w);
  }
  const bool keepHeight = (IsFixed(LAYOUT_VERTICAL) && !IsFill(LAYOUT_VERTICAL)) || m_bIsComboBox;
  if (keepHeight) {
    const int h = m_pControl->height();
    r.setTop(AlignedStart(cell.top(), cell.height(), h, m_nMode, ALIGN_TOP, ALIGN_BOTTOM));
    r.setHeight(h);
  }
  if (r != m_pControl->geometry()) m_pControl->setGeometry(r);
  m_pControl->update();
}
