#pragma once

#include <string>

// The choices of the cursors and markers: which cursors are on, where those of the first chart
// stand (in its units, hertz on a log axis; `placed` false leaves a cursor where it stood or at
// its default), track and snap, and the peak markers of the spectrum charts.
struct CursorSettings {
  bool on[4] = {false, false, false, false};  // X1, X2, Y1, Y2
  bool placed[4] = {false, false, false, false};
  double value[4] = {0, 0, 0, 0};
  bool track = false;
  bool snap = false;
  int markers = 0;  // peak markers on each spectrum chart, 0..8
  bool continuous = false;
  bool reference = false;
  bool table = true;

  bool AnyCursor() const { return on[0] || on[1] || on[2] || on[3]; }
  bool operator==(const CursorSettings&) const = default;
};

// The on/off choices as the per-user profile keeps them (the positions stay with the setup).
CursorSettings LoadCursorProfile();
void SaveCursorProfile(const CursorSettings& settings);
