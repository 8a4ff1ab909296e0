#include "shell/channels_page.h"

#include <QSignalBlocker>

#include "controls/flat_slider.h"

CChannelsPage::CChannelsPage() : CSetupPage(104) {}

void CChannelsPage::BuildControls() {
  AddGroupBox(QStringLiteral("Channels Setup"), 20, 30, 190, 80);
  m_pSlider = new FlatSlider(Qt::Horizontal, this);
  m_pSlider->setTickPosition(QSlider::TicksBelow);
  m_pSlider->setTickInterval(1);
  Place(m_pSlider, 45, 55, 140, 22);
  AddText(QStringLiteral("SINGLE"), 40, 82, 50, 10);
  AddText(QStringLiteral("DOUBLE"), 140, 82, 50, 10, Qt::AlignRight);
}

void CChannelsPage::OnInitDialog() {
  const QSignalBlocker quiet(m_pSlider);
  m_pSlider->setRange(1, 2);
  m_pSlider->setValue(LoadSettingsFile() ? GetCardInt("Channels") : 2);
  m_pSlider->update();
}

void CChannelsPage::OnConfirm() {
  LoadSettingsFile();
  SetCardInt("Channels", m_pSlider->value(), false);
  SaveSettingsFile();
}
