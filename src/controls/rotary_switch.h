#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QPushButton>
#include <QString>
#include <array>
#include <vector>

#include "platform/message_target.h"

class QImage;
class QPainter;

// One detent of a rotary switch.
struct SwitchPosition {
  QString label;      // at most 15 characters
  float angle = 0.f;  // radians, counter-clockwise from +x with y pointing up
  float value = 0.f;  // what GetValue reports while this detent is selected
};

// Geometry and colour rules of the switch, kept free of any window so they can be checked alone.

constexpr int kMaxSwitchPositions = 16;

// Angle of detent i when count detents share the 270-degree scale: detent 0 at 225 degrees,
// the last at -45, clockwise over the top. A count below 2 puts every detent at 225 degrees.
float DetentAngle(int count, int index);

// Radial extent and pen width of detent i's tick, measured from the knob's inner radius a:
// even counts all get a thin tick a+6..a+20; odd counts alternate major (2 px, a+6..a+22, even
// i) and minor (1 px, a+6..a+18, odd i).
struct TickSpan {
  int inner = 0;
  int outer = 0;
  int penWidth = 1;
};
TickSpan TickSpanFor(int count, int index, int a);

// The ring colour at screen direction phi (radians from +x toward +y, i.e. downward): pure light
// at -2.356 (upper left), pure dark opposite.
QColor BlendByAngle(double phi, const QColor& light, const QColor& dark);

struct ShadedPixel {
  int x = 0;
  int y = 0;
  QColor color;
};
// The pixels of a one-pixel midpoint circle, each coloured by BlendByAngle of its direction, in
// the order they are set (eight per step).
std::vector<ShadedPixel> ShadedCirclePixels(int cx, int cy, int radius, const QColor& light,
                                            const QColor& dark);
// Outer radius of the knob's ring on a switch of width x height pixels.
int KnobRadius(int width, int height);
// The labels' font: the dialog face (or its stand-in) with a character cell 12 pixels high.
QFont SwitchLabelFont();

void DrawShadedCircle(QImage& image, int cx, int cy, int radius, const QColor& light,
                      const QColor& dark);

// The stepped knob of the instrument: a left press turns it one detent clockwise, a right press
// one anticlockwise, both wrapping; releasing the button sends WM_SWITCH_CHANGED (wParam = the
// notify id) to NotifyTargetOf(this). A non-zero answer restores the idle cursor at once.
class RotarySwitch : public QPushButton, public MessageTarget {
 public:
  explicit RotarySwitch(QWidget* parent = nullptr);
  ~RotarySwitch() override;

  // Replaces the caption drawn under the knob (no repaint).
  void SetCaption(const QString& caption);
  // count = n bounded to 16 (and to at least 1); clears every label and value and lays out angles.
  void SetPositionCount(int n);
  // Copies at most 15 characters of the label; an index outside 0..count-1 is ignored.
  void SetPositionLabel(int index, const QString& label, float value);
  // Selects index modulo count (no repaint); a negative index counts back from the end.
  void SetPosition(int index);
  int GetPosition() const { return m_nPosition; }
  // Value of the selected detent.
  float GetValue() const;
  void SetNotifyId(int id) { m_nNotifyId = id; }
  int GetNotifyId() const { return m_nNotifyId; }

  int GetPositionCount() const { return m_nCount; }
  QString GetCaption() const { return m_caption; }
  const SwitchPosition& GetDetent(int index) const { return m_positions.at(index); }

  // Paints the whole switch into image (sized like the widget); the widget blits this.
  void Render(QImage& image) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void DrawSwitchText(QPainter& p, int x, int y, const QString& text, const QColor& color) const;
  void RepaintNow();

  int m_nCount = 5;
  int m_nPosition = 0;
  int m_nNotifyId = 0;
  QString m_caption = QStringLiteral("Undef Switch");
  QCursor m_idleCursor;
  QCursor m_leftCursor;
  QCursor m_rightCursor;
  bool m_bIdleCursorLoaded = false;
  bool m_bLeftCursorLoaded = false;
  bool m_bRightCursorLoaded = false;
  QFont m_labelFont;
  std::array<SwitchPosition, kMaxSwitchPositions> m_positions;
};
