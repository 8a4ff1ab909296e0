#include "controls/flat_splitter.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

namespace {

TEST(FlatSplitterTest, PaneSizesKeepIdealsAndCollapseBelowMinimum) {
  // Row 0 fits at its ideal; the last row takes what remains after the 2-pixel bar.
  EXPECT_EQ(StaticSplitterSizes(300, 2, {{200, 0}, {0, 0}}), (std::vector<int>{200, 98}));
  // An ideal below the minimum collapses the row.
  EXPECT_EQ(StaticSplitterSizes(300, 2, {{10, 20}, {0, 0}}), (std::vector<int>{0, 298}));
  // An ideal larger than the splitter is cut to what there is.
  EXPECT_EQ(StaticSplitterSizes(300, 2, {{500, 0}, {0, 0}}), (std::vector<int>{300, 0}));
}

class FlatSplitterWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_splitter.addWidget(m_top);
    m_splitter.addWidget(m_bottom);
    m_splitter.resize(200, 302);
    m_splitter.SetPaneInfo(0, 150, 0);
    m_splitter.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_splitter));
    m_splitter.RecalcLayout();
  }
  FlatSplitter m_splitter{Qt::Vertical};
  QWidget* m_top = new QWidget;
  QWidget* m_bottom = new QWidget;
};

TEST_F(FlatSplitterWidgetTest, BarCannotBeDragged) {
  // 300 px below the 2-px top line: 150, a 2-px bar, 148.
  ASSERT_EQ(m_splitter.sizes(), (QList<int>{150, 148}));
  QSplitterHandle* bar = m_splitter.handle(1);
  EXPECT_EQ(m_bottom->y() - (m_top->y() + m_top->height()), 2);
  EXPECT_EQ(bar->cursor().shape(), Qt::ArrowCursor);
  QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, QPoint(100, 1));
  QTest::mouseMove(bar, QPoint(100, 60));
  QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(100, 60));
  EXPECT_EQ(m_splitter.sizes(), (QList<int>{150, 148}));
}

TEST_F(FlatSplitterWidgetTest, EtchedTopLineAbovePanes) {
  EXPECT_EQ(m_top->y(), 2);
  m_top->hide();  // let the splitter's own background show
  const QImage img = m_splitter.grab().toImage();
  const QPalette& pal = m_splitter.palette();
  for (int x : {0, 100, 199}) {
    EXPECT_EQ(img.pixel(x, 0), pal.color(QPalette::Dark).rgb()) << x;
    EXPECT_EQ(img.pixel(x, 1), pal.color(QPalette::Light).rgb()) << x;
  }
}

TEST_F(FlatSplitterWidgetTest, RowBelowItsMinimumCollapses) {
  m_splitter.SetPaneInfo(0, 10, 20);
  m_splitter.RecalcLayout();
  EXPECT_EQ(m_splitter.sizes().at(0), 0);
}

}  // namespace
