#include "shell/image_list.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>

bool CImageList::Create(const QString& resourcePath, int imageWidth, QColor maskColour) {
  QImage image(resourcePath);
  if (image.isNull() || imageWidth <= 0) return false;
  QPixmap strip = QPixmap::fromImage(image);
  strip.setMask(QBitmap::fromImage(image.createMaskFromColor(maskColour.rgb(), Qt::MaskInColor)));
  m_strip = strip;
  m_nImageWidth = imageWidth;
  return true;
}

int CImageList::GetImageCount() const {
  return m_nImageWidth > 0 ? m_strip.width() / m_nImageWidth : 0;
}

void CImageList::Draw(QPainter& painter, int index, int x, int y) const {
  if (index < 0 || index >= GetImageCount()) return;
  painter.drawPixmap(x, y, m_strip, index * m_nImageWidth, 0, m_nImageWidth, m_strip.height());
}
