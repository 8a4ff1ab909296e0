#include "shell/filter_page.h"

#include <QLabel>
#include <QSignalBlocker>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "controls/flat_slider.h"
#include "controls/rotary_switch.h"

CFilterPage::CFilterPage() : CSetupPage(184) {}

void CFilterPage::BuildControls() {
  m_pSwitch = new RotarySwitch(this);
  Place(m_pSwitch, 7, 14, 98, 131);
  m_pSwitch->SetOwner(this);

  AddGroupBox(QStringLiteral("Filter Frequency Point"), 112, 8, 110, 144);
  m_pSlider = new FlatSlider(Qt::Vertical, this);
  Place(m_pSlider, 122, 26, 22, 116);
  AddText(QStringLiteral("1Hz"), 148, 28, 40, 10);
  AddText(QStringLiteral("20000Hz"), 148, 128, 50, 10);
  m_pText = AddText(QString(), 148, 78, 70, 10, Qt::AlignHCenter);
  connect(m_pSlider, &QSlider::valueChanged, this, [this] { OnFrequencyScroll(); });
}

void CFilterPage::OnInitDialog() {
  const QSignalBlocker quiet(m_pSlider);
  m_pSlider->setRange(1, 20000);
  m_pSlider->setSingleStep(1);
  m_pSlider->setPageStep(300);
  const bool loaded = LoadSettingsFile();
  const int filterType = loaded ? GetCardInt("FilterType") : 1;
  m_pSwitch->SetCaption(QStringLiteral("Filter Type"));
  m_pSwitch->SetNotifyId(1057);
  m_pSwitch->SetPositionCount(3);
  m_pSwitch->SetPositionLabel(0, QStringLiteral("ALL PASS"), 1.0f);
  m_pSwitch->SetPositionLabel(1, QStringLiteral("LOW PASS"), 2.0f);
  m_pSwitch->SetPositionLabel(2, QStringLiteral("HIGHPASS"), 3.0f);
  m_pSwitch->SetPosition(filterType - 1);
  m_pSwitch->update();
  const int frequency = loaded ? GetCardInt("FreqPoint") : 10000;
  m_pSlider->setValue(frequency);
  m_pText->setText(QString::asprintf("%d Hz", frequency));
}

void CFilterPage::OnFrequencyScroll() {
  const int frequency = m_pSlider->value();
  m_pText->setText(QString::asprintf("%d Hz", frequency));
  CurrentApp().m_nFreqPoint = frequency;
}

void CFilterPage::OnConfirm() {
  LoadSettingsFile();
  SetCardInt("FilterType", m_pSwitch->GetPosition() + 1, true);
  SetCardInt("FreqPoint", m_pSlider->value(), true);
  SaveSettingsFile();
}
