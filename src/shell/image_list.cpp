#include "shell/image_list.h"

#include <QBitmap>
#include <QImage>
#include <QPainter>

namespace {

QPixmap MaskedStrip(const QImage& image, QColor maskColour) {
  QPixmap strip = QPixmap::fromImage(image);
  strip.setMask(QBitmap::fromImage(image.createMaskFromColor(maskColour.rgb(), Qt::MaskInColor)));
  return strip;
}

}  // namespace

bool CImageList::Create(const QString& resourcePath, int imageWidth, QColor maskColour) {
  QImage image(resourcePath);
  if (image.isNull() || imageWidth <= 0) return false;
  m_strip = MaskedStrip(image, maskColour);
  m_nImageWidth = imageWidth;
  QString finePath = resourcePath;
  if (finePath.endsWith(".bmp")) finePath.replace(finePath.size() - 4, 4, "@2x.png");
  const QImage fine(finePath);
  m_fine = finePath != resourcePath && fine.size() == image.size() * 2
               ? MaskedStrip(fine.convertToFormat(QImage::Format_RGB32), maskColour)
               : QPixmap();
  return true;
}

int CImageList::GetImageCount() const {
  return m_nImageWidth > 0 ? m_strip.width() / m_nImageWidth : 0;
}

void CImageList::Draw(QPainter& painter, int index, int x, int y) const {
  if (index < 0 || index >= GetImageCount()) return;
  if (!m_fine.isNull() && painter.device() != nullptr && painter.device()->devicePixelRatio() > 1) {
    const int w = m_nImageWidth, h = m_strip.height();
    painter.drawPixmap(QRect(x, y, w, h), m_fine, QRect(2 * index * w, 0, 2 * w, 2 * h));
    return;
  }
  painter.drawPixmap(x, y, m_strip, index * m_nImageWidth, 0, m_nImageWidth, m_strip.height());
}
