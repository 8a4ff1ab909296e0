#include "controls/image_button.h"

#include <QApplication>
#include <QEnterEvent>
#include <QIcon>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "controls/dialog_control.h"
#include "controls/link_opener.h"
#include "platform/message_target.h"

namespace {

constexpr int kMaxLinkLength = 260;

// Our cursor files carry their hot spot as PNG text fields "HotspotX" and "HotspotY".
bool LoadCursorResource(int id, QCursor& cursor) {
  QImage image(QStringLiteral(":/cursor/%1.png").arg(id));
  if (image.isNull()) return false;
  cursor = QCursor(QPixmap::fromImage(image), image.text("HotspotX").toInt(),
                   image.text("HotspotY").toInt());
  return true;
}

// A one-pixel 3-D frame: `topLeft` along the top and left edges, `bottomRight` along the others.
void Draw3dFrame(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
  p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
  p.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
  p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
}

void FrameRect(QPainter& p, const QRect& r, const QColor& colour) {
  Draw3dFrame(p, r, colour, colour);
}

}  // namespace

ImageButton::ImageButton(QWidget* parent, int buttonType) : QPushButton(parent) {
  ResetStateColours(false);
  SetButtonType(buttonType);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Our slot is connected first, so check state and link are handled before anyone else hears
  // of the click.
  connect(this, &QAbstractButton::clicked, this, &ImageButton::OnClicked);
}

ImageButton::~ImageButton() = default;

void ImageButton::SetButtonType(int buttonType) {
  m_nButtonType = buttonType & 0x1F;
  m_bCheckMode = (m_nButtonType & IMAGE_BUTTON_CHECKBOX) != 0;
  m_bDefault = m_nButtonType == IMAGE_BUTTON_DEFPUSH;
  setDefault(m_bDefault);
  update();
}

int ImageButton::LoadIconImages(int firstId, int secondId) {
  m_images = {};
  const int ids[2] = {firstId, secondId};
  for (int i = 0; i < 2; ++i) {
    if (ids[i] == 0) continue;
    QPixmap pm(QStringLiteral(":/icon/%1.png").arg(ids[i]));
    if (pm.isNull()) {
      m_images = {};
      update();
      return 1;
    }
    m_images[i] = Image{pm, true};
  }
  update();
  return 0;
}

int ImageButton::LoadBitmapImages(int firstId, const QColor& firstTransparent, int secondId,
                                  const QColor& secondTransparent) {
  m_images = {};
  const int ids[2] = {firstId, secondId};
  const QColor transparent[2] = {firstTransparent, secondTransparent};
  for (int i = 0; i < 2; ++i) {
    if (ids[i] == 0) continue;
    QImage image(QStringLiteral(":/bitmap/%1.bmp").arg(ids[i]));
    if (image.isNull()) {
      m_images = {};
      update();
      return 1;
    }
    // The transparent colour becomes the mask: those pixels show the background.
    image = image.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) {
      m_images = {};
      update();
      return 2;
    }
    const QRgb key = transparent[i].rgb() & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
      }
    }
    m_images[i] = Image{QPixmap::fromImage(image), false};
  }
  update();
  return 0;
}

int ImageButton::SetStateColour(int index, const QColor& colour, bool repaint) {
  if (index < 0 || index > 5) return 3;
  m_colours[index] = colour;
  if (repaint) update();
  return 0;
}

QColor ImageButton::StateColour(int index) const {
  return index >= 0 && index <= 5 ? m_colours[index] : QColor();
}

void ImageButton::ResetStateColours(bool repaint) {
  const QColor face = palette().color(QPalette::Button);
  const QColor text = palette().color(QPalette::ButtonText);
  m_colours = {face, text, face, text, face, text};
  if (repaint) update();
}

void ImageButton::SetChecked(bool checked, bool repaint) {
  if (!m_bCheckMode) return;
  m_bChecked = checked;
  if (repaint) update();
}

