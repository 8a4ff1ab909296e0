#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSlider>
#include <array>

class QPainter;

// The thumb drawn for a thumb rectangle the style supplies: a 15 x 15 pentagon at the
// rectangle's top-left corner, pointing down when the rectangle is taller than wide (a
// horizontal slider), else pointing right.
struct FlatThumbShape {
  bool pointsDown = true;
  // The area recorded as "where the thumb was drawn" (20 px along the slider's cross axis).
  QRect recorded;
  std::array<QPoint, 5> outline;
  // The two highlight edges, each from first to second point.
  std::array<QPoint, 4> highlight;
  // The light pixel of each grip dot; its dark partner is one pixel down and right.
  std::array<QPoint, 8> grip;
};
FlatThumbShape FlatThumbFor(const QRect& thumbRect);

// What a key does to a track bar, whatever its orientation: Left, Up and Page Up move toward the
// minimum, Right, Down and Page Down toward the maximum, Home and End to the ends. SliderNoAction
// for any other key.
QAbstractSlider::SliderAction TrackBarKeyAction(int key);

// The setup pages' slider: the standard slider's behaviour with a flat grey channel and a small
// pentagon thumb with a dotted grip, tinted blue while the slider has the keyboard focus.
// Vertical sliders run from their minimum at the top, as the pages' labels expect.
class FlatSlider : public QSlider {
 public:
  explicit FlatSlider(Qt::Orientation orientation, QWidget* parent = nullptr);
  ~FlatSlider() override;

  bool HasFocusLook() const { return m_nHasFocus != 0; }
  // The thumb rectangle recorded at the last painting.
  QRect LastThumbRect() const { return m_thumbRect; }
  // The channel and thumb rectangles the slider uses, in its own coordinates.
  QRect ChannelRect() const;
  QRect ThumbRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void DrawChannel(QPainter& p, const QRect& channel) const;
  void DrawThumb(QPainter& p, const QRect& thumb);

  QRect m_thumbRect;
  std::array<QPoint, 5> m_thumbOutline{};
  int m_nHasFocus = 0;
};
