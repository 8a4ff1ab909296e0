#include "shell/window_page.h"

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "controls/rotary_switch.h"

CWindowPage::CWindowPage() : CSetupPage(105) {}

void CWindowPage::BuildControls() {
  m_pSwitch = new RotarySwitch(this);
  Place(m_pSwitch, 39, 14, 131, 123);
  m_pSwitch->SetOwner(this);
}

void CWindowPage::OnInitDialog() {
  const int window = LoadSettingsFile() ? GetCardInt("FFTWindow") : 1;
  m_pSwitch->SetCaption(QStringLiteral("Smoothing Window"));
  m_pSwitch->SetNotifyId(1057);
  m_pSwitch->SetPositionCount(5);
  m_pSwitch->SetPositionLabel(0, QStringLiteral("Rectangle"), 1.0f);
  m_pSwitch->SetPositionLabel(1, QStringLiteral("Triangular "), 2.0f);
  m_pSwitch->SetPositionLabel(2, QStringLiteral("Hanning "), 3.0f);
  m_pSwitch->SetPositionLabel(3, QStringLiteral("Hamming "), 4.0f);
  m_pSwitch->SetPositionLabel(4, QStringLiteral("Blackman"), 5.0f);
  m_pSwitch->SetPosition(window - 1);
  m_pSwitch->update();
}

void CWindowPage::OnConfirm() {
  const int window = m_pSwitch->GetPosition() + 1;
  LoadSettingsFile();
  SetCardInt("FFTWindow", window, true);
  SaveSettingsFile();
  CurrentApp().m_nFFTWindow = window;
}
