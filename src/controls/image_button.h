#pragma once

#include <QColor>
#include <QCursor>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <array>

class QPainter;

// Button types, as the low bits of a template button's style.
constexpr int IMAGE_BUTTON_PUSH = 0;
constexpr int IMAGE_BUTTON_DEFPUSH = 1;
constexpr int IMAGE_BUTTON_CHECKBOX = 2;
constexpr int IMAGE_BUTTON_AUTOCHECKBOX = 3;

// Indexes of the six state colours.
constexpr int BTNCOLOR_BK_IN = 0;     // background while pressed or hovered
constexpr int BTNCOLOR_FG_IN = 1;     // text while pressed or hovered
constexpr int BTNCOLOR_BK_OUT = 2;    // background otherwise
constexpr int BTNCOLOR_FG_OUT = 3;    // text otherwise
constexpr int BTNCOLOR_BK_FOCUS = 4;  // background while focused
constexpr int BTNCOLOR_FG_FOCUS = 5;  // text while focused

// An owner-drawn button with an icon or bitmap beside its text, a flat look that raises a thin
// border only while the mouse is over it, its own cursor and tooltip. In check mode each click
// toggles a pressed-in state; otherwise a click can open a web address. Either way the click
// then reaches the parent as the command of the button's dialog control id.
class ImageButton : public QPushButton {
  Q_OBJECT

 public:
  explicit ImageButton(QWidget* parent = nullptr, int buttonType = IMAGE_BUTTON_PUSH);
  ~ImageButton() override;

  // Takes a template button's type: the check-box bit selects check mode, type 1 makes it the
  // default button.
  void SetButtonType(int buttonType);
  int ButtonType() const { return m_nButtonType; }
  bool IsCheckMode() const { return m_bCheckMode; }

  // Icons ":/icon/<id>.png": the first for the pressed or hovered state, the second (0: none) for
  // the released one. Returns 0, or 1 when an icon does not load (then no image is kept).
  int LoadIconImages(int firstId, int secondId = 0);
  // Bitmaps ":/bitmap/<id>.bmp" whose pixels of the given colour are transparent. Returns 0, 1
  // when a bitmap does not load, 2 when its mask cannot be built (no image is kept then).
  int LoadBitmapImages(int firstId, const QColor& firstTransparent, int secondId = 0,
                       const QColor& secondTransparent = QColor());

  // One of the six state colours; 3 (and nothing changed) for an index outside 0..5.
  int SetStateColour(int index, const QColor& colour, bool repaint = true);
  QColor StateColour(int index) const;
  void ResetStateColours(bool repaint = true);

  // Check mode only.
  void SetChecked(bool checked, bool repaint = true);
  bool IsChecked() const { return m_bChecked; }

  // Cursor ":/cursor/<id>.png" shown over the button (0 removes it). Returns 1 when it does not
  // load.
  int SetHoverCursor(int cursorId, bool repaint = false);
  void SetTip(const QString& text, bool activate = true);
  QString Tip() const { return m_tip; }
  // Address opened on a click outside check mode (at most 260 characters; empty: none).
  void SetLinkAddress(const QString& address);
  QString LinkAddress() const { return m_linkAddress; }

  void SetFlat(bool flat, bool repaint = true);
  void SetFlatBorder(bool draw, bool repaint = true);
  void SetFlatFocus(bool draw, bool repaint = true);
  // 0 image left of the text, 1 above it, 2 right of it.
  void SetImageAlignment(int alignment, bool repaint = true);
  // Hover even while the program has no active window.
  void SetTrackAlways(bool always) { m_bTrackAlways = always; }
  bool IsHovering() const { return m_bHover; }

  // The whole button as it would be drawn now, in the widget's size.
  QPixmap Render() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  virtual void DrawBackground(QPainter& p, const QRect& r, const QColor& colour) const;
  virtual void DrawFlatBorder(QPainter& p, const QRect& r, bool pressed) const;

 private:
  struct Image {
    QPixmap pixmap;
    bool isIcon = false;
    bool IsNull() const { return pixmap.isNull(); }
  };

  void OnClicked();
  void StartHover();
  void EndHover();
  void DrawImage(QPainter& p, const QRect& r, bool pressed, bool hasText, QRect& textRect) const;
  void DrawText(QPainter& p, const QRect& textRect, bool pressed) const;

  bool m_bFlat = true;
  bool m_bHover = false;
  bool m_bDefault = false;
  bool m_bCheckMode = false;
  int m_nImageAlignment = 0;
  bool m_bFlatBorder = true;
  bool m_bFlatFocus = false;
  std::array<QColor, 6> m_colours;
  bool m_bHasCursor = false;
  QString m_tip;
  bool m_bTipActive = false;
  bool m_bTrackAlways = false;
  bool m_bChecked = false;
  int m_nButtonType = IMAGE_BUTTON_PUSH;
  QString m_linkAddress;
  std::array<Image, 2> m_images;
};
