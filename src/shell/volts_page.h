#pragma once

#include "shell/setup_page.h"

class FlatSlider;
class QLabel;

// Sample width and volt calibration. The bits slider (8 BIT / 16 BIT) sets the volts slider's
// range and resets its position; moving the volts slider changes the running program's
// calibration at once. End writes VoltValue (only when present in the file) and Bits.
class CVoltsPage : public CSetupPage {
 public:
  CVoltsPage();
  void OnConfirm() override;

  FlatSlider* BitsSlider() const { return m_pBitsSlider; }
  FlatSlider* VoltsSlider() const { return m_pVoltsSlider; }
  QLabel* VoltsText() const { return m_pVoltsText; }

 protected:
  void BuildControls() override;
  void OnInitDialog() override;

 private:
  void OnBitsScroll();
  void OnVoltsScroll();
  void ShowVolts(int value);

  FlatSlider* m_pBitsSlider = nullptr;
  FlatSlider* m_pVoltsSlider = nullptr;
  QLabel* m_pVoltsText = nullptr;
};
