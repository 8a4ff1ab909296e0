#include "shell/splash_wnd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWindow>

QPoint SplashPosition(const QSize& screen, const QSize& picture) {
  return QPoint((screen.width() - picture.width()) / 2, (screen.height() - picture.height()) / 2);
}

CSplashWnd::CSplashWnd() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

bool CSplashWnd::Create(int resourceId) {
  if (!m_bitmap.LoadBitmapWithPalette(resourceId)) return false;
  const QSize picture(m_bitmap.Width(), m_bitmap.Height());
  m_fine = QImage(QString(":/bitmap/%1@2x.png").arg(resourceId));
  if (m_fine.size() != picture * 2) m_fine = QImage();
  QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenSize = screen != nullptr ? screen->size() : picture;
  // The thin border lies around the picture, one pixel on each side, so none of it is covered.
  setFixedSize(picture + QSize(2 * kSplashBorder, 2 * kSplashBorder));
  move(SplashPosition(screenSize, picture));
  show();
  // The start-up blocks right after this, so the picture must be on the screen now: wait (a
  // little) for the window system to map the window, then paint synchronously.
  QElapsedTimer waited;
  waited.start();
  while (windowHandle() != nullptr && !windowHandle()->isExposed() && waited.elapsed() < 300) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return true;
}

void CSplashWnd::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // The border is what the picture leaves of a black fill: a pen would straddle the picture's
  // edge on a dense screen.
  p.fillRect(rect(), Qt::black);
  if (devicePixelRatioF() > 1 && !m_fine.isNull()) {
    p.drawImage(QRect(QPoint(kSplashBorder, kSplashBorder), m_fine.size() / 2), m_fine);
  } else {
    p.drawImage(kSplashBorder, kSplashBorder, m_bitmap.Image());
  }
}
