#pragma once

#include "shell/setup_page.h"

class RotarySwitch;

// Smoothing window: a five-detent knob. End writes FFTWindow and switches the running analysis
// to it at once.
class CWindowPage : public CSetupPage {
 public:
  CWindowPage();
  void OnConfirm() override;
  RotarySwitch* WindowSwitch() const { return m_pSwitch; }

 protected:
  void BuildControls() override;
  void OnInitDialog() override;

 private:
  RotarySwitch* m_pSwitch = nullptr;
};
