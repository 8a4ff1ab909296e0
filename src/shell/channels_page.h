#pragma once

#include "shell/setup_page.h"

class FlatSlider;

// Channel count: a two-stop slider, SINGLE at the left and DOUBLE at the right. End writes
// Channels only when the key is already in the file.
class CChannelsPage : public CSetupPage {
 public:
  CChannelsPage();
  void OnConfirm() override;
  FlatSlider* ChannelsSlider() const { return m_pSlider; }

 protected:
  void BuildControls() override;
  void OnInitDialog() override;

 private:
  FlatSlider* m_pSlider = nullptr;
};
