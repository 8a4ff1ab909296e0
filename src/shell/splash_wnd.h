#pragma once

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
  // could not be loaded (the window is then not shown).
  bool Create(int resourceId);

  const CPaletteBitmap& Picture() const { return m_bitmap; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CPaletteBitmap m_bitmap;
};

// Top-left corner that centres a picture on a screen (integer division, as the window is placed).
QPoint SplashPosition(const QSize& screen, const QSize& picture);