int ImageButton::SetHoverCursor(int cursorId, bool repaint) {
  m_bHasCursor = false;
  unsetCursor();
  int result = 0;
  if (cursorId != 0) {
    QCursor cursor;
    if (LoadCursorResource(cursorId, cursor)) {
      setCursor(cursor);
      m_bHasCursor = true;
    } else {
      result = 1;
    }
  }
  if (repaint) update();
  return result;
}

void ImageButton::SetTip(const QString& text, bool activate) {
  m_tip = text;
  m_bTipActive = activate;
  // Long tips wrap at about 400 pixels: rich text lets the tooltip wrap.
  setToolTip(activate ? text : QString());
}

void ImageButton::SetLinkAddress(const QString& address) {
  m_linkAddress = address.left(kMaxLinkLength);
}

void ImageButton::SetFlat(bool flat, bool repaint) {
  m_bFlat = flat;
  if (repaint) update();
}

void ImageButton::SetFlatBorder(bool draw, bool repaint) {
  m_bFlatBorder = draw;
  if (repaint) update();
}

void ImageButton::SetFlatFocus(bool draw, bool repaint) {
  m_bFlatFocus = draw;
  if (repaint) update();
}

void ImageButton::SetImageAlignment(int alignment, bool repaint) {
  if (alignment >= 0 && alignment <= 2) m_nImageAlignment = alignment;
  if (repaint) update();
}

void ImageButton::OnClicked() {
  if (m_bCheckMode) {
    m_bChecked = !m_bChecked;
    update();
  } else if (!m_linkAddress.isEmpty()) {
    OpenLinkAddress(m_linkAddress);
  }
  const int id = DialogControlId(this);
  if (id != 0) SendCommandTo(parentWidget(), id);
}

void ImageButton::StartHover() {
  if (!m_bFlat || m_bHover || !isEnabled()) return;
  if (QApplication::mouseButtons() & Qt::LeftButton) return;
  if (QApplication::activeWindow() == nullptr && !m_bTrackAlways) return;
  m_bHover = true;
  update();
}

void ImageButton::EndHover() {
  if (!m_bFlat || !m_bHover) return;
  m_bHover = false;
  update();
}

void ImageButton::mouseMoveEvent(QMouseEvent* event) {
  QPushButton::mouseMoveEvent(event);
  if (rect().contains(event->position().toPoint())) {
    StartHover();
  } else if (!(event->buttons() & Qt::LeftButton)) {
    EndHover();
  }
}

void ImageButton::enterEvent(QEnterEvent* event) {
  QPushButton::enterEvent(event);
  StartHover();
}

void ImageButton::leaveEvent(QEvent* event) {
  QPushButton::leaveEvent(event);
  EndHover();
}

void ImageButton::focusOutEvent(QFocusEvent* event) {
  QPushButton::focusOutEvent(event);
  EndHover();
}

void ImageButton::hideEvent(QHideEvent* event) {
  QPushButton::hideEvent(event);
  EndHover();
}

void ImageButton::changeEvent(QEvent* event) {
  QPushButton::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
    EndHover();
  } else if (event->type() == QEvent::EnabledChange && !isEnabled()) {
    // The focus goes on to the next control in tab order, or to the parent when none takes it.
    if (hasFocus() && !focusNextChild() && parentWidget() != nullptr) {
      parentWidget()->setFocus(Qt::OtherFocusReason);
    }
    EndHover();
  }
}

void ImageButton::DrawBackground(QPainter& p, const QRect& r, const QColor& colour) const {
  p.fillRect(r, colour);
}

void ImageButton::DrawFlatBorder(QPainter& p, const QRect& r, bool pressed) const {
  const QPalette& pal = palette();
  if (pressed) {
    Draw3dFrame(p, r, pal.color(QPalette::Dark), pal.color(QPalette::Light));
  } else {
    Draw3dFrame(p, r, pal.color(QPalette::Light), pal.color(QPalette::Dark));
  }
}

