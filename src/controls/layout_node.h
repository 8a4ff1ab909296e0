#pragma once

#include <QRect>
#include <memory>

// Mode flags of a pane or item of the resize layout manager.
constexpr unsigned FIXED_WIDTH = 0x001;
constexpr unsigned PERCENT_WIDTH = 0x002;
constexpr unsigned FIXED_HEIGHT = 0x004;
constexpr unsigned PERCENT_HEIGHT = 0x008;
constexpr unsigned ALIGN_LEFT = 0x010;
constexpr unsigned ALIGN_RIGHT = 0x020;
constexpr unsigned ALIGN_HCENTER = 0x030;
constexpr unsigned ALIGN_TOP = 0x040;
constexpr unsigned ALIGN_BOTTOM = 0x080;
constexpr unsigned ALIGN_VCENTER = 0x0C0;
constexpr unsigned FILL_WIDTH = 0x100;
constexpr unsigned FILL_HEIGHT = 0x200;

// Orientation of a pane, and the direction a size is asked for.
constexpr int LAYOUT_HORIZONTAL = 0;
constexpr int LAYOUT_VERTICAL = 1;

// "No preferred size": the node is greedy in that direction.
constexpr int kNoPreferredSize = -1;

class LayoutManager;

// A node of the layout tree: an item (one control) or a pane (a row or column of nodes).
class LayoutNode {
 public:
  LayoutNode(LayoutManager* owner, unsigned mode) : m_pOwner(owner), m_nMode(mode) {}
  virtual ~LayoutNode() = default;
  LayoutNode(const LayoutNode&) = delete;
  LayoutNode& operator=(const LayoutNode&) = delete;

  unsigned Mode() const { return m_nMode; }

  // Preferred length in a direction when `available` pixels are offered: the fixed size, the
  // percentage of `available`, or kNoPreferredSize.
  int PreferredSize(int direction, int available) const;
  virtual int MinimumSize(int direction) const = 0;
  // kUnboundedSize when the node can grow without limit.
  virtual int MaximumSize(int direction) const = 0;
  // Moves the node's controls into the cell.
  virtual void Layout(const QRect& cell) = 0;

  bool IsFixed(int direction) const;
  bool IsPercent(int direction) const;
  bool IsFill(int direction) const;

 protected:
  // The number behind the fixed or percentage size: an item's preferred size, a pane's
  // secondary size.
  virtual int SizeValue(int direction) const = 0;

  LayoutManager* m_pOwner;
  unsigned m_nMode;
};

using LayoutNodePtr = std::shared_ptr<LayoutNode>;
