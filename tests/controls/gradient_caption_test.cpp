#include "controls/gradient_caption.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

QImage RenderCaption(const QString& text, int width = 346, int height = 24) {
  GradientCaption caption;
  caption.resize(width, height);
  caption.setText(text);
  QImage img(width, height, QImage::Format_RGB32);
  caption.Render(img);
  return img;
}

int WhitePixels(const QImage& img, int x0, int x1) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = x0; x <= x1; ++x) n += img.pixel(x, y) == qRgb(255, 255, 255) ? 1 : 0;
  }
  return n;
}

}  // namespace

TEST(GradientCaptionTest, SplitsOnlyAtAFirstTabAfterSomeText) {
  const CaptionParts step = SplitCaption(QStringLiteral("Step 1\t Setup Sampling Rate"));
  EXPECT_TRUE(step.split);
  EXPECT_EQ(step.left, QStringLiteral("Step 1"));
  EXPECT_EQ(step.right, QStringLiteral(" Setup Sampling Rate"));

  const CaptionParts plain = SplitCaption(QStringLiteral("Wizard"));
  EXPECT_FALSE(plain.split);
  EXPECT_EQ(plain.left, QStringLiteral("Wizard"));

  const CaptionParts leading = SplitCaption(QStringLiteral("\tStep 1"));
  EXPECT_FALSE(leading.split);
  EXPECT_EQ(leading.left, QStringLiteral("\tStep 1"));

  const CaptionParts two = SplitCaption(QStringLiteral("a\tb\tc"));
  EXPECT_TRUE(two.split);
  EXPECT_EQ(two.left, QStringLiteral("a"));
  EXPECT_EQ(two.right, QStringLiteral("b\tc"));

  EXPECT_FALSE(SplitCaption(QString()).split);
}

TEST(GradientCaptionTest, GradientRunsFromTealTowardPurple) {
  const QImage img = RenderCaption(QStringLiteral("Step 1\t Setup"));
  for (int y = 0; y < img.height(); ++y) {
    EXPECT_EQ(img.pixel(0, y), qRgb(0, 128, 128));
    // Column 345 of 346: 128 * 345 / 346 = 127.63 added to red, taken from green.
    EXPECT_EQ(img.pixel(345, y), qRgb(127, 0, 128));
  }
  // Half way: 128 * 173 / 346 = 64 exactly in theory; summed increments may fall just short.
  const QRgb mid = img.pixel(173, img.height() - 1);
  EXPECT_NEAR(qRed(mid), 64, 1);
  EXPECT_NEAR(qGreen(mid), 64, 1);
  EXPECT_EQ(qBlue(mid), 128);
}

TEST(GradientCaptionTest, TextSplitPutsTheTailAtTheRightEdge) {
  const QImage split = RenderCaption(QStringLiteral("Step 1\t Setup Sampling Rate"));
  EXPECT_GT(WhitePixels(split, 2, 60), 0);
  EXPECT_GT(WhitePixels(split, 300, 343), 0);
  EXPECT_EQ(WhitePixels(split, 344, 345), 0);  // the right part ends at right - 2

  EXPECT_EQ(WhitePixels(RenderCaption(QStringLiteral("\tStep 1 Setup")), 250, 345), 0);
  EXPECT_EQ(WhitePixels(RenderCaption(QStringLiteral("Step 1 Setup")), 250, 345), 0);
  EXPECT_EQ(WhitePixels(RenderCaption(QStringLiteral("Step 1")), 0, 1), 0);
}

TEST(GradientCaptionTest, EmptyTextShowsAPlainButtonFace) {
  GradientCaption caption;
  caption.resize(100, 20);
  QImage img(100, 20, QImage::Format_RGB32);
  caption.Render(img);
  const QRgb face = caption.palette().color(QPalette::Button).rgb();
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 100; ++x) ASSERT_EQ(img.pixel(x, y), face);
  }
}
