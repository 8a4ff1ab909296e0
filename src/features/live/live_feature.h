#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "features/instrument_feature.h"

class LevelMeterBar;
class QAction;
class QLabel;

// The text of the live display's status pane.
QString LivePaneText(bool live, unsigned long long lostBlocks, double updatesPerSecond);

// The live display's parts of the frame: View > Live display (F5) and the curtain rate,
// Setup > Input Device List..., the LIVE/CLASSIC status pane and the level meters.
class LiveFeature : public InstrumentFeature {
 public:
  void CreateParts(const FrameParts& parts) override;
  bool OnCommand(int id) override;
  void UpdateCommands() override;

  // The status pane: "LIVE" or "CLASSIC", the blocks lost since POWER on and the analysis
  // updates a second.
  QString StatusText() const;
  LevelMeterBar* LevelMeters() const { return m_pMeters; }

 private:
  void OnInputDeviceList();

  FrameParts m_parts;
  QLabel* m_pLivePane = nullptr;
  LevelMeterBar* m_pMeters = nullptr;
  QAction* m_pLiveAction = nullptr;
  std::vector<QAction*> m_curtainActions;
  int64_t m_nRateSinceNs = 0;
  uint64_t m_nRateSinceUpdates = 0;
  double m_dUpdatesPerSecond = 0;
};
