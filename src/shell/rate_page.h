#pragma once

#include "shell/setup_page.h"

class RotarySwitch;

// Sampling rate: a five-detent knob, written as RateIndex (detent + 1) at End.
class CRatePage : public CSetupPage {
 public:
  CRatePage();
  void OnConfirm() override;
  RotarySwitch* RateSwitch() const { return m_pSwitch; }

 protected:
  void BuildControls() override;
  void OnInitDialog() override;

 private:
  RotarySwitch* m_pSwitch = nullptr;
};
