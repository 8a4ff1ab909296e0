#include "controls/layout_pane.h"

#include <algorithm>

#include "controls/layout_sizes.h"

LayoutPane::LayoutPane(LayoutManager* owner, int orientation, unsigned mode, int gap, int border,
                       int secondarySize)
    : LayoutNode(owner, mode),
      m_nOrientation(orientation),
      m_nSecondarySize(secondarySize),
      m_nGap(gap),
      m_nBorder(border) {}

LayoutPane& LayoutPane::AddChild(LayoutNodePtr child) {
  if (child != nullptr) m_children.push_back(std::move(child));
  return *this;
}

int LayoutPane::MinimumSize(int direction) const {
  const int n = static_cast<int>(m_children.size());
  if (direction == m_nOrientation) {
    int sum = 0;
    for (const auto& c : m_children) sum += std::max(c->MinimumSize(direction), 5);
    return sum + m_nGap * (n - 1) + 2 * m_nBorder;
  }
  if (IsFixed(direction) && m_nSecondarySize != 0) return m_nSecondarySize;
  int largest = 0;
  for (const auto& c : m_children) largest = std::max(largest, c->MinimumSize(direction));
  return largest + 2 * m_nBorder;
}

int LayoutPane::MaximumSize(int direction) const {
  const int n = static_cast<int>(m_children.size());
  if (direction != m_nOrientation && IsFixed(direction) && m_nSecondarySize != 0) {
    return m_nSecondarySize;
  }
  if (n == 0) return kUnboundedSize;
  int sum = 0;
  int largest = 0;
  for (const auto& c : m_children) {
    const int m = c->MaximumSize(direction);
    if (m == kUnboundedSize) return kUnboundedSize;
    sum += m;
    largest = std::max(largest, m);
  }
  if (direction == m_nOrientation) return sum + m_nGap * (n - 1) + 2 * m_nBorder;
  return largest + 2 * m_nBorder;
}

std::vector<int> LayoutPane::ChildLengths(int length) const {
  const int n = static_cast<int>(m_children.size());
  std::vector<LayoutExtent> extents;
  extents.reserve(n);
  for (const auto& c : m_children) {
    LayoutExtent e;
    e.minimum = c->MinimumSize(m_nOrientation);
    e.maximum = c->MaximumSize(m_nOrientation);
    if (c->IsFixed(m_nOrientation)) {
      e.sizing = LayoutSizing::kFixed;
      e.size = c->PreferredSize(m_nOrientation, 0);
      e.fill = c->IsFill(m_nOrientation);
    } else if (c->IsPercent(m_nOrientation)) {
      e.sizing = LayoutSizing::kPercent;
      // The percentage itself: a preferred size for 100 available pixels.
      e.size = c->PreferredSize(m_nOrientation, 100);
    }
    extents.push_back(e);
  }
  return DistributeLength(length, m_nGap, m_nBorder, extents);
}

void LayoutPane::LayoutChildren(const QRect& cell) {
  const bool horizontal = m_nOrientation == LAYOUT_HORIZONTAL;
  const std::vector<int> lengths = ChildLengths(horizontal ? cell.width() : cell.height());
  const QRect inner = cell.adjusted(m_nBorder, m_nBorder, -m_nBorder, -m_nBorder);
  int pos = horizontal ? inner.left() : inner.top();
  for (size_t i = 0; i < m_children.size(); ++i) {
    const QRect childCell = horizontal ? QRect(pos, inner.top(), lengths[i], inner.height())
                                       : QRect(inner.left(), pos, inner.width(), lengths[i]);
    m_children[i]->Layout(childCell);
    pos += lengths[i] + m_nGap;
  }
}

void LayoutPane::Layout(const QRect& cell) { LayoutChildren(cell); }
