#pragma once

#include <QImage>
#include <string>

class QWidget;

// The bytes of a BMP file holding image: the 14-byte file header, the 40-byte information
// header, no palette (the display has none at 24 or 32 bits per pixel) and the rows bottom-up,
// each padded to a multiple of four bytes. bitsPerPixel is 24 or 32.
std::string EncodeBmp(const QImage& image, int bitsPerPixel);

// Bits per pixel of the primary display as a BMP can store them (24 or 32).
int DisplayBitsPerPixel();

// Writes the client area of window (the whole primary screen when window is null) as a BMP file
// at path, replacing an existing file in one step. Returns 0 on success and 1 when the file
// cannot be created or written (an existing one is then left as it was); errorNumber
// (when given) receives the errno of the failure.
int SaveWindowAsBmp(QWidget* window, const std::string& path, int* errorNumber = nullptr);
