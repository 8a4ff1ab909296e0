#include "shell/palette_bitmap.h"

#include <gtest/gtest.h>

#include "shell/splash_wnd.h"

namespace {

void Put16(QByteArray& b, int v) {
  b.append(char(v & 0xFF));
  b.append(char((v >> 8) & 0xFF));
}
void Put32(QByteArray& b, int v) {
  Put16(b, v & 0xFFFF);
  Put16(b, (v >> 16) & 0xFFFF);
}

QByteArray InfoHeader(int w, int h, int bits, int coloursUsed) {
  QByteArray b;
  Put32(b, 40);
  Put32(b, w);
  Put32(b, h);
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, coloursUsed);
  Put32(b, 0);
  return b;
}

}  // namespace

TEST(ShellPaletteBitmap, EightBitPictureBuildsItsPaletteFromTheColourTable) {
  // 3 x 2 pixels, three colours used; rows bottom-up, padded to 4 bytes.
  QByteArray dib = InfoHeader(3, 2, 8, 3);
  const unsigned char table[] = {0x10, 0x20, 0x30, 0, 0xFF, 0, 0, 0, 0, 0, 0xFF, 0};  // B,G,R,-
  dib.append(reinterpret_cast<const char*>(table), sizeof table);
  const unsigned char bits[] = {0, 1, 2, 0xEE, 2, 2, 1, 0xEE};
  dib.append(reinterpret_cast<const char*>(bits), sizeof bits);

  CPaletteBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadFromDib(dib));
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);
  ASSERT_TRUE(bitmap.HasPalette());
  EXPECT_EQ(bitmap.Palette(),
            (QVector<QRgb>{qRgb(0x30, 0x20, 0x10), qRgb(0, 0, 0xFF), qRgb(0xFF, 0, 0)}));
  const QImage& img = bitmap.Image();
  EXPECT_EQ(img.pixel(0, 1), qRgb(0x30, 0x20, 0x10));  // first stored row is the bottom one
  EXPECT_EQ(img.pixel(1, 1), qRgb(0, 0, 0xFF));
  EXPECT_EQ(img.pixel(2, 0), qRgb(0, 0, 0xFF));
  EXPECT_EQ(img.pixel(0, 0), qRgb(0xFF, 0, 0));
}

TEST(ShellPaletteBitmap, ZeroColoursUsedMeansTheFullTableForFewBits) {
  QByteArray dib = InfoHeader(8, 1, 1, 0);
  const unsigned char table[] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
  dib.append(reinterpret_cast<const char*>(table), sizeof table);
  const unsigned char bits[] = {0xA5, 0, 0, 0};
  dib.append(reinterpret_cast<const char*>(bits), sizeof bits);
  CPaletteBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadFromDib(dib));
  EXPECT_EQ(bitmap.Palette().size(), 2);
  EXPECT_EQ(bitmap.Image().pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(bitmap.Image().pixel(1, 0), qRgb(0, 0, 0));
  EXPECT_EQ(bitmap.Image().pixel(7, 0), qRgb(255, 255, 255));
}

TEST(ShellPaletteBitmap, TrueColourPicturesHaveNoPalette) {
  QByteArray dib = InfoHeader(1, 1, 24, 0);
  dib.append("\x01\x02\x03\x00", 4);
  CPaletteBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadFromDib(dib));
  EXPECT_FALSE(bitmap.HasPalette());
  EXPECT_EQ(bitmap.Image().pixel(0, 0), qRgb(3, 2, 1));
}

TEST(ShellPaletteBitmap, DamagedPicturesAreRefused) {
  CPaletteBitmap bitmap;
  QByteArray short24 = InfoHeader(4, 4, 24, 0);
  short24.append(QByteArray(4 * 12 - 1, '\0'));  // one byte short of four padded rows
  EXPECT_FALSE(bitmap.LoadFromDib(short24));
  EXPECT_FALSE(bitmap.LoadFromDib(InfoHeader(0, 1, 24, 0) + QByteArray(4, '\0')));
  EXPECT_FALSE(bitmap.LoadFromDib(InfoHeader(1, 1, 8, 100000) + QByteArray(64, '\0')));
  EXPECT_FALSE(bitmap.LoadFromDib(QByteArray(39, '\0')));
  EXPECT_FALSE(bitmap.LoadBitmapWithPalette(99999));
  EXPECT_EQ(bitmap.Width(), 0);
}

TEST(ShellPaletteBitmap, SplashPictureIsTheTrueColour473By314Resource) {
  CPaletteBitmap bitmap;
  ASSERT_TRUE(bitmap.LoadBitmapWithPalette(119));
  EXPECT_EQ(bitmap.Width(), 473);
  EXPECT_EQ(bitmap.Height(), 314);
  EXPECT_FALSE(bitmap.HasPalette());
  EXPECT_EQ(SplashPosition(QSize(1024, 768), QSize(473, 314)), QPoint(275, 227));
  EXPECT_EQ(SplashPosition(QSize(400, 300), QSize(473, 314)), QPoint(-36, -7));
}

TEST(ShellPaletteBitmap, SplashBorderLiesAroundThePicture) {
  CSplashWnd splash;
  ASSERT_TRUE(splash.Create(119));
  const QImage picture = splash.Picture().Image().convertToFormat(QImage::Format_RGB32);
  const QImage shot = splash.grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shot.size(), picture.size() + QSize(2, 2));
  int differing = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      differing += shot.pixel(x + 1, y + 1) != picture.pixel(x, y);
  EXPECT_EQ(differing, 0);
  for (int x = 0; x < shot.width(); ++x) {
    EXPECT_EQ(shot.pixel(x, 0), 0xFF000000u) << x;
    EXPECT_EQ(shot.pixel(x, shot.height() - 1), 0xFF000000u) << x;
  }
  for (int y = 0; y < shot.height(); ++y) {
    EXPECT_EQ(shot.pixel(0, y), 0xFF000000u) << y;
    EXPECT_EQ(shot.pixel(shot.width() - 1, y), 0xFF000000u) << y;
  }
}
