#include "controls/hyperlink_label.h"

#include <QApplication>
#include <QCursor>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QTimerEvent>

#include "controls/link_opener.h"
#include "platform/message_box.h"

namespace {
constexpr int kHoverTimerMs = 100;
}

QString LinkErrorText(int result) {
  switch (result) {
    case 0:
      return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2:
      return QStringLiteral("The specified file was not found.");
    case 3:
      return QStringLiteral("The specified path was not found.");
    case 5:
      return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8:
      return QStringLiteral("There was not enough memory to complete the operation.");
    case 11:
      return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
      return QStringLiteral("A sharing violation occurred. ");
    case 27:
      return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28:
      return QStringLiteral(
          "The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
      return QStringLiteral("The DDE transaction failed.");
    case 30:
      return QStringLiteral(
          "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
          "being processed.");
    case 31:
      return QStringLiteral(
          "There is no application associated\nwith the given filename extension.");
    case 32:
      return QStringLiteral("The specified dynamic-link library was not found.");
    default:
      return QStringLiteral("Unknown Error (%1) occurred.").arg(result);
  }
}

HyperlinkLabel::HyperlinkLabel(QWidget* parent) : QLabel(parent) { Attach(); }

HyperlinkLabel::HyperlinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  Attach();
}

void HyperlinkLabel::Attach() {
  if (m_address.isEmpty()) m_address = text();
  if (text().isEmpty()) setText(m_address);
  m_normalFont = font();
  m_normalFont.setUnderline(false);
  m_underlinedFont = m_normalFont;
  m_underlinedFont.setUnderline(true);
  setMouseTracking(true);
  setCursor(Qt::PointingHandCursor);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  FitToText();
  m_nUnderline = -1;
  setFont(m_normalFont);
  setToolTip(m_address);
  ApplyLook();
}

void HyperlinkLabel::SetLinkAddress(const QString& address) {
  m_address = address;
  if (text().isEmpty()) setText(m_address);
  FitToText();
  setToolTip(m_address);
}

void HyperlinkLabel::MarkVisited(bool visited) {
  m_bVisited = visited;
  ApplyLook();
}

void HyperlinkLabel::SetUnderlineMode(int mode) {
  if (mode == m_nUnderline) return;
  m_nUnderline = mode;
  setFont(mode == 1 ? m_underlinedFont : m_normalFont);
  ApplyLook();
}

QColor HyperlinkLabel::CurrentTextColour() const {
  if (m_bHovering) return m_crHover;
  return m_bVisited ? m_crVisited : m_crLink;
}

void HyperlinkLabel::ApplyLook() {
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, CurrentTextColour());
  setPalette(pal);
  update();
}

void HyperlinkLabel::FitToText() {
  if (!m_bAutoSize) return;
  const QFontMetrics metrics(m_underlinedFont);
  const QRect old = geometry();
  const int frame = 2 * frameWidth();
  QRect r = old;
  const int width = metrics.horizontalAdvance(text()) + frame;
  const Qt::Alignment align = alignment();
  if (align & Qt::AlignHCenter) {
    r.setLeft(old.left() + (old.width() - width) / 2);
  } else if (align & Qt::AlignRight) {
    r.setLeft(old.right() + 1 - width);
  }
  r.setWidth(width);
  if (!(align & Qt::AlignVCenter) || old.height() == 0) r.setHeight(metrics.height() + frame);
  setGeometry(r);
}

void HyperlinkLabel::mouseMoveEvent(QMouseEvent* event) {
  QLabel::mouseMoveEvent(event);
  if (m_bHovering) return;
  m_bHovering = true;
  if (m_nUnderline == -1) setFont(m_underlinedFont);
  ApplyLook();
  m_hoverTimer.start(kHoverTimerMs, this);
}

void HyperlinkLabel::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_hoverTimer.timerId()) {
    QLabel::timerEvent(event);
    return;
  }
  if (rect().contains(mapFromGlobal(QCursor::pos()))) return;
  m_bHovering = false;
  m_hoverTimer.stop();
  if (m_nUnderline != 1) setFont(m_normalFont);
  ApplyLook();
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
  m_bPressed = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  const bool click = m_bPressed && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  m_bPressed = false;
  if (click) OpenLink();
}

void HyperlinkLabel::OpenLink() {
  m_bHovering = false;
  const int result = OpenLinkAddress(m_address);
  if (result > 32) {
    m_bVisited = true;
    ApplyLook();
    return;
  }
  ApplyLook();
  QApplication::beep();
  ShowMessageBox(
      (QStringLiteral("Unable to open hyperlink:\n\n") + LinkErrorText(result)).toStdString());
}
