#pragma once

#include <QRect>

// Dialog templates place controls in dialog units: the dialog font's base units. For the
// 8-point dialog font at 96 dpi one unit is 1.5 px across and 1.625 px down (base units 6 x 13,
// a unit being a quarter across and an eighth down).
constexpr int kDialogBaseUnitX = 6;
constexpr int kDialogBaseUnitY = 13;

inline int DialogUnitsToPixelsX(int units) { return units * kDialogBaseUnitX / 4; }
inline int DialogUnitsToPixelsY(int units) { return units * kDialogBaseUnitY / 8; }

// A control rectangle of a template (x, y, width, height in dialog units) in pixels.
inline QRect DialogRect(int x, int y, int width, int height) {
  int left = DialogUnitsToPixelsX(x);
  int top = DialogUnitsToPixelsY(y);
  return QRect(left, top, DialogUnitsToPixelsX(x + width) - left,
               DialogUnitsToPixelsY(y + height) - top);
}
