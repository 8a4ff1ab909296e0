#include "controls/rotary_switch.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <cmath>
#include <vector>

#include "platform/command_ids.h"
#include "platform/message_target.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

double Degrees(float radians) { return radians * 180.0 / kPi; }

// An owner that records each WM_SWITCH_CHANGED and what the switch reported at that moment.
class RecordingOwner : public QWidget, public MessageTarget {
 public:
  long OnMessage(unsigned msg, long wParam, long) override {
    if (msg == WM_SWITCH_CHANGED) {
      ids.push_back(wParam);
      if (watched != nullptr) values.push_back(watched->GetValue());
    }
    return answer;
  }
  RotarySwitch* watched = nullptr;
  std::vector<long> ids;
  std::vector<float> values;
  long answer = 0;
};

bool IsDark(QRgb c) { return qRed(c) < 64 && qGreen(c) < 64 && qBlue(c) < 64; }

// Dark pixels in each row of the box [x0, x1] x [y0, y1], top row first.
std::vector<int> DarkPerRow(const QImage& img, int x0, int x1, int y0, int y1) {
  std::vector<int> rows;
  for (int y = y0; y <= y1; ++y) {
    int n = 0;
    for (int x = x0; x <= x1; ++x) n += IsDark(img.pixel(x, y)) ? 1 : 0;
    rows.push_back(n);
  }
  return rows;
}

QImage RenderSwitch(int count) {
  // 200 x 200: the rectangle shrinks by 40 to 120 x 120, so the centre is (100, 100), the knob
  // radius 30, a = 28, the scale arc at radius 34 and the ticks start there.
  RotarySwitch sw;
  sw.resize(200, 200);
  sw.SetCaption(QString());
  sw.SetPositionCount(count);
  QImage img(200, 200, QImage::Format_RGB32);
  sw.Render(img);
  return img;
}

}  // namespace

TEST(RotarySwitchGeometryTest, SixAndSevenDetentsSpreadOverThreeQuartersOfATurn) {
  const double six[] = {225, 171, 117, 63, 9, -45};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(Degrees(DetentAngle(6, i)), six[i], 1e-4) << i;
  const double seven[] = {225, 180, 135, 90, 45, 0, -45};
  for (int i = 0; i < 7; ++i) EXPECT_NEAR(Degrees(DetentAngle(7, i)), seven[i], 1e-4) << i;

  RotarySwitch sw;
  sw.SetPositionCount(7);
  for (int i = 0; i < 7; ++i) EXPECT_NEAR(Degrees(sw.GetDetent(i).angle), seven[i], 1e-4);
}

TEST(RotarySwitchGeometryTest, OddCountsAlternateMajorAndMinorTicks) {
  const TickSpan major = TickSpanFor(7, 0, 28);
  EXPECT_EQ(major.inner, 34);
  EXPECT_EQ(major.outer, 50);
  EXPECT_EQ(major.penWidth, 2);
  const TickSpan minor = TickSpanFor(7, 3, 28);
  EXPECT_EQ(minor.outer, 46);
  EXPECT_EQ(minor.penWidth, 1);
  for (int i = 0; i < 6; ++i) {
    const TickSpan even = TickSpanFor(6, i, 28);
    EXPECT_EQ(even.outer - even.inner, 14);
    EXPECT_EQ(even.penWidth, 1);
  }
}

TEST(RotarySwitchGeometryTest, BlendIsLightAtUpperLeftAndDarkOpposite) {
  const QColor light(255, 255, 255);
  const QColor dark(0, 0, 0);
  EXPECT_EQ(BlendByAngle(-2.356, light, dark), light);
  EXPECT_EQ(BlendByAngle(-2.356 + kPi, light, dark), dark);
  // A quarter turn away the two colours mix half and half, truncated: 200*0.5 + 0*0.5 and so on.
  EXPECT_EQ(BlendByAngle(-2.356 + kPi / 2, QColor(200, 101, 51), QColor(0, 20, 40)),
            QColor(100, 60, 45));
}

TEST(RotarySwitchGeometryTest, ShadedCircleLiesOnTheRadiusAndIsLitFromUpperLeft) {
  const auto pixels = ShadedCirclePixels(50, 40, 10, Qt::white, Qt::black);
  ASSERT_FALSE(pixels.empty());
  EXPECT_EQ(pixels.size() % 8, 0u);
  auto colourAt = [&](int x, int y) {
    for (const ShadedPixel& p : pixels) {
      if (p.x == x && p.y == y) return p.color;
    }
    ADD_FAILURE() << "no pixel at " << x << "," << y;
    return QColor();
  };
  for (const ShadedPixel& p : pixels) {
    EXPECT_NEAR(std::hypot(p.x - 50, p.y - 40), 10.0, 0.71) << p.x << "," << p.y;
  }
  // Top: direction -pi/2, t = -0.785, w = (cos t + 1) / 2 = 0.8536 -> 217.
  EXPECT_EQ(colourAt(50, 30), QColor(217, 217, 217));
  // Right: direction 0, t = -2.356, w = 0.1465 -> 37.
  EXPECT_EQ(colourAt(60, 40), QColor(37, 37, 37));
  // Left: direction pi, t = -5.498 + 6.293 = 0.795, w = 0.850 -> 216.
  EXPECT_EQ(colourAt(40, 40), QColor(216, 216, 216));
  EXPECT_LT(colourAt(50, 50).red(), 60);
}

