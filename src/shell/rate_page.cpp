#include "shell/rate_page.h"

#include "controls/rotary_switch.h"

CRatePage::CRatePage() : CSetupPage(103) {}

void CRatePage::BuildControls() {
  m_pSwitch = new RotarySwitch(this);
  Place(m_pSwitch, 55, 18, 113, 108);
  m_pSwitch->SetOwner(this);
}

void CRatePage::OnInitDialog() {
  const int rateIndex = LoadSettingsFile() ? GetCardInt("RateIndex") : 3;
  m_pSwitch->SetCaption(QStringLiteral("Sampling Rate(Hz)"));
  m_pSwitch->SetNotifyId(136);
  m_pSwitch->SetPositionCount(5);
  m_pSwitch->SetPositionLabel(0, QStringLiteral("11.025K"), 11025.0f);
  m_pSwitch->SetPositionLabel(1, QStringLiteral("22.05K"), 22050.0f);
  m_pSwitch->SetPositionLabel(2, QStringLiteral("44.1K"), 44100.0f);
  m_pSwitch->SetPositionLabel(3, QStringLiteral("48K"), 48000.0f);
  m_pSwitch->SetPositionLabel(4, QStringLiteral("96K"), 96000.0f);
  m_pSwitch->SetPosition(rateIndex - 1);
  m_pSwitch->update();
}

void CRatePage::OnConfirm() {
  LoadSettingsFile();
  SetCardInt("RateIndex", m_pSwitch->GetPosition() + 1, true);
  SaveSettingsFile();
}
