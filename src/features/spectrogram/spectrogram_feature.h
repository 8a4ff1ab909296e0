#pragma once

#include <QList>
#include <memory>

#include "features/instrument_feature.h"
#include "features/spectrogram/spectrogram_display.h"
#include "features/spectrogram/spectrogram_options.h"
#include "platform/command_ids.h"
#include "view/view_feature.h"

class QAction;

// The spans the menu offers, seconds, and the colour-bar ranges (bottom, top in dB).
const std::vector<double>& SpectrogramSpans();
struct SpectrogramRange {
  double bottom;
  double top;
};
const std::vector<SpectrogramRange>& SpectrogramRanges();

// The spectrogram: display mode 620 and its menu. The display lives while the scope view shows
// the mode; the choices live in the profile and go with setups.
class SpectrogramFeature : public InstrumentFeature, public ViewFeature {
 public:
  void CreateParts(const FrameParts& parts) override;
  bool OnCommand(int id) override;
  void UpdateCommands() override;
  ViewFeature* ViewPart() override { return this; }
  const ParameterTable* SetupTable() const override;
  void ReadSetup(void* settings) const override;
  void ApplySetup(const void* settings, const SetupApplication& how) override;

  bool ShowsDisplay(int mode) const override;
  void SetupDisplay(CAurivueView& view, int mode) override;
  void ComputeDisplay(CAurivueView& view, int mode) override;
  bool LiveDisplay(CAurivueView& view, int mode) override;
  void TeardownDisplay(CAurivueView& view, int mode) override;
  void PrintDisplay(CAurivueView& view, int mode, DeviceContext& dc) override;
  bool StreamsDisplayCsv(int mode) const override { return ShowsDisplay(mode); }
  bool WriteDisplayCsv(CAurivueView& view, int mode,
                       const std::function<bool(const std::string&)>& write) override;

  // The display while mode 620 is shown, else nullptr.
  SpectrogramDisplay* Display() { return m_pDisplay.get(); }

 private:
  void Changed(const SpectrogramOptions& options);
  // The display of view in mode, nullptr when view shows none of ours.
  SpectrogramDisplay* DisplayOf(const CAurivueView& view, int mode) const;

  FrameParts m_parts;
  std::unique_ptr<SpectrogramDisplay> m_pDisplay;
  QList<QAction*> m_actions;
};