void ImageButton::DrawImage(QPainter& p, const QRect& r, bool pressed, bool hasText,
                            QRect& textRect) const {
  // The first image stands for pressed (and, outside check mode, hovered); the second, when
  // there is one, for released.
  const bool first = pressed || (!m_bCheckMode && m_bHover);
  const Image& image = first || m_images[1].IsNull() ? m_images[0] : m_images[1];
  if (image.IsNull()) return;
  QPixmap pm = image.pixmap;
  if (image.isIcon && !isEnabled()) pm = QIcon(pm).pixmap(pm.size(), QIcon::Disabled);
  const int w = pm.width();
  const int h = pm.height();
  QPoint at;
  switch (m_nImageAlignment) {
    case 1:
      at.setX(r.left() + (r.width() - w) / 2);
      if (hasText) {
        at.setY(r.top() + 3);
        textRect.setTop(at.y() + h);
      } else {
        at.setY(r.top() + (r.height() - h) / 2);
      }
      break;
    case 2:
      at.setY(r.top() + (r.height() - h) / 2);
      if (hasText) {
        at.setX(r.right() + 1 - 3 - w);
        textRect.setRight(at.x() - 1);
      } else {
        at.setX(r.left() + (r.width() - w) / 2);
      }
      break;
    default:
      at.setY(r.top() + (r.height() - h) / 2);
      if (hasText) {
        at.setX(r.left() + 3);
        textRect.setLeft(at.x() + w + 3);
      } else {
        at.setX(r.left() + (r.width() - w) / 2);
      }
      break;
  }
  if (pressed && !m_bCheckMode) at += QPoint(1, 1);
  p.drawPixmap(at, pm);
}

void ImageButton::DrawText(QPainter& p, const QRect& textRect, bool pressed) const {
  const QString label = text();
  if (label.isEmpty()) return;
  QRect t = textRect;
  if (pressed && !m_bCheckMode) t.translate(1, 1);
  const int flags = Qt::AlignCenter | Qt::TextWordWrap;
  p.setFont(font());
  if (!isEnabled()) {
    p.setPen(palette().color(QPalette::Light));
    p.drawText(t.translated(1, 1), flags, label);
    p.setPen(palette().color(QPalette::Dark));
    p.drawText(t, flags, label);
    return;
  }
  p.setPen(m_colours[m_bHover || pressed ? BTNCOLOR_FG_IN : BTNCOLOR_FG_OUT]);
  p.drawText(t, flags, label);
}

QPixmap ImageButton::Render() const {
  const qreal ratio = devicePixelRatioF();
  QPixmap canvas(size() * ratio);
  canvas.setDevicePixelRatio(ratio);
  QPainter p(&canvas);
  const QPalette& pal = palette();

  const bool pressed = isDown() || (m_bCheckMode && m_bChecked);
  const bool focused = hasFocus();
  QRect r = rect();

  p.fillRect(r, pal.color(QPalette::Button));
  if (!m_bFlat && (focused || m_bDefault)) {
    FrameRect(p, r, Qt::black);
    r.adjust(1, 1, -1, -1);
  }

  int colour = BTNCOLOR_BK_OUT;
  if (pressed || m_bHover) {
    colour = BTNCOLOR_BK_IN;
  } else if (focused) {
    colour = BTNCOLOR_BK_FOCUS;
  }
  DrawBackground(p, r, m_colours[colour]);

  if (!pressed && !m_bFlat) {
    Draw3dFrame(p, r, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
    Draw3dFrame(p, r.adjusted(1, 1, -1, -1), pal.color(QPalette::Midlight),
                pal.color(QPalette::Dark));
  } else if (!pressed && m_bHover && m_bFlatBorder) {
    DrawFlatBorder(p, r, false);
  } else if (pressed && !m_bFlat) {
    FrameRect(p, r, pal.color(QPalette::Dark));
  } else if (pressed && m_bFlatBorder) {
    DrawFlatBorder(p, r, true);
  }

  QRect textRect = r;
  DrawImage(p, r, pressed, !text().isEmpty(), textRect);
  DrawText(p, textRect, pressed);

  if (focused && (!m_bFlat || m_bFlatFocus)) {
    QPen dotted(pal.color(QPalette::ButtonText), 1, Qt::DotLine);
    p.setPen(dotted);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(3, 3, -4, -4));
  }
  return canvas;
}

void ImageButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawPixmap(0, 0, Render());
}
