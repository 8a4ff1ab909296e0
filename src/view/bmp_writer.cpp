#include "view/bmp_writer.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <cstdint>

#include "platform/file_services.h"

namespace {

void Put16(std::string& out, size_t at, uint16_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Restores the arrow cursor however the save ends.
class WaitCursor {
 public:
  WaitCursor() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      m_set = true;
    }
  }
  ~WaitCursor() {
    if (m_set) QApplication::restoreOverrideCursor();
  }

 private:
  bool m_set = false;
};

}  // namespace

int DisplayBitsPerPixel() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen != nullptr && screen->depth() == 24) return 24;
  // Qt composes windows in 32-bit pixels; displays of fewer bits (with a palette) are not
  // something a Qt window is shown on any more, so there is never a palette to write.
  return 32;
}

std::string EncodeBmp(const QImage& source, int bitsPerPixel) {
  if (bitsPerPixel != 24) bitsPerPixel = 32;
  QImage image = source.convertToFormat(QImage::Format_RGB32);
  const uint32_t width = static_cast<uint32_t>(image.width());
  const uint32_t height = static_cast<uint32_t>(image.height());
  const uint32_t stride = ((width * bitsPerPixel + 31) / 32) * 4;
  const uint32_t imageSize = stride * height;
  const uint32_t paletteEntries = 0;
  const uint32_t offset = 54 + 4 * paletteEntries;

  std::string out(offset + imageSize, '\0');
  Put16(out, 0, 0x4D42);
  Put32(out, 2, offset + imageSize);
  Put32(out, 10, offset);
  Put32(out, 14, 40);
  Put32(out, 18, width);
  Put32(out, 22, height);
  Put16(out, 26, 1);
  Put16(out, 28, static_cast<uint16_t>(bitsPerPixel));
  Put32(out, 30, 0);
  Put32(out, 34, imageSize);
  // Resolution and colour counts stay 0, as the system leaves them for a screen bitmap.

  for (uint32_t row = 0; row < height; ++row) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(height - 1 - row));
    char* dst = out.data() + offset + row * stride;
    for (uint32_t x = 0; x < width; ++x) {
      QRgb p = line[x];
      *dst++ = static_cast<char>(qBlue(p));
      *dst++ = static_cast<char>(qGreen(p));
      *dst++ = static_cast<char>(qRed(p));
      if (bitsPerPixel == 32) *dst++ = 0;
    }
  }
  return out;
}

int SaveWindowAsBmp(QWidget* window, const std::string& path, int* errorNumber) {
  WaitCursor wait;
  QImage picture;
  if (window != nullptr) {
    // The window renders itself and its child windows, as they are shown now, into the picture.
    // Unlike a raw copy of the screen pixels, whatever another window puts over the view at this
    // moment is not in it, and a view that is partly off the screen is still captured whole.
    picture = window->grab().toImage();
  } else if (QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
    picture = screen->grabWindow(0).toImage();
  }
  // Replaced in one step: a picture that cannot be written whole leaves the earlier one intact.
  int error = 0;
  if (!WriteFileReplacing(path, EncodeBmp(picture, DisplayBitsPerPixel()), &error,
                          SpecialTarget::kWriteInPlace)) {
    if (errorNumber != nullptr) *errorNumber = error;
    return 1;
  }
  return 0;
}
