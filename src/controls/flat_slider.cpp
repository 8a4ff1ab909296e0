#include "controls/flat_slider.h"

#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {

const QColor kFramePen(128, 128, 128);
const QColor kFocusHighlight(166, 202, 240);
const QColor kThumbFill(192, 192, 192);
const QColor kFocusThumbFill(160, 160, 192);
const QColor kChannelFill(204, 204, 204);
const QColor kFocusGripDark(60, 60, 80);

// A one-pixel line that leaves its end point out, like the rest of the program's drawing.
void LineTo(QPainter& p, QPoint from, QPoint to) {
  if (from == to) return;
  p.drawLine(from, to);
}

}  // namespace

FlatThumbShape FlatThumbFor(const QRect& thumbRect) {
  FlatThumbShape s;
  const int left = thumbRect.left();
  const int top = thumbRect.top();
  s.pointsDown = thumbRect.height() > thumbRect.width();
  const QPoint o(left, top);
  if (s.pointsDown) {
    s.recorded = QRect(left, top, 20, thumbRect.height());
    s.outline = {o + QPoint(0, 0), o + QPoint(0, 7), o + QPoint(7, 14), o + QPoint(14, 7),
                 o + QPoint(14, 0)};
    s.highlight = {o + QPoint(1, 1), o + QPoint(1, 7), o + QPoint(1, 1), o + QPoint(13, 1)};
    s.grip = {o + QPoint(2, 2), o + QPoint(6, 2), o + QPoint(10, 2), o + QPoint(4, 4),
              o + QPoint(8, 4), o + QPoint(2, 6), o + QPoint(6, 6),  o + QPoint(10, 6)};
  } else {
    s.recorded = QRect(left, top, thumbRect.width(), 20);
    s.outline = {o + QPoint(0, 0), o + QPoint(0, 14), o + QPoint(7, 14), o + QPoint(14, 7),
                 o + QPoint(7, 0)};
    s.highlight = {o + QPoint(1, 1), o + QPoint(1, 13), o + QPoint(1, 1), o + QPoint(7, 1)};
    s.grip = {o + QPoint(2, 2), o + QPoint(2, 6), o + QPoint(2, 10), o + QPoint(4, 4),
              o + QPoint(4, 8), o + QPoint(6, 2), o + QPoint(6, 6),  o + QPoint(6, 10)};
  }
  return s;
}

QAbstractSlider::SliderAction TrackBarKeyAction(int key) {
  switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      return QAbstractSlider::SliderSingleStepSub;
    case Qt::Key_Right:
    case Qt::Key_Down:
      return QAbstractSlider::SliderSingleStepAdd;
    case Qt::Key_PageUp:
      return QAbstractSlider::SliderPageStepSub;
    case Qt::Key_PageDown:
      return QAbstractSlider::SliderPageStepAdd;
    case Qt::Key_Home:
      return QAbstractSlider::SliderToMinimum;
    case Qt::Key_End:
      return QAbstractSlider::SliderToMaximum;
    default:
      return QAbstractSlider::SliderNoAction;
  }
}

FlatSlider::FlatSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
  setFocusPolicy(Qt::StrongFocus);
  // Vertical sliders have their minimum at the top.
  if (orientation == Qt::Vertical) setInvertedAppearance(true);
}

void FlatSlider::keyPressEvent(QKeyEvent* event) {
  // The track bar's keys, not the slider's: Qt moves a horizontal slider up with Up and Page Up.
  const SliderAction action =
      event->modifiers() == Qt::NoModifier ? TrackBarKeyAction(event->key()) : SliderNoAction;
  if (action == SliderNoAction) {
    QSlider::keyPressEvent(event);
    return;
  }
  triggerAction(action);
  event->accept();
}

FlatSlider::~FlatSlider() = default;

QRect FlatSlider::ThumbRect() const {
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
  // The track bar's thumb rectangle is long across the slider (11 x 21 for a horizontal one);
  // the drawing below picks the thumb's direction from that shape.
  if (orientation() == Qt::Horizontal) return QRect(handle.left(), handle.top(), 11, 21);
  return QRect(handle.left(), handle.top(), 21, 11);
}

