#include "controls/layout_manager.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QWidget>

#include "controls/dialog_control.h"
#include "controls/layout_sizes.h"

namespace {

LayoutExtent Greedy(int minimum = 5, int maximum = kUnboundedSize) {
  return LayoutExtent{LayoutSizing::kGreedy, 0, minimum, maximum, false};
}

TEST(LayoutSizesTest, GreedyChildrenShareEquallyWithLeftoversToTheLast) {
  // 100 - 2 gaps of 5 = 90 for three children; 101 leaves the odd pixel to the last.
  EXPECT_EQ(DistributeLength(100, 5, 0, {Greedy(), Greedy(), Greedy()}),
            (std::vector<int>{30, 30, 30}));
  EXPECT_EQ(DistributeLength(101, 5, 0, {Greedy(), Greedy(), Greedy()}),
            (std::vector<int>{30, 30, 31}));
  // 103: 91 over three is 30, then 61 over two is 30, the rest 31.
  EXPECT_EQ(DistributeLength(103, 5, 1, {Greedy(), Greedy(), Greedy()}),
            (std::vector<int>{30, 30, 31}));
}

TEST(LayoutSizesTest, MinimumIsTakenFromGreedyNeighbours) {
  // The middle child would get 30; it needs 40, so each neighbour gives 10 * 30 / 60 = 5.
  EXPECT_EQ(DistributeLength(100, 5, 0, {Greedy(), Greedy(40), Greedy()}),
            (std::vector<int>{25, 40, 25}));
  // A difference of 5 pixels or less is taken from the first free child alone.
  EXPECT_EQ(DistributeLength(100, 5, 0, {Greedy(), Greedy(34), Greedy()}),
            (std::vector<int>{26, 34, 30}));
}

TEST(LayoutSizesTest, MaximumGivesTheRestToNeighbours) {
  // 33, 33, 34 with the first held at 10: 23 pixels go to the others, 11 each by proportion,
  // the last pixel to the first of them.
  EXPECT_EQ(DistributeLength(100, 0, 0, {Greedy(5, 10), Greedy(), Greedy()}),
            (std::vector<int>{10, 45, 45}));
}

TEST(LayoutSizesTest, FixedPercentAndFillChildren) {
  // Fixed 20 leaves 80; 50 % of that is 40; the greedy child takes the remaining 40.
  const LayoutExtent fixed{LayoutSizing::kFixed, 20, 20, 20, false};
  const LayoutExtent half{LayoutSizing::kPercent, 50, 5, kUnboundedSize, false};
  EXPECT_EQ(DistributeLength(100, 0, 0, {fixed, half, Greedy()}), (std::vector<int>{20, 40, 40}));
  // Two filling fixed children share the 50 pixels left over equally.
  const LayoutExtent fill20{LayoutSizing::kFixed, 20, 20, 20, true};
  const LayoutExtent fill30{LayoutSizing::kFixed, 30, 30, 30, true};
  EXPECT_EQ(DistributeLength(100, 0, 0, {fill20, fill30}), (std::vector<int>{45, 55}));
  // Fixed children larger than the pane leave nothing (not a negative length) to the others.
  const LayoutExtent big{LayoutSizing::kFixed, 150, 150, 150, false};
  const std::vector<int> sizes = DistributeLength(100, 0, 0, {big, Greedy(0)});
  EXPECT_EQ(sizes[0], 150);
  EXPECT_GE(sizes[1], 0);
}

class LayoutTreeTest : public ::testing::Test {
 protected:
  QWidget* AddControl(int id, int width, int height) {
    auto* w = new QWidget(&m_owner);
    SetDialogControlId(w, id);
    w->resize(width, height);
    return w;
  }
  QWidget m_owner;
  LayoutManager m_layout{&m_owner, 5, 5};
};

TEST_F(LayoutTreeTest, MinimumOfMinusOneIsTheControlsSizeAtCreation) {
  QWidget* a = AddControl(1, 50, 20);
  AddControl(2, 10, 10);
  auto item = m_layout.CreateItem(1, 0, 0, 0, -1, -1);
  EXPECT_EQ(item->MinimumSize(LAYOUT_HORIZONTAL), 50);
  EXPECT_EQ(item->MinimumSize(LAYOUT_VERTICAL), 20);
  EXPECT_EQ(item->MaximumSize(LAYOUT_HORIZONTAL), kUnboundedSize);

  m_layout.SetRoot(LAYOUT_HORIZONTAL, 5, 0)
      ->AddChild(item)
      .AddChild(m_layout.CreateItem(2, 0, 0, 5, 5));
  m_owner.resize(70, 40);  // 60 px inside the margins: 27 + 28 if both were free
  m_layout.UpdateLayout();
  EXPECT_EQ(a->geometry(), QRect(5, 5, 50, 30));
}

TEST_F(LayoutTreeTest, PaneWithoutChildren) {
  auto pane = m_layout.CreatePane(LAYOUT_HORIZONTAL, 0, 5, 10);
  EXPECT_EQ(pane->MinimumSize(LAYOUT_HORIZONTAL), 2 * 10 - 5);
  EXPECT_EQ(pane->MaximumSize(LAYOUT_HORIZONTAL), kUnboundedSize);
  // A control pane adds its top offset to its height.
  auto ctrl = m_layout.CreatePaneCtrl(0, LAYOUT_HORIZONTAL, 0, 5, 10, 10);
  EXPECT_EQ(ctrl->MinimumSize(LAYOUT_VERTICAL), 2 * 10 + 10);
}

TEST_F(LayoutTreeTest, FixedItemKeepsItsSizeAtItsAlignment) {
  QWidget* a = AddControl(1, 30, 12);
  m_layout.SetRoot(LAYOUT_HORIZONTAL, 0, 0)
      ->AddChild(m_layout.CreateItem(1, FIXED_HEIGHT | ALIGN_BOTTOM, 0, 0, 5, -1));
  m_owner.resize(110, 60);
  m_layout.UpdateLayout();
  // Greedy across, fixed height at the bottom of the 50-pixel cell.
  EXPECT_EQ(a->geometry(), QRect(5, 43, 100, 12));
}

TEST_F(LayoutTreeTest, BackgroundLeavesOutControlsButNotGroupFrames) {
  m_owner.resize(100, 100);
  QWidget* a = AddControl(1, 20, 20);
  a->move(10, 10);
  auto* group = new QGroupBox(&m_owner);
  group->setGeometry(40, 40, 50, 50);
  m_owner.show();
  const QRegion bg = m_layout.BackgroundRegion();
  EXPECT_FALSE(bg.contains(QPoint(15, 15)));
  EXPECT_TRUE(bg.contains(QPoint(35, 35)));
  EXPECT_TRUE(bg.contains(QPoint(60, 60)));
}

}  // namespace
