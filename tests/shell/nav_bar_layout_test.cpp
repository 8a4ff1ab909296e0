#include <gtest/gtest.h>

#include "shell/nav_bar_ctrl.h"

namespace {
const QRect kClient(1, 1, 198, 500);  // rows 1..500, bottom edge (exclusive) at 501
}

TEST(NavBarLayout, SecondFolderHeaderSitsAtTheBottomUntilItOpens) {
  // Folder 0 open: its header starts one row above the client top, folder 1 ends at the bottom.
  EXPECT_EQ(NavFolderHeaderRect(kClient, 2, 0, 0), QRect(1, 0, 198, 22));
  EXPECT_EQ(NavFolderHeaderRect(kClient, 2, 0, 1), QRect(1, 501 - 22, 198, 22));
  EXPECT_EQ(NavFolderAreaRect(kClient, 2, 0), QRect(1, 22, 198, 501 - 22 - 22));
  // Folder 1 open: both headers at the top.
  EXPECT_EQ(NavFolderHeaderRect(kClient, 2, 1, 0), QRect(1, 0, 198, 22));
  EXPECT_EQ(NavFolderHeaderRect(kClient, 2, 1, 1), QRect(1, 22, 198, 22));
  EXPECT_EQ(NavFolderAreaRect(kClient, 2, 1), QRect(1, 44, 198, 501 - 44));
}

TEST(NavBarLayout, LargeIconsStackCentredWithLabelsBelow) {
  const QRect area(0, 22, 200, 400);
  const std::vector<QSize> labels = {QSize(50, 15), QSize(90, 30)};
  const NavItemsLayout layout = LayoutNavItems(area, QSize(32, 32), labels, 0, false);
  ASSERT_EQ(layout.items.size(), 2u);
  const NavItemGeometry& a = layout.items[0];
  // 8 px spacing above; icon 4 px into the item, centred; label 4 + 3 px below the icon.
  EXPECT_EQ(a.item, QRect(75, 30, 50, 32 + 8 + 3 + 15));
  EXPECT_EQ(a.icon, QRect(84, 34, 32, 32));
  EXPECT_EQ(a.label, QRect(75, 34 + 32 + 7, 50, 15));
  const NavItemGeometry& b = layout.items[1];
  EXPECT_EQ(b.item.top(), 30 + 58 + 8);
  EXPECT_EQ(b.item.width(), 90);
  EXPECT_EQ(b.item.height(), 32 + 8 + 3 + 30);
  EXPECT_FALSE(layout.upArrow);
  EXPECT_FALSE(layout.downArrow);
}

TEST(NavBarLayout, SmallIconsSitBesideTheirLabels) {
  const QRect area(0, 0, 150, 100);
  const NavItemsLayout layout =
      LayoutNavItems(area, QSize(16, 16), {QSize(40, 13), QSize(40, 20)}, 0, true);
  ASSERT_EQ(layout.items.size(), 2u);
  EXPECT_EQ(layout.items[0].icon, QRect(2, 10, 16, 16));
  EXPECT_EQ(layout.items[0].label, QRect(22, 11, 40, 13));
  EXPECT_EQ(layout.items[1].item.top(), 10 + 16 + 10);
  EXPECT_EQ(layout.items[1].item.height(), 20);
}

TEST(NavBarLayout, ScrollArrowsFollowTheOffsetAndOverflow) {
  const QRect area(0, 0, 100, 140);  // room for two large items of 58 px and their spacing
  const std::vector<QSize> labels(6, QSize(40, 15));
  NavItemsLayout top = LayoutNavItems(area, QSize(32, 32), labels, 0, false);
  EXPECT_FALSE(top.upArrow);
  EXPECT_TRUE(top.downArrow);
  EXPECT_EQ(top.items.size(), 2u);  // the third would start at 8 + 2 * 66 = 140
  NavItemsLayout last = LayoutNavItems(area, QSize(32, 32), labels, 4, false);
  EXPECT_TRUE(last.upArrow);
  EXPECT_FALSE(last.downArrow);
  EXPECT_EQ(last.items.front().index, 4);
  EXPECT_EQ(NavUpArrowRect(area, 16), QRect(79, 5, 16, 16));
  EXPECT_EQ(NavDownArrowRect(area, 16), QRect(79, 140 - 5 - 16, 16, 16));
}

TEST(NavBarLayout, AnimationTakesOneStepPerHeaderHeight) {
  EXPECT_EQ(NavAnimationPositions(479, 22),
            (std::vector<int>{457, 435, 413, 391, 369, 347, 325, 303, 281, 259, 237,
                              215, 193, 171, 149, 127, 105, 83,  61,  39,  22}));
  EXPECT_EQ(NavAnimationPositions(22, 66), (std::vector<int>{44, 66}));
  EXPECT_TRUE(NavAnimationPositions(30, 30).empty());
}

TEST(NavBarLayout, JiggleRepeatsEveryTwelveTicks) {
  int counter = 0;
  std::vector<int> seen;
  std::vector<QPoint> offsets;
  for (int tick = 0; tick < 24; ++tick) {
    counter = NextJiggleCounter(counter);
    seen.push_back(counter);
    offsets.push_back(JiggleOffset(counter));
  }
  EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + 13),
            (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, -1, 0, 1}));
  int displaced = 0;
  for (const QPoint& p : offsets) displaced += p != QPoint(0, 0);
  EXPECT_EQ(displaced, 4);  // counters 0 and 2, twice in 24 ticks
  EXPECT_EQ(JiggleOffset(0), QPoint(-1, 1));
  EXPECT_EQ(JiggleOffset(2), QPoint(1, 1));
  EXPECT_EQ(JiggleOffset(1), QPoint(0, 0));
  EXPECT_EQ(JiggleOffset(3), QPoint(0, 0));
}
