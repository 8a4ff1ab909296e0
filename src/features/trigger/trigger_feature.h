#pragma once

#include <QString>
#include <vector>

#include "features/instrument_feature.h"
#include "features/trigger/trigger_frame_selector.h"

class QAction;
class QLabel;
class QPushButton;
class TriggerControl;
struct TriggerSettings;

// The text of the trigger's state pane at timeBase ms/div in displayMode: FREE in the displays
// the trigger does not drive (all but the oscillographs), where nothing waits for it.
QString TriggerPaneText(const TriggerControl& trigger, bool live, float timeBase, int displayMode);

// The oscillograph's trigger: the Trigger menu and its keys, the setup dialog, the state pane and
// the re-arm button in the status bar.
class TriggerFeature : public InstrumentFeature {
 public:
  void CreateParts(const FrameParts& parts) override;
  bool OnCommand(int id) override;
  void UpdateCommands() override;
  // The frame the oscillograph shows.
  ViewFeature* ViewPart() override { return &m_selector; }
  const ParameterTable* SetupTable() const override;
  void ReadSetup(void* settings) const override;
  void ApplySetup(const void* settings, const SetupApplication& how) override;

  // The state pane: OFF, WAIT, TRIG'D, AUTO, STOP (or ROLL).
  QString StatusText() const;

 private:
  void Apply(const TriggerSettings& settings);

  FrameParts m_parts;
  TriggerFrameSelector m_selector;
  QLabel* m_pTriggerPane = nullptr;
  QPushButton* m_pRearmButton = nullptr;
  std::vector<QAction*> m_triggerActions;
};
