#pragma once

#include "shell/setup_page.h"

class FlatSlider;
class QLabel;
class RotarySwitch;

// Filter type (a three-detent knob) and corner frequency (a vertical slider, 1 Hz at the top).
// Moving the slider changes the running filter at once; End writes FilterType and FreqPoint.
class CFilterPage : public CSetupPage {
 public:
  CFilterPage();
  void OnConfirm() override;

  RotarySwitch* FilterSwitch() const { return m_pSwitch; }
  FlatSlider* FrequencySlider() const { return m_pSlider; }
  QLabel* FrequencyText() const { return m_pText; }

 protected:
  void BuildControls() override;
  void OnInitDialog() override;

 private:
  void OnFrequencyScroll();

  RotarySwitch* m_pSwitch = nullptr;
  FlatSlider* m_pSlider = nullptr;
  QLabel* m_pText = nullptr;
};