QRect FlatSlider::ChannelRect() const {
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
  const QRect thumb = ThumbRect();
  // A thin channel through the broad part of the thumb, along the groove.
  if (orientation() == Qt::Horizontal) {
    return QRect(QPoint(groove.left() + 3, thumb.top() + 3),
                 QPoint(groove.right() - 3, thumb.top() + 7));
  }
  return QRect(QPoint(thumb.left() + 3, groove.top() + 3),
               QPoint(thumb.left() + 7, groove.bottom() - 3));
}

void FlatSlider::paintEvent(QPaintEvent*) {
  if (width() <= 0 || height() <= 0) return;
  // Transparent where nothing is drawn, so the dialog or group box behind shows through.
  QImage frame(size(), QImage::Format_ARGB32_Premultiplied);
  frame.fill(Qt::transparent);
  {
    QPainter p(&frame);
    p.setRenderHint(QPainter::Antialiasing, false);
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    if (tickPosition() != QSlider::NoTicks) {
      opt.subControls = QStyle::SC_SliderTickmarks;
      style()->drawComplexControl(QStyle::CC_Slider, &opt, &p, this);
    }
    DrawChannel(p, ChannelRect());
    DrawThumb(p, ThumbRect());
  }
  QPainter(this).drawImage(0, 0, frame);
}

void FlatSlider::DrawChannel(QPainter& p, const QRect& channel) const {
  // Exclusive right and bottom, as the outline rules below are written.
  const int left = channel.left();
  const int top = channel.top();
  const int right = channel.right() + 1;
  const int bottom = channel.bottom() + 1;
  p.fillRect(channel, kChannelFill);
  p.setPen(QPen(kFramePen, 1, Qt::SolidLine, Qt::FlatCap));
  LineTo(p, {left, top}, {right, top});
  LineTo(p, {left, top}, {left, bottom});
  LineTo(p, {left, bottom - 1}, {right, bottom - 1});
  LineTo(p, {right - 1, bottom - 1}, {right - 1, top});
  p.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::FlatCap));
  LineTo(p, {left, bottom}, {right, bottom});
  LineTo(p, {right, bottom}, {right, top});
}

void FlatSlider::DrawThumb(QPainter& p, const QRect& thumb) {
  const FlatThumbShape shape = FlatThumbFor(thumb);
  // Our paint covers the whole control, so only a moved thumb needs its old place invalidated.
  if (!m_thumbRect.isNull() && m_thumbRect != shape.recorded) update(m_thumbRect);
  m_thumbRect = shape.recorded;
  m_thumbOutline = shape.outline;
  const bool focused = m_nHasFocus != 0;

  p.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::SquareCap));
  p.setBrush(focused ? kFocusThumbFill : kThumbFill);
  p.drawPolygon(shape.outline.data(), static_cast<int>(shape.outline.size()));
  p.setBrush(Qt::NoBrush);

  p.setPen(QPen(focused ? kFocusHighlight : QColor(Qt::white), 1, Qt::SolidLine, Qt::FlatCap));
  LineTo(p, shape.highlight[0], shape.highlight[1]);
  LineTo(p, shape.highlight[2], shape.highlight[3]);

  const QColor light = focused ? kFocusHighlight : QColor(Qt::white);
  const QColor dark = focused ? kFocusGripDark : QColor(Qt::black);
  for (const QPoint& dot : shape.grip) {
    p.setPen(light);
    p.drawPoint(dot);
    p.setPen(dark);
    p.drawPoint(dot + QPoint(1, 1));
  }
}

void FlatSlider::focusInEvent(QFocusEvent* event) {
  QSlider::focusInEvent(event);
  m_nHasFocus = 1;
  update();
}

void FlatSlider::focusOutEvent(QFocusEvent* event) {
  QSlider::focusOutEvent(event);
  m_nHasFocus = 0;
  update();
}
