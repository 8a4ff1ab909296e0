#include "view/bmp_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace {

uint32_t Read32(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 |
         static_cast<uint8_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t Read16(const std::string& b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A widget that paints a known pattern: quadrants in four colours.
class PatternWidget : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    int w = width() / 2, h = height() / 2;
    p.fillRect(0, 0, w, h, QColor(255, 0, 0));
    p.fillRect(w, 0, width() - w, h, QColor(0, 255, 0));
    p.fillRect(0, h, w, height() - h, QColor(0, 0, 255));
    p.fillRect(w, h, width() - w, height() - h, QColor(10, 20, 30));
  }
};

}  // namespace

TEST(BmpEncodeTest, ThirtyTwoBitHeadersHaveNoPaletteAndBottomUpRows) {
  QImage image(3, 2, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(1, 2, 3));
  image.setPixel(1, 0, qRgb(4, 5, 6));
  image.setPixel(2, 0, qRgb(7, 8, 9));
  image.setPixel(0, 1, qRgb(10, 11, 12));
  image.setPixel(1, 1, qRgb(13, 14, 15));
  image.setPixel(2, 1, qRgb(16, 17, 18));
  std::string b = EncodeBmp(image, 32);
  ASSERT_EQ(b.size(), 54u + 3 * 4 * 2);
  EXPECT_EQ(Read16(b, 0), 0x4D42);
  EXPECT_EQ(b.substr(0, 2), "BM");
  EXPECT_EQ(Read32(b, 2), 54u + 24u);
  EXPECT_EQ(Read16(b, 6), 0);
  EXPECT_EQ(Read16(b, 8), 0);
  EXPECT_EQ(Read32(b, 10), 54u);
  EXPECT_EQ(Read32(b, 14), 40u);
  EXPECT_EQ(Read32(b, 18), 3u);
  EXPECT_EQ(Read32(b, 22), 2u);
  EXPECT_EQ(Read16(b, 26), 1);
  EXPECT_EQ(Read16(b, 28), 32);
  EXPECT_EQ(Read32(b, 30), 0u);
  EXPECT_EQ(Read32(b, 34), 24u);
  for (size_t i = 38; i < 54; ++i) EXPECT_EQ(b[i], 0) << i;
  // The bottom row comes first, each pixel blue, green, red, 0.
  const unsigned char expected[] = {12, 11, 10, 0, 15, 14, 13, 0, 18, 17, 16, 0,
                                    3,  2,  1,  0, 6,  5,  4,  0, 9,  8,  7,  0};
  for (size_t i = 0; i < sizeof expected; ++i) {
    EXPECT_EQ(static_cast<unsigned char>(b[54 + i]), expected[i]) << i;
  }
}

TEST(BmpEncodeTest, TwentyFourBitRowsArePaddedToFourBytes) {
  QImage image(3, 2, QImage::Format_RGB32);
  image.fill(qRgb(200, 100, 50));
  std::string b = EncodeBmp(image, 24);
  // ((3 * 24 + 31) / 32) * 4 = 12 bytes per row.
  EXPECT_EQ(Read32(b, 34), 24u);
  EXPECT_EQ(Read16(b, 28), 24);
  EXPECT_EQ(b.size(), 54u + 24u);
  EXPECT_EQ(static_cast<unsigned char>(b[54]), 50);
  EXPECT_EQ(static_cast<unsigned char>(b[55]), 100);
  EXPECT_EQ(static_cast<unsigned char>(b[56]), 200);
  EXPECT_EQ(b[54 + 9], 0);  // padding
  EXPECT_EQ(b[54 + 11], 0);
}

TEST(BmpSaveTest, WindowPictureMatchesWhatTheWidgetShows) {
  PatternWidget w;
  w.resize(81, 40);
  w.show();
  QTemporaryDir dir;
  std::string path = dir.filePath("shot.bmp").toStdString();
  ASSERT_EQ(SaveWindowAsBmp(&w, path), 0);
  std::string b = ReadFile(path);
  ASSERT_GE(b.size(), 54u);
  uint32_t width = Read32(b, 18), height = Read32(b, 22), bpp = Read16(b, 28);
  EXPECT_EQ(width, 81u);
  EXPECT_EQ(height, 40u);
  EXPECT_EQ(bpp, static_cast<uint32_t>(DisplayBitsPerPixel()));
  uint32_t stride = ((width * bpp + 31) / 32) * 4;
  EXPECT_EQ(Read32(b, 34), stride * height);
  EXPECT_EQ(b.size(), 54u + stride * height);

  QImage shown = w.grab().toImage();
  int bytes = static_cast<int>(bpp / 8);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      size_t at = 54 + (height - 1 - y) * stride + x * bytes;
      QRgb p = shown.pixel(static_cast<int>(x), static_cast<int>(y));
      ASSERT_EQ(static_cast<unsigned char>(b[at]), qBlue(p)) << x << "," << y;
      ASSERT_EQ(static_cast<unsigned char>(b[at + 1]), qGreen(p)) << x << "," << y;
      ASSERT_EQ(static_cast<unsigned char>(b[at + 2]), qRed(p)) << x << "," << y;
    }
  }
  // Top-left quadrant is red: in the file it is in the last rows.
  size_t topLeft = 54 + (height - 1) * stride;
  EXPECT_EQ(static_cast<unsigned char>(b[topLeft + 2]), 255);
  EXPECT_EQ(static_cast<unsigned char>(b[topLeft + 1]), 0);
}

TEST(BmpSaveTest, UncreatableFileReturnsOneAndWritesNothing) {
  QTemporaryDir dir;
  PatternWidget w;
  w.resize(10, 10);
  int error = 0;
  std::string path = dir.filePath("no/such/dir/x.bmp").toStdString();
  EXPECT_EQ(SaveWindowAsBmp(&w, path, &error), 1);
  EXPECT_NE(error, 0);
  EXPECT_EQ(::access(path.c_str(), F_OK), -1);
  EXPECT_EQ(SaveWindowAsBmp(&w, dir.path().toStdString(), &error), 1);
}
