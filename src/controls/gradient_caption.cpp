#include "controls/gradient_caption.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

CaptionParts SplitCaption(const QString& text) {
  CaptionParts parts;
  const qsizetype tab = text.indexOf(QLatin1Char('\t'));
  if (tab > 0) {
    parts.left = text.left(tab);
    parts.right = text.mid(tab + 1);
    parts.split = true;
  } else {
    parts.left = text;
  }
  return parts;
}

GradientCaption::GradientCaption(QWidget* parent) : QPushButton(parent) {
  m_normalFont = QApplication::font();
  m_boldFont = m_normalFont;
  m_boldFont.setWeight(QFont::Bold);
  setFocusPolicy(Qt::NoFocus);
  setAutoDefault(false);
}

GradientCaption::~GradientCaption() = default;

void GradientCaption::Render(QImage& image) const {
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  const int left = 0;
  const int top = 0;
  const int right = image.width();
  const int bottom = image.height();
  const QString caption = text();
  if (caption.isEmpty()) {
    p.fillRect(image.rect(), palette().color(QPalette::Button));
    return;
  }
  const int w = right - left;
  double r = m_startColor.red();
  double g = m_startColor.green();
  double b = m_startColor.blue();
  const double dr = static_cast<double>(m_endColor.red() - m_startColor.red()) / w;
  const double dg = static_cast<double>(m_endColor.green() - m_startColor.green()) / w;
  const double db = static_cast<double>(m_endColor.blue() - m_startColor.blue()) / w;
  for (int x = left; x < right; ++x) {
    p.fillRect(QRect(x, top, 1, bottom - top),
               QColor(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b)));
    r += dr;
    g += dg;
    b += db;
  }

  p.setPen(m_textColor);
  const CaptionParts parts = SplitCaption(caption);
  if (parts.split) {
    p.setFont(m_normalFont);
    const QFontMetrics fm(m_normalFont);
    const int x = right - 2 - fm.horizontalAdvance(parts.right);
    p.drawText(QPoint(x, top + 1 + fm.ascent()), parts.right);
  }
  p.setFont(m_boldFont);
  p.drawText(QPoint(left + 2, top + 1 + QFontMetrics(m_boldFont).ascent()), parts.left);
}

void GradientCaption::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0) return;
  QImage frame(size(), QImage::Format_RGB32);
  Render(frame);
  QPainter(this).drawImage(0, 0, frame);
}
