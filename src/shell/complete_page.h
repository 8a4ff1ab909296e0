#pragma once

#include "shell/setup_page.h"

// The last step: tells the user when the choices take effect.
class CCompletePage : public CSetupPage {
 public:
  CCompletePage();

 protected:
  void BuildControls() override;
};
