#pragma once

#include <vector>

#include "features/instrument_feature.h"
#include "features/spectrum/large_spectrum_pass.h"

class QAction;

// The spectrum analyser's Spectrum menu: its choices, kept in the per-user profile.
class SpectrumFeature : public InstrumentFeature {
 public:
  void CreateParts(const FrameParts& parts) override;
  bool OnCommand(int id) override;
  void UpdateCommands() override;
  // The pass on the large transform.
  ViewFeature* ViewPart() override { return &m_pass; }
  const ParameterTable* SetupTable() const override;
  void ReadSetup(void* settings) const override;
  void ApplySetup(const void* settings, const SetupApplication& how) override;

 private:
  FrameParts m_parts;
  LargeSpectrumPass m_pass;
  std::vector<QAction*> m_spectrumActions;
};
