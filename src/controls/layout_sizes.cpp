#include "controls/layout_sizes.h"

#include <algorithm>
#include <cstdlib>

namespace {

int Clamp(int size, int minimum, int maximum) {
  if (maximum != kUnboundedSize && size > maximum) size = maximum;
  if (size < minimum) size = minimum;
  return size;
}

}  // namespace

int BalanceDifference(std::vector<int>& sizes, std::vector<int> adjustable, int difference,
                      const std::vector<int>& minima, const std::vector<int>& maxima) {
  while (difference != 0 && !adjustable.empty()) {
    long long total = 0;
    for (int i : adjustable) total += sizes[i];
    int placed = 0;
    std::vector<int> stillFree;
    if (std::abs(difference) > 5 && total > 0) {
      for (int i : adjustable) {
        int share = static_cast<int>(static_cast<long long>(difference) * sizes[i] / total);
        int wanted = sizes[i] - share;
        int got = Clamp(wanted, minima[i], maxima[i]);
        placed += sizes[i] - got;
        sizes[i] = got;
        if (got == wanted) stillFree.push_back(i);
      }
    }
    if (placed == 0) {
      // Small remainders (or shares that all rounded to nothing) go to the first child.
      int i = adjustable.front();
      int wanted = sizes[i] - difference;
      int got = Clamp(wanted, minima[i], maxima[i]);
      placed = sizes[i] - got;
      sizes[i] = got;
      stillFree.assign(adjustable.begin() + 1, adjustable.end());
      if (got == wanted) stillFree.insert(stillFree.begin(), i);
    }
    difference -= placed;
    adjustable = std::move(stillFree);
  }
  return difference;
}

std::vector<int> DistributeLength(int length, int gap, int border,
                                  const std::vector<LayoutExtent>& children) {
  const int n = static_cast<int>(children.size());
  std::vector<int> sizes(n, 0);
  if (n == 0) return sizes;
  std::vector<int> minima(n), maxima(n);
  for (int i = 0; i < n; ++i) {
    minima[i] = children[i].minimum;
    maxima[i] = children[i].maximum;
  }

  int available = length - 2 * border - gap * (n - 1);
  for (int i = 0; i < n; ++i) {
    if (children[i].sizing == LayoutSizing::kFixed) {
      sizes[i] = children[i].size;
      available -= sizes[i];
    }
  }
  available = std::max(available, 0);

  std::vector<int> free;
  int extra = 0;
  for (int i = 0; i < n; ++i) {
    if (children[i].sizing != LayoutSizing::kPercent) continue;
    int wanted = available * children[i].size / 100;
    sizes[i] = Clamp(wanted, minima[i], maxima[i]);
    if (sizes[i] == wanted) free.push_back(i);
    extra += sizes[i] - wanted;
  }
  BalanceDifference(sizes, free, extra, minima, maxima);
  int remaining = available;
  for (int i = 0; i < n; ++i) {
    if (children[i].sizing == LayoutSizing::kPercent) remaining -= sizes[i];
  }

  std::vector<int> greedy;
  for (int i = 0; i < n; ++i) {
    if (children[i].sizing == LayoutSizing::kGreedy) greedy.push_back(i);
  }
  remaining = std::max(remaining, 0);
  free.clear();
  extra = 0;
  int toServe = static_cast<int>(greedy.size());
  for (int i : greedy) {
    int wanted = remaining / toServe;
    --toServe;
    remaining -= wanted;
    sizes[i] = Clamp(wanted, minima[i], maxima[i]);
    if (sizes[i] == wanted) free.push_back(i);
    extra += sizes[i] - wanted;
  }
  BalanceDifference(sizes, free, extra, minima, maxima);

  int used = 0;
  for (int s : sizes) used += s;
  int leftover = length - 2 * border - gap * (n - 1) - used;
  if (leftover > 0) {
    std::vector<int> fill;
    for (int i = 0; i < n; ++i) {
      if (children[i].sizing == LayoutSizing::kFixed && children[i].fill) fill.push_back(i);
    }
    int left = static_cast<int>(fill.size());
    for (int i : fill) {
      int share = leftover / left--;
      sizes[i] += share;
      leftover -= share;
    }
  }
  return sizes;
}
