#include "shell/palette_bitmap.h"

#include <QFile>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
// Larger pictures than this are taken as a damaged header.
constexpr int64_t kMaxSide = 16384;

uint32_t U32(const uchar* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t U16(const uchar* p) { return uint16_t(p[0] | (p[1] << 8)); }

}  // namespace

bool CPaletteBitmap::LoadBitmapWithPalette(int resourceId) {
  QFile file(QString(":/bitmap/%1.bmp").arg(resourceId));
  if (!file.open(QIODevice::ReadOnly)) return false;
  return LoadFromDib(file.readAll());
}

bool CPaletteBitmap::LoadFromDib(const QByteArray& bytes) {
  const uchar* data = reinterpret_cast<const uchar*>(bytes.constData());
  int64_t size = bytes.size();
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    data += kFileHeaderSize;
    size -= kFileHeaderSize;
  }
  if (size < kInfoHeaderSize) return false;
  const uint32_t headerSize = U32(data);
  const int32_t width = int32_t(U32(data + 4));
  const int32_t rawHeight = int32_t(U32(data + 8));
  const int bitCount = U16(data + 14);
  const uint32_t compression = U32(data + 16);
  const uint32_t colorsUsed = U32(data + 32);
  if (headerSize < kInfoHeaderSize || headerSize > size || compression != 0) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
    return false;
  }
  const bool topDown = rawHeight < 0;
  const int64_t height = std::llabs(int64_t(rawHeight));
  if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;

  int64_t colourCount = colorsUsed;
  if (colourCount == 0 && bitCount <= 8) colourCount = int64_t(1) << bitCount;
  if (colourCount > 256 * 256) return false;
  const int64_t bitsOffset = headerSize + colourCount * 4;
  const int64_t stride = ((int64_t(width) * bitCount + 31) / 32) * 4;
  if (bitsOffset + stride * height > size) return false;

  QVector<QRgb> table;
  for (int64_t i = 0; i < colourCount; ++i) {
    const uchar* e = data + headerSize + i * 4;  // blue, green, red, reserved
    table.push_back(qRgb(e[2], e[1], e[0]));
  }
  if (bitCount <= 8 && table.size() < (1 << bitCount)) {
    table.resize(1 << bitCount);  // indices past a short table read as black
  }

  QImage image(width, int(height), QImage::Format_RGB32);
  for (int64_t row = 0; row < height; ++row) {
    const uchar* src = data + bitsOffset + stride * row;
    const int y = int(topDown ? row : height - 1 - row);
    QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      switch (bitCount) {
        case 1:
          dst[x] = table[(src[x / 8] >> (7 - x % 8)) & 1];
          break;
        case 4:
          dst[x] = table[(src[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
          break;
        case 8:
          dst[x] = table[src[x]];
          break;
        case 24:
          dst[x] = qRgb(src[x * 3 + 2], src[x * 3 + 1], src[x * 3]);
          break;
        default:
          dst[x] = qRgb(src[x * 4 + 2], src[x * 4 + 1], src[x * 4]);
          break;
      }
    }
  }
  m_nWidth = width;
  m_nHeight = int(height);
  m_image = std::move(image);
  m_palette.reset();
  if (colorsUsed != 0 || bitCount <= 8) {
    m_palette = QVector<QRgb>(table.begin(), table.begin() + colourCount);
  }
  return true;
}
