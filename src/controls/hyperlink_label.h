#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

// The text shown after "Unable to open hyperlink:\n\n" for a failed open's result number.
QString LinkErrorText(int result);

// A static text that works as a web link: blue, red and underlined while the mouse is over it,
// a hand cursor, the address as tooltip; a click opens the address (web page, "mailto:", file)
// and turns the text purple. A failed open shows a message box and leaves it unvisited.
class HyperlinkLabel : public QLabel {
  Q_OBJECT

 public:
  explicit HyperlinkLabel(QWidget* parent = nullptr);
  explicit HyperlinkLabel(const QString& text, QWidget* parent = nullptr);

  // Stores the address, refits the label to its text and updates the tooltip. A label without
  // text shows its address.
  void SetLinkAddress(const QString& address);
  QString LinkAddress() const { return m_address; }
  void MarkVisited(bool visited = true);
  bool IsVisited() const { return m_bVisited; }
  // 1 always underlined, 0 never, -1 only while hovering.
  void SetUnderlineMode(int mode);
  int UnderlineMode() const { return m_nUnderline; }
  void SetAutoSize(bool autoSize) { m_bAutoSize = autoSize; }
  bool IsHovering() const { return m_bHovering; }

  // The colour the text is drawn in now.
  QColor CurrentTextColour() const;

  // Opens the address as a click does.
  void OpenLink();

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  void Attach();
  void FitToText();
  void ApplyLook();

  QColor m_crLink{0, 0, 238};
  QColor m_crVisited{85, 26, 139};
  QColor m_crHover{255, 0, 0};
  bool m_bHovering = false;
  bool m_bVisited = false;
  int m_nUnderline = -1;
  bool m_bAutoSize = true;
  QString m_address;
  QFont m_underlinedFont;
  QFont m_normalFont;
  QBasicTimer m_hoverTimer;
  bool m_bPressed = false;
};
