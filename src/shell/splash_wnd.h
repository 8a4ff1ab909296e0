#pragma once

#include <QImage>
#include <QWidget>

#include "shell/palette_bitmap.h"

// The start-up picture: a borderless popup with a thin frame, sized to the picture and centred
// on the screen.
// Width of the popup's thin border, drawn outside the picture.
constexpr int kSplashBorder = 1;

class CSplashWnd : public QWidget {
 public:
  CSplashWnd();

  // Loads bitmap resource id and shows the window, painted at once. False when the picture
  // could not be loaded (the window is then not shown). On a dense screen the picture drawn at
  // twice the size (resource "id@2x.png") is shown in its place when there is one.
  bool Create(int resourceId);

  const CPaletteBitmap& Picture() const { return m_bitmap; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CPaletteBitmap m_bitmap;
  QImage m_fine;
};

// Top-left corner that centres a picture on a screen (integer division, as the window is placed).
QPoint SplashPosition(const QSize& screen, const QSize& picture);