TEST(RotarySwitchTest, PressesStepOneDetentAndWrapBothWays) {
  RotarySwitch sw;
  sw.resize(120, 120);
  sw.SetPositionCount(6);
  sw.SetPosition(5);
  QTest::mouseClick(&sw, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  EXPECT_EQ(sw.GetPosition(), 0);
  QTest::mouseClick(&sw, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
  EXPECT_EQ(sw.GetPosition(), 5);
  QTest::mouseClick(&sw, Qt::RightButton);
  EXPECT_EQ(sw.GetPosition(), 4);
  QTest::mouseClick(&sw, Qt::LeftButton);
  QTest::mouseClick(&sw, Qt::LeftButton);
  EXPECT_EQ(sw.GetPosition(), 0);
}

TEST(RotarySwitchTest, CountIsBoundedAndResetsTheDetents) {
  RotarySwitch sw;
  EXPECT_EQ(sw.GetPositionCount(), 5);
  EXPECT_EQ(sw.GetCaption(), QStringLiteral("Undef Switch"));
  sw.SetPositionCount(20);
  EXPECT_EQ(sw.GetPositionCount(), 16);
  EXPECT_NEAR(Degrees(sw.GetDetent(15).angle), -45.0, 1e-4);

  sw.SetPositionCount(4);
  sw.SetPositionLabel(1, QStringLiteral("a label far too long"), 7.5f);
  sw.SetPositionLabel(4, QStringLiteral("beyond"), 9.f);
  EXPECT_EQ(sw.GetDetent(1).label, QStringLiteral("a label far too"));
  sw.SetPosition(1);
  EXPECT_FLOAT_EQ(sw.GetValue(), 7.5f);
  EXPECT_TRUE(sw.GetDetent(3).label.isEmpty());

  sw.SetPositionCount(4);
  EXPECT_TRUE(sw.GetDetent(1).label.isEmpty());
  EXPECT_FLOAT_EQ(sw.GetValue(), 0.f);

  sw.SetPosition(6);
  EXPECT_EQ(sw.GetPosition(), 2);
  sw.SetPosition(-1);
  EXPECT_EQ(sw.GetPosition(), 3);
}

TEST(RotarySwitchTest, TooFewDetentsStayUsable) {
  RotarySwitch sw;
  sw.resize(100, 100);
  for (int n : {1, 0, -3}) {
    sw.SetPositionCount(n);
    EXPECT_EQ(sw.GetPositionCount(), 1);
    QTest::mouseClick(&sw, Qt::LeftButton);
    QTest::mouseClick(&sw, Qt::RightButton);
    EXPECT_EQ(sw.GetPosition(), 0);
    QImage img(100, 100, QImage::Format_RGB32);
    sw.Render(img);
  }
}

TEST(RotarySwitchTest, ReleaseNotifiesTheOwnerWithTheNewDetentsValue) {
  QWidget parent;
  RecordingOwner owner;
  RotarySwitch sw(&parent);
  sw.resize(120, 120);
  sw.SetOwner(&owner);
  owner.watched = &sw;
  sw.SetNotifyId(136);
  sw.SetPositionCount(3);
  sw.SetPositionLabel(0, QStringLiteral("ALL PASS"), 1.f);
  sw.SetPositionLabel(1, QStringLiteral("LOW PASS"), 2.f);
  sw.SetPositionLabel(2, QStringLiteral("HIGHPASS"), 3.f);

  QTest::mousePress(&sw, Qt::LeftButton);
  EXPECT_TRUE(owner.ids.empty());
  QTest::mouseRelease(&sw, Qt::LeftButton);
  QTest::mouseClick(&sw, Qt::RightButton);
  QTest::mouseClick(&sw, Qt::RightButton);
  ASSERT_EQ(owner.ids.size(), 3u);
  EXPECT_EQ(owner.ids[0], 136);
  EXPECT_FLOAT_EQ(owner.values[0], 2.f);
  EXPECT_FLOAT_EQ(owner.values[1], 1.f);
  EXPECT_FLOAT_EQ(owner.values[2], 3.f);
}

TEST(RotarySwitchTest, WithoutAnOwnerTheParentIsNotified) {
  RecordingOwner parent;
  RotarySwitch sw(&parent);
  sw.resize(80, 80);
  sw.SetNotifyId(1057);
  QTest::mouseClick(&sw, Qt::LeftButton);
  ASSERT_EQ(parent.ids.size(), 1u);
  EXPECT_EQ(parent.ids[0], 1057);
}

TEST(RotarySwitchTest, OwnersAnswerDecidesWhetherTheIdleCursorReturns) {
  const QImage idle = QPixmap(":/cursor/129.png").toImage();
  const QImage left = QPixmap(":/cursor/130.png").toImage();
  ASSERT_FALSE(idle.isNull());
  ASSERT_NE(idle, left);
  RecordingOwner owner;
  RotarySwitch sw(&owner);
  sw.resize(80, 80);
  EXPECT_EQ(sw.cursor().pixmap().toImage(), idle);

  owner.answer = 0;
  QTest::mouseClick(&sw, Qt::LeftButton);
  EXPECT_EQ(sw.cursor().pixmap().toImage(), left);
  owner.answer = 1;
  QTest::mouseClick(&sw, Qt::LeftButton);
  EXPECT_EQ(sw.cursor().pixmap().toImage(), idle);
}

TEST(RotarySwitchPaintTest, OddCountsDrawLongThickAndShortThinTicks) {
  const QImage seven = RenderSwitch(7);
  // Detent 3 points straight up and is a minor tick: one pixel wide from radius 34 up to (but
  // not including) 46, so above the arc (row 66) it covers rows 55..65.
  const auto up = DarkPerRow(seven, 94, 106, 50, 65);
  for (int y = 50; y <= 65; ++y) EXPECT_EQ(up[y - 50], y >= 55 ? 1 : 0) << "row " << y;

  const QImage five = RenderSwitch(5);
  // With 5 detents the upright detent 2 is a major tick: two pixels wide, up to radius 50.
  const auto major = DarkPerRow(five, 94, 106, 46, 65);
  for (int y = 46; y <= 65; ++y) EXPECT_EQ(major[y - 46], y >= 51 ? 2 : 0) << "row " << y;

  // The diagonal major tick of detent 0 (lower left) is thicker than a one-pixel line.
  const auto diagonal = DarkPerRow(seven, 60, 76, 126, 133);
  for (int n : diagonal) EXPECT_GE(n, 2);
}

TEST(RotarySwitchPaintTest, EvenCountsDrawEqualThinTicks) {
  const QImage six = RenderSwitch(6);
  // Detent 0 at 225 degrees and detent 5 at -45 degrees: thin diagonal ticks, one pixel per
  // row, mirror images of each other, reaching radius 20 beyond a (about 14 px / sqrt 2 rows).
  const auto lowerLeft = DarkPerRow(six, 60, 76, 126, 140);
  const auto lowerRight = DarkPerRow(six, 124, 140, 126, 140);
  EXPECT_EQ(lowerLeft, lowerRight);
  int rows = 0;
  for (int n : lowerLeft) {
    EXPECT_LE(n, 1);
    rows += n;
  }
  EXPECT_GE(rows, 7);
  EXPECT_LE(rows, 9);
}

TEST(RotarySwitchPaintTest, PointerFollowsTheSelectedDetent) {
  RotarySwitch sw;
  sw.resize(200, 200);
  sw.SetPositionCount(7);
  sw.SetPosition(3);
  QImage img(200, 200, QImage::Format_RGB32);
  sw.Render(img);
  // Straight up from a/4 = 7 to a = 28 above the centre.
  int red = 0;
  for (int y = 73; y <= 92; ++y) {
    for (int x = 98; x <= 101; ++x) red += img.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
  }
  EXPECT_GE(red, 19);
  EXPECT_NE(img.pixel(128, 100), qRgb(255, 0, 0));
}

TEST(RotarySwitchTest, LabelsStandClearOfTheirTicks) {
  // The channel switch of the panel, at the sizes it has on a 1280 and on a 1024 pixel screen.
  const char* const labels[] = {"5 mv ", "10mv ", "20mv ", "50mv ", "100mv", "200mv", "500mv"};
  for (const QSize size : {QSize(313, 250), QSize(250, 200)}) {
    RotarySwitch knob;
    knob.resize(size);
    knob.SetPositionCount(7);
    QImage ticksOnly(size, QImage::Format_RGB32);
    knob.Render(ticksOnly);
    for (int i = 0; i < 7; ++i) knob.SetPositionLabel(i, labels[i], 1.f);
    QImage labelled(size, QImage::Format_RGB32);
    knob.Render(labelled);
    // Label pixels are those the labels changed; none may touch a dark pixel of the scale.
    int touching = 0;
    for (int y = 1; y + 1 < size.height(); ++y) {
      for (int x = 1; x + 1 < size.width(); ++x) {
        if (labelled.pixel(x, y) == ticksOnly.pixel(x, y)) continue;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) touching += IsDark(ticksOnly.pixel(x + dx, y + dy));
      }
    }
    EXPECT_EQ(touching, 0) << size.width() << "x" << size.height();
  }
}
