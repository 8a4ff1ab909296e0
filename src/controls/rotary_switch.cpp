#include "controls/rotary_switch.h"

#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/command_ids.h"

namespace {

const QColor kCaptionColor(128, 64, 0);
const QColor kLabelColor(0, 64, 128);
const QColor kPointerColor(255, 0, 0);

QCursor LoadCursor(const char* path, bool& loaded) {
  QPixmap pixmap(QString::fromLatin1(path));
  loaded = !pixmap.isNull();
  if (!loaded) return QCursor();
  // Our cursors keep their hot spot in the middle of the 32 x 32 picture.
  return QCursor(pixmap, pixmap.width() / 2, pixmap.height() / 2);
}

// A line that, like the drawing calls the rest of the program uses, leaves its end point out.
// Stepped pixel by pixel (Bresenham) so both ends are exact; a 2-pixel pen doubles each pixel
// across the line's main direction.
void LineTo(QImage& image, int x1, int y1, int x2, int y2, QRgb color, int width) {
  const int dx = std::abs(x2 - x1);
  const int dy = -std::abs(y2 - y1);
  const int sx = x1 < x2 ? 1 : -1;
  const int sy = y1 < y2 ? 1 : -1;
  const bool steep = -dy > dx;
  int err = dx + dy;
  int x = x1;
  int y = y1;
  while (x != x2 || y != y2) {
    if (image.valid(x, y)) image.setPixel(x, y, color);
    if (width > 1) {
      const int ox = steep ? x + 1 : x;
      const int oy = steep ? y : y + 1;
      if (image.valid(ox, oy)) image.setPixel(ox, oy, color);
    }
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

}  // namespace

float DetentAngle(int count, int index) {
  const double pi = std::numbers::pi;
  const double step = count > 1 ? 1.5 * pi / (count - 1) : 0.0;
  return static_cast<float>(1.25 * pi - index * step);
}

TickSpan TickSpanFor(int count, int index, int a) {
  if (count % 2 == 0) return TickSpan{a + 6, a + 20, 1};
  if (index % 2 == 0) return TickSpan{a + 6, a + 22, 2};
  return TickSpan{a + 6, a + 18, 1};
}

QColor BlendByAngle(double phi, const QColor& light, const QColor& dark) {
  double t = -2.356 - phi;
  if (t < -3.1415) {
    t += 6.293;
  } else if (t > 3.1415) {
    t = 6.293 - t;
  }
  const double w = (std::cos(t) + 1.0) * 0.5;
  auto mix = [w](int l, int d) { return static_cast<int>(l * w + d * (1.0 - w)); };
  return QColor(mix(light.red(), dark.red()), mix(light.green(), dark.green()),
                mix(light.blue(), dark.blue()));
}

std::vector<ShadedPixel> ShadedCirclePixels(int cx, int cy, int radius, const QColor& light,
                                            const QColor& dark) {
  const double halfPi = 1.570796327;
  const double pi = 3.141592654;
  std::vector<ShadedPixel> pixels;
  int x = radius;
  int y = 0;
  int err = -radius;
  while (x >= y) {
    const double phi = std::atan2(static_cast<double>(y), static_cast<double>(x));
    auto put = [&](int px, int py, double direction) {
      pixels.push_back(ShadedPixel{px, py, BlendByAngle(direction, light, dark)});
    };
    put(cx + x, cy + y, phi);
    put(cx + y, cy + x, halfPi - phi);
    put(cx - y, cy + x, phi + halfPi);
    put(cx - x, cy + y, pi - phi);
    put(cx - x, cy - y, phi - pi);
    put(cx - y, cy - x, -phi - halfPi);
    put(cx + y, cy - x, phi - halfPi);
    put(cx + x, cy - y, -phi);
    if (err + 2 * y + 1 < 0) {
      err += 2 * y + 1;
    } else {
      err += 2 * y + 3 - 2 * x;
      --x;
    }
    ++y;
  }
  return pixels;
}

void DrawShadedCircle(QImage& image, int cx, int cy, int radius, const QColor& light,
                      const QColor& dark) {
  for (const ShadedPixel& px : ShadedCirclePixels(cx, cy, radius, light, dark)) {
    if (image.valid(px.x, px.y)) image.setPixel(px.x, px.y, px.color.rgb());
  }
}

QFont SwitchLabelFont() {
  // The dialog face is rarely installed; its metric-compatible stand-in comes next, before any
  // wider default sans.
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(QFont::Normal);
  // A height of 12 is the character cell, ascent plus descent, not the em size.
  constexpr int kCellHeight = 12;
  int pixels = kCellHeight;
  font.setPixelSize(pixels);
  while (pixels > 6 && QFontMetrics(font).height() > kCellHeight) font.setPixelSize(--pixels);
  return font;
}

RotarySwitch::RotarySwitch(QWidget* parent) : QPushButton(parent) {
  m_labelFont = SwitchLabelFont();
  SetPositionCount(5);
  // Enter belongs to the dialog's default button, not to a knob that happens to have focus.
  setAutoDefault(false);
  setMouseTracking(true);
  m_idleCursor = LoadCursor(":/cursor/129.png", m_bIdleCursorLoaded);
  m_leftCursor = LoadCursor(":/cursor/130.png", m_bLeftCursorLoaded);
  m_rightCursor = LoadCursor(":/cursor/131.png", m_bRightCursorLoaded);
  if (m_bIdleCursorLoaded) setCursor(m_idleCursor);
}

RotarySwitch::~RotarySwitch() = default;

void RotarySwitch::SetCaption(const QString& caption) { m_caption = caption; }

void RotarySwitch::SetPositionCount(int n) {
  // Fewer than one detent would leave nothing to select and a modulo by zero.
  m_nCount = std::clamp(n, 1, kMaxSwitchPositions);
  for (int i = 0; i < m_nCount; ++i) {
    m_positions[i].label.clear();
    m_positions[i].value = 0.f;
    m_positions[i].angle = DetentAngle(m_nCount, i);
  }
  if (m_nPosition >= m_nCount) m_nPosition %= m_nCount;
}

void RotarySwitch::SetPositionLabel(int index, const QString& label, float value) {
  if (index < 0 || index >= m_nCount) return;
  m_positions[index].label = label.left(15);
  m_positions[index].value = value;
}

void RotarySwitch::SetPosition(int index) {
  m_nPosition = ((index % m_nCount) + m_nCount) % m_nCount;
}

float RotarySwitch::GetValue() const { return m_positions[m_nPosition].value; }

void RotarySwitch::DrawSwitchText(QPainter& p, int x, int y, const QString& text,
                                  const QColor& color) const {
  const int ascent = QFontMetrics(m_labelFont).ascent();
  p.setPen(Qt::white);
  p.drawText(QPoint(x, y + ascent), text);
  p.setPen(color);
  p.drawText(QPoint(x - 1, y - 1 + ascent), text);
}

int KnobRadius(int width, int height) {
  // A fifth of the height off every side, and a quarter of what is left.
  const int shrink = height / 5;
  return std::min(width - 2 * shrink, height - 2 * shrink) / 4;
}

void RotarySwitch::Render(QImage& image) const {
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  int left = 0;
  int top = 0;
  int right = image.width();
  int bottom = image.height();
  p.fillRect(image.rect(), palette().color(QPalette::Window));

  p.setFont(m_labelFont);
  const QFontMetrics fm(m_labelFont);
  const int tw = fm.horizontalAdvance(m_caption);
  DrawSwitchText(p, (right - tw - left) / 2, bottom - 16, m_caption, kCaptionColor);

  const int cx = (left + right) / 2;
  const int cy = (top + bottom) / 2;
  const int r = KnobRadius(right - left, bottom - top);

  p.end();
  DrawShadedCircle(image, cx, cy, r, Qt::white, Qt::black);
  DrawShadedCircle(image, cx, cy, r - 1, Qt::white, Qt::black);
  const int a = r - 2;

  const double theta = m_positions[m_nPosition].angle;
  LineTo(image, static_cast<int>(cx + (a / 4) * std::cos(theta)),
         static_cast<int>(cy - (a / 4) * std::sin(theta)),
         static_cast<int>(cx + a * std::cos(theta)), static_cast<int>(cy - a * std::sin(theta)),
         kPointerColor.rgb(), 1);
  for (int i = 0; i < m_nCount; ++i) {
    const double ti = m_positions[i].angle;
    const TickSpan span = TickSpanFor(m_nCount, i, a);
    LineTo(image, static_cast<int>(cx + span.inner * std::cos(ti)),
           static_cast<int>(cy - span.inner * std::sin(ti)),
           static_cast<int>(cx + span.outer * std::cos(ti)),
           static_cast<int>(cy - span.outer * std::sin(ti)), qRgb(0, 0, 0), span.penWidth);
  }
  p.begin(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.setFont(m_labelFont);
  for (int i = 0; i < m_nCount; ++i) {
    const double ti = m_positions[i].angle;
    const QString& label = m_positions[i].label;
    if (!label.isEmpty()) {
      const int lw = fm.horizontalAdvance(label);
      const int lh = fm.height();
      const int x = static_cast<int>(cx - lw / 2 + (a + 36) * std::cos(ti));
      const int y = static_cast<int>(cy - lh / 2 - (a + 36) * std::sin(ti));
      DrawSwitchText(p, x, y, label, kLabelColor);
    }
  }

  if (m_nCount > 1) {
    const int rr = a + 6;
    const double pi = std::numbers::pi;
    const double startDeg = m_positions[m_nCount - 1].angle * 180.0 / pi;
    const double endDeg = m_positions[0].angle * 180.0 / pi;
    double spanDeg = endDeg - startDeg;
    while (spanDeg < 0) spanDeg += 360.0;
    p.setPen(QPen(Qt::black, 1));
    p.drawArc(QRect(cx - rr, cy - rr, 2 * rr, 2 * rr), static_cast<int>(std::lround(startDeg * 16)),
              static_cast<int>(std::lround(spanDeg * 16)));
  }
}

void RotarySwitch::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0) return;
  QImage frame(size(), QImage::Format_RGB32);
  Render(frame);
  QPainter(this).drawImage(0, 0, frame);
}

void RotarySwitch::RepaintNow() { repaint(); }

void RotarySwitch::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    m_nPosition = (m_nPosition + 1) % m_nCount;
    RepaintNow();
    if (m_bLeftCursorLoaded) setCursor(m_leftCursor);
    QPushButton::mousePressEvent(event);
  } else if (event->button() == Qt::RightButton) {
    int position = m_nPosition - 1;
    if (position < 0) position += m_nCount;
    m_nPosition = position % m_nCount;
    RepaintNow();
    if (m_bRightCursorLoaded) setCursor(m_rightCursor);
    event->accept();
  } else {
    QPushButton::mousePressEvent(event);
  }
}

void RotarySwitch::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton) {
    const long result = SendMessageTo(NotifyTargetOf(this), WM_SWITCH_CHANGED, m_nNotifyId, 0);
    if (result != 0 && m_bIdleCursorLoaded) setCursor(m_idleCursor);
  }
  if (event->button() == Qt::RightButton) {
    event->accept();
    return;
  }
  QPushButton::mouseReleaseEvent(event);
}

void RotarySwitch::mouseMoveEvent(QMouseEvent* event) {
  // The pressed cursors last until the pointer moves with no button held.
  if (event->buttons() == Qt::NoButton && m_bIdleCursorLoaded) setCursor(m_idleCursor);
  QPushButton::mouseMoveEvent(event);
}
