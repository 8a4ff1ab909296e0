#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>
#include <QVector>
#include <optional>

// A picture loaded from a device-independent bitmap resource, with the palette built from its
// colour table (absent for pictures of more than 256 colours).
class CPaletteBitmap {
 public:
  // Loads bitmap resource id (":/bitmap/<id>.bmp"). False when it is missing or damaged.
  bool LoadBitmapWithPalette(int resourceId);
  // Loads a DIB: a 40-byte (or larger) information header, the colour table and the pixel bits,
  // optionally behind a 14-byte "BM" file header. Uncompressed 1, 4, 8, 24 and 32 bits per pixel.
  bool LoadFromDib(const QByteArray& bytes);

  int Width() const { return m_nWidth; }
  int Height() const { return m_nHeight; }
  // Palette entries (red, green, blue) in colour-table order; empty when there is no palette.
  bool HasPalette() const { return m_palette.has_value(); }
  const QVector<QRgb>& Palette() const { return *m_palette; }
  const QImage& Image() const { return m_image; }

 private:
  int m_nWidth = 0;
  int m_nHeight = 0;
  std::optional<QVector<QRgb>> m_palette;
  QImage m_image;
};
