#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

class QPainter;

// A row of equally wide images cut from one bitmap, with a mask colour that is drawn
// transparent.
class CImageList {
 public:
  // Loads the strip at resourcePath; each image is imageWidth pixels wide and as high as the strip.
  // A strip drawn at twice the size beside it ("name@2x.png" for "name.bmp") is used on dense
  // screens.
  bool Create(const QString& resourcePath, int imageWidth, QColor maskColour);
  int GetImageCount() const;
  QSize ImageSize() const { return QSize(m_nImageWidth, m_strip.height()); }
  // Draws image index with its top-left corner at (x, y); nothing for an index out of range.
  void Draw(QPainter& painter, int index, int x, int y) const;

 private:
  QPixmap m_strip;
  QPixmap m_fine;
  int m_nImageWidth = 0;
};
