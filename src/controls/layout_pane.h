#pragma once

#include <vector>

#include "controls/layout_node.h"

// A row (horizontal) or column (vertical) of layout nodes with gaps between them and a border
// around them.
class LayoutPane : public LayoutNode {
 public:
  LayoutPane(LayoutManager* owner, int orientation, unsigned mode, int gap, int border,
             int secondarySize);

  // Appends a child; returns this pane so that children can be chained.
  LayoutPane& AddChild(LayoutNodePtr child);

  int MinimumSize(int direction) const override;
  int MaximumSize(int direction) const override;
  void Layout(const QRect& cell) override;

  int Orientation() const { return m_nOrientation; }
  const std::vector<LayoutNodePtr>& Children() const { return m_children; }

  // The lengths the children get along the pane's direction when the pane is `length` long.
  std::vector<int> ChildLengths(int length) const;

 protected:
  int SizeValue(int) const override { return m_nSecondarySize; }
  // Lays the children out in `cell` (the pane's rectangle, border included).
  void LayoutChildren(const QRect& cell);

  int m_nOrientation;
  int m_nSecondarySize;
  int m_nGap;
  int m_nBorder;
  std::vector<LayoutNodePtr> m_children;
};
