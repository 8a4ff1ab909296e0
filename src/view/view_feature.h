#pragma once

#include <string>
#include <vector>

class CAurivueView;
class DeviceContext;

// What an instrument feature adds to the scope view. The view offers each step to its features
// in order; the defaults take no part, so a feature overrides only the steps it joins. A display
// of a feature's own is one of the analyser folder's modes: the feature builds its windows as
// children of the view, draws them from the view's frame (Classic) or the capture ring (Live),
// and the view's File commands print, picture and export what it shows.
class ViewFeature {
 public:
  virtual ~ViewFeature() = default;

  // True when the feature draws display mode.
  virtual bool ShowsDisplay(int /*mode*/) const { return false; }
  // Builds the display's windows as children of view, filling its client area.
  virtual void SetupDisplay(CAurivueView& /*view*/, int /*mode*/) {}
  // Classic: the view has decoded a filled buffer into its frame arrays.
  virtual void ComputeDisplay(CAurivueView& /*view*/, int /*mode*/) {}
  // Live: one screen refresh, never waiting for the audio thread; true when something new was
  // drawn.
  virtual bool LiveDisplay(CAurivueView& /*view*/, int /*mode*/) { return false; }
  // The view goes or leaves the mode: the display's windows go with it.
  virtual void TeardownDisplay(CAurivueView& /*view*/, int /*mode*/) {}
  // Prints the display on the page as the charts print: the first chart at device (0, 0), a
  // second at (0, 1400).
  virtual void PrintDisplay(CAurivueView& /*view*/, int /*mode*/, DeviceContext& /*dc*/) {}
  // Export CSV of the display: its header and rows, written after the "#" lines. False when
  // the display has nothing to export.
  virtual bool DisplayCsvRows(CAurivueView& /*view*/, int /*mode*/, std::string& /*rows*/) {
    return false;
  }

  // Every display, the view's own and the features' alike: its windows were just built, a pass
  // has just drawn them, or they are about to go. A feature that works over whatever chart is
  // shown (cursors, markers) joins here.
  virtual void DisplayBuilt(CAurivueView& /*view*/, int /*mode*/) {}
  virtual void DisplayDrawn(CAurivueView& /*view*/, int /*mode*/) {}
  virtual void DisplayGoing(CAurivueView& /*view*/, int /*mode*/) {}
};

using ViewFeatures = std::vector<ViewFeature*>;
