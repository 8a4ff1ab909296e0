#include "shell/volts_page.h"

#include <QLabel>
#include <QSignalBlocker>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "controls/flat_slider.h"

CVoltsPage::CVoltsPage() : CSetupPage(183) {}

void CVoltsPage::BuildControls() {
  AddGroupBox(QStringLiteral("Bits Setup"), 10, 8, 210, 62);
  m_pBitsSlider = new FlatSlider(Qt::Horizontal, this);
  m_pBitsSlider->setTickPosition(QSlider::TicksBelow);
  m_pBitsSlider->setTickInterval(1);
  Place(m_pBitsSlider, 45, 24, 140, 22);
  AddText(QStringLiteral("8 BIT"), 40, 50, 50, 10);
  AddText(QStringLiteral("16 BIT"), 140, 50, 50, 10, Qt::AlignRight);

  AddGroupBox(QStringLiteral("Volts Setup"), 10, 80, 210, 70);
  m_pVoltsSlider = new FlatSlider(Qt::Horizontal, this);
  Place(m_pVoltsSlider, 25, 98, 180, 20);
  m_pVoltsText = AddText(QStringLiteral("1V = "), 25, 126, 180, 12, Qt::AlignHCenter);

  // Programmatic changes are made with the sliders' signals blocked, so these run only for the
  // user's own scrolling, as the track bar's scroll notifications would.
  connect(m_pBitsSlider, &QSlider::valueChanged, this, [this] { OnBitsScroll(); });
  connect(m_pVoltsSlider, &QSlider::valueChanged, this, [this] { OnVoltsScroll(); });
}

void CVoltsPage::OnInitDialog() {
  const QSignalBlocker quietBits(m_pBitsSlider);
  const QSignalBlocker quietVolts(m_pVoltsSlider);
  m_pBitsSlider->setRange(1, 2);
  const bool loaded = LoadSettingsFile();
  const bool eightBit = loaded && GetCardInt("Bits") == 8;
  if (eightBit) {
    m_pBitsSlider->setValue(1);
    m_pVoltsSlider->setRange(1, 128);
    m_pVoltsSlider->setPageStep(10);
  } else {
    m_pBitsSlider->setValue(2);
    m_pVoltsSlider->setRange(1, 32767);
    m_pVoltsSlider->setPageStep(300);
  }
  m_pVoltsSlider->setSingleStep(1);
  const int volts = loaded ? GetCardInt("VoltValue") : (eightBit ? 120 : 32000);
  m_pVoltsSlider->setValue(volts);
  ShowVolts(volts);
}

void CVoltsPage::OnBitsScroll() {
  const QSignalBlocker quiet(m_pVoltsSlider);
  if (m_pBitsSlider->value() == 1) {
    m_pVoltsSlider->setRange(1, 128);
    m_pVoltsSlider->setSingleStep(1);
    m_pVoltsSlider->setPageStep(10);
    m_pVoltsSlider->setValue(120);
  } else {
    m_pVoltsSlider->setRange(1, 32767);
    m_pVoltsSlider->setSingleStep(1);
    m_pVoltsSlider->setPageStep(300);
    m_pVoltsSlider->setValue(32000);
  }
  ShowVolts(m_pVoltsSlider->value());
}

void CVoltsPage::OnVoltsScroll() {
  const int volts = m_pVoltsSlider->value();
  ShowVolts(volts);
  CurrentApp().m_nVoltValue = volts;
}

void CVoltsPage::ShowVolts(int value) {
  m_pVoltsText->setText(QString::asprintf("1V = %d", value));
}

void CVoltsPage::OnConfirm() {
  LoadSettingsFile();
  SetCardInt("VoltValue", m_pVoltsSlider->value(), false);
  SetCardInt("Bits", m_pBitsSlider->value() == 1 ? 8 : 16, true);
  SaveSettingsFile();
}
