#include "controls/flat_slider.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QTest>

namespace {

QRect Bounds(const std::array<QPoint, 5>& points) {
  QRect r(points[0], points[0]);
  for (const QPoint& p : points) r = r.united(QRect(p, p));
  return r;
}

void SendFocus(QWidget* w, bool in) {
  QFocusEvent event(in ? QEvent::FocusIn : QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(w, &event);
}

}  // namespace

TEST(FlatSliderTest, TallThumbRectangleGivesTheDownPointingThumbAtItsCorner) {
  const FlatThumbShape down = FlatThumbFor(QRect(10, 20, 11, 21));
  EXPECT_TRUE(down.pointsDown);
  EXPECT_EQ(Bounds(down.outline), QRect(10, 20, 15, 15));
  EXPECT_EQ(down.outline[2], QPoint(17, 34));  // the tip, centred under the body
  EXPECT_EQ(down.recorded, QRect(10, 20, 20, 21));

  const FlatThumbShape right = FlatThumbFor(QRect(10, 20, 21, 11));
  EXPECT_FALSE(right.pointsDown);
  EXPECT_EQ(Bounds(right.outline), QRect(10, 20, 15, 15));
  EXPECT_EQ(right.outline[3], QPoint(24, 27));
  EXPECT_EQ(right.recorded, QRect(10, 20, 21, 20));
}

TEST(FlatSliderTest, ThumbAndGripTakeTheFocusColours) {
  QWidget host;
  FlatSlider slider(Qt::Horizontal, &host);
  slider.setGeometry(0, 0, 200, 40);
  slider.setRange(1, 2);
  slider.setValue(1);
  const QRect thumb = slider.ThumbRect();
  ASSERT_GT(thumb.height(), thumb.width());
  const QPoint o = thumb.topLeft();

  auto check = [&](QRgb fill, QRgb light, QRgb dark) {
    const QImage img = slider.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(img.pixel(o + QPoint(7, 10)), fill);
    EXPECT_EQ(img.pixel(o + QPoint(6, 6)), light);
    EXPECT_EQ(img.pixel(o + QPoint(7, 7)), dark);
    EXPECT_EQ(img.pixel(o + QPoint(0, 3)), qRgb(0, 0, 0));  // outline
  };
  check(qRgb(192, 192, 192), qRgb(255, 255, 255), qRgb(0, 0, 0));
  SendFocus(&slider, true);
  EXPECT_TRUE(slider.HasFocusLook());
  check(qRgb(160, 160, 192), qRgb(166, 202, 240), qRgb(60, 60, 80));
  SendFocus(&slider, false);
  EXPECT_FALSE(slider.HasFocusLook());
  check(qRgb(192, 192, 192), qRgb(255, 255, 255), qRgb(0, 0, 0));
  EXPECT_EQ(slider.LastThumbRect(), QRect(o.x(), o.y(), 20, 21));
}

TEST(FlatSliderTest, ChannelIsFlatGreyWithAGreyFrameAndWhiteOuterEdge) {
  FlatSlider slider(Qt::Horizontal);
  slider.resize(200, 40);
  slider.setRange(1, 2);
  slider.setValue(2);  // thumb at the right, out of the way
  const QRect c = slider.ChannelRect();
  const QImage img = slider.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const int x = c.left() + 20;
  EXPECT_EQ(img.pixel(x, c.top()), qRgb(128, 128, 128));
  EXPECT_EQ(img.pixel(x, c.top() + 2), qRgb(204, 204, 204));
  EXPECT_EQ(img.pixel(x, c.bottom()), qRgb(128, 128, 128));
  EXPECT_EQ(img.pixel(x, c.bottom() + 1), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(c.left(), c.top() + 2), qRgb(128, 128, 128));
}

TEST(FlatSliderTest, VerticalSliderRunsDownwardFromItsMinimum) {
  FlatSlider slider(Qt::Vertical);
  slider.resize(40, 200);
  slider.setRange(1, 20000);
  slider.setValue(1);
  const int topAtMinimum = slider.ThumbRect().top();
  slider.setValue(20000);
  EXPECT_GT(slider.ThumbRect().top(), topAtMinimum + 100);
  EXPECT_FALSE(FlatThumbFor(slider.ThumbRect()).pointsDown);

  slider.setValue(100);
  QTest::keyClick(&slider, Qt::Key_Down);
  EXPECT_EQ(slider.value(), 101);
  QTest::keyClick(&slider, Qt::Key_Up);
  QTest::keyClick(&slider, Qt::Key_Up);
  EXPECT_EQ(slider.value(), 99);
}

TEST(FlatSliderTest, KeysMoveLikeTheTrackBarInBothOrientations) {
  for (Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
    FlatSlider slider(orientation);
    slider.resize(orientation == Qt::Horizontal ? QSize(200, 40) : QSize(40, 200));
    slider.setRange(0, 1000);
    slider.setPageStep(100);
    const struct {
      Qt::Key key;
      int expected;
    } steps[] = {{Qt::Key_Up, 499},    {Qt::Key_Left, 498},   {Qt::Key_Down, 499},
                 {Qt::Key_Right, 500}, {Qt::Key_PageUp, 400}, {Qt::Key_PageDown, 500},
                 {Qt::Key_Home, 0},    {Qt::Key_End, 1000}};
    slider.setValue(500);
    for (const auto& step : steps) {
      QTest::keyClick(&slider, step.key);
      EXPECT_EQ(slider.value(), step.expected) << orientation << " key " << step.key;
    }
  }
}
