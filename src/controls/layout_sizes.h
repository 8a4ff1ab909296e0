#pragma once

#include <vector>

// Size arithmetic of the resize layout manager, free of any window so it can be checked alone.

// A maximum size without a bound.
constexpr int kUnboundedSize = -1;

enum class LayoutSizing {
  kGreedy,   // takes a share of what the others leave
  kFixed,    // `size` pixels
  kPercent,  // `size` percent of the length left after the fixed children
};

// One child of a pane, seen along the pane's direction.
struct LayoutExtent {
  LayoutSizing sizing = LayoutSizing::kGreedy;
  int size = 0;
  int minimum = 0;
  int maximum = kUnboundedSize;
  bool fill = false;  // a fixed child that also shares length left over at the end
};

// The lengths of a pane's children when the pane is `length` pixels long along its direction,
// with `gap` pixels between neighbours and `border` pixels free at both ends. Greedy children
// share equally, later ones receiving the rounding leftovers; a child held at its minimum or
// maximum takes the difference from (or gives it to) its unlimited siblings.
std::vector<int> DistributeLength(int length, int gap, int border,
                                  const std::vector<LayoutExtent>& children);

// Adds or removes `difference` pixels over the children listed in `adjustable`, proportionally to
// their sizes while it exceeds 5 pixels, else all on the first; a child stops at its limits.
// Positive differences are taken away. Returns what could not be placed.
int BalanceDifference(std::vector<int>& sizes, std::vector<int> adjustable, int difference,
                      const std::vector<int>& minima, const std::vector<int>& maxima);
