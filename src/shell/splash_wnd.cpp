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
  p.drawImage(kSplashBorder, kSplashBorder, m_bitmap.Image());
  p.setPen(Qt::black);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}
