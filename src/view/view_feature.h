#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CAurivueView;
class DeviceContext;
struct LargeSpectrum;

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

  // Which frame a pass of the view's own displays shows (the trigger chooses it). The view asks
  // its features in order; the first answer other than kNewest decides.
  enum class FrameChoice {
    kNewest,   // the view takes the newest frame, as without the feature
    kDecoded,  // the feature decoded the frame the pass shows into the view's arrays
    kKeep,     // nothing new to show: the last frame stays and no pass runs
  };
  // A new view begins: its arrays exist, its first pass has not run.
  virtual void ViewStarting(CAurivueView& /*view*/) {}
  // Classic: the capture engine holds a filled buffer.
  virtual FrameChoice SelectClassicFrame(CAurivueView& /*view*/) { return FrameChoice::kNewest; }
  // Live: a frame of span frames at the full rate is wanted.
  virtual FrameChoice SelectLiveFrame(CAurivueView& /*view*/, std::size_t /*span*/) {
    return FrameChoice::kNewest;
  }
  // The view decoded the newest frame for the pass (every feature answered kNewest).
  virtual void NewestFrameShown(CAurivueView& /*view*/) {}
  // How far right of the frame's left edge its first sample is drawn, ms.
  virtual double TraceShiftMs() const { return 0; }

  // A pass of the feature's own in place of the view's for a display the view draws (the large
  // spectrum). True when the feature ran it.
  virtual bool RunsPass(const CAurivueView& /*view*/, int /*analysis*/) const { return false; }
  virtual void RunPass(CAurivueView& /*view*/, int /*analysis*/, bool /*threeD*/) {}
  // The points and series a chart of the current layout holds for such a pass; 0 leaves the
  // view's own.
  virtual int ChartCapacity(const CAurivueView& /*view*/, bool /*threeD*/) const { return 0; }
  virtual int ChartSeries(const CAurivueView& /*view*/, bool /*threeD*/) const { return 0; }
  // The large transform the display of analysis shows, for its export; nullptr for none.
  virtual const LargeSpectrum* LargeSpectrumShown(const CAurivueView& /*view*/,
                                                  int /*analysis*/) const {
    return nullptr;
  }

  // A display whose export is too large to hold as one text (hours of columns) writes it
  // piece by piece instead: StreamsDisplayCsv says so, and WriteDisplayCsv hands its header and
  // rows to write in order, false as soon as write fails.
  virtual bool StreamsDisplayCsv(int /*mode*/) const { return false; }
  virtual bool WriteDisplayCsv(CAurivueView& /*view*/, int /*mode*/,
                               const std::function<bool(const std::string&)>& /*write*/) {
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
