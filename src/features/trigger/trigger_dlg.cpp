#include "features/trigger/trigger_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox* NumberBox(double lo, double hi, int decimals, const QString& suffix, double value) {
  auto* box = new QDoubleSpinBox;
  box->setRange(lo, hi);
  box->setDecimals(decimals);
  box->setSuffix(suffix);
  box->setValue(value);
  box->setAccelerated(true);
  return box;
}

}  // namespace

TriggerDlg::TriggerDlg(const TriggerSettings& settings, std::function<double()> midLevelMv,
                       QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Trigger Setup");
  const TriggerSettings s = settings.Limited();
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  layout->addLayout(form);

  m_pMode = new QComboBox;
  m_pMode->addItems({"Off", "Auto", "Normal", "Single"});
  m_pMode->setCurrentIndex(static_cast<int>(s.mode));
  form->addRow("&Mode:", m_pMode);
  m_pSource = new QComboBox;
  m_pSource->addItems({"Channel Left", "Channel Right"});
  m_pSource->setCurrentIndex(s.source);
  form->addRow("S&ource:", m_pSource);
  m_pSlope = new QComboBox;
  m_pSlope->addItems({"Rising", "Falling", "Either"});
  m_pSlope->setCurrentIndex(static_cast<int>(s.slope));
  form->addRow("S&lope:", m_pSlope);

  m_pLevel = NumberBox(-kMaxTriggerLevelMv, kMaxTriggerLevelMv, 1, " mV", s.levelMv);
  auto* fifty = new QPushButton("&50 %");
  fifty->setToolTip("The middle of the newest frame's smallest and largest value");
  connect(fifty, &QPushButton::clicked, this,
          [this, midLevelMv] { m_pLevel->setValue(midLevelMv ? midLevelMv() : 0.0); });
  auto* levelRow = new QHBoxLayout;
  levelRow->addWidget(m_pLevel, 1);
  levelRow->addWidget(fifty);
  auto* levelLabel = new QLabel("Le&vel:");
  levelLabel->setBuddy(m_pLevel);
  form->addRow(levelLabel, levelRow);
  m_pHysteresis = NumberBox(0, kMaxTriggerHysteresisDiv, 2, " div", s.hysteresisDiv);
  m_pHysteresis->setSingleStep(0.05);
  m_pHysteresis->setToolTip("A share of a vertical division of the source channel's chart");
  form->addRow("&Hysteresis:", m_pHysteresis);
  m_pPosition = NumberBox(0, 100, 1, " % of the screen", s.positionPercent);
  form->addRow("&Position:", m_pPosition);
  m_pHoldoff = NumberBox(0, kMaxTriggerHoldoffMs, 1, " ms", s.holdoffMs);
  form->addRow("Hol&doff:", m_pHoldoff);
  m_pRoll = new QCheckBox("&Roll at 20 ms/div and slower (Live display)");
  m_pRoll->setChecked(s.roll);
  form->addRow(m_pRoll);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  m_pMode->setFocus();
}

TriggerSettings TriggerDlg::Settings() const {
  TriggerSettings s;
  s.mode = static_cast<TriggerMode>(m_pMode->currentIndex());
  s.source = m_pSource->currentIndex();
  s.slope = static_cast<TriggerSlope>(m_pSlope->currentIndex());
  s.levelMv = m_pLevel->value();
  s.hysteresisDiv = m_pHysteresis->value();
  s.positionPercent = m_pPosition->value();
  s.holdoffMs = m_pHoldoff->value();
  s.roll = m_pRoll->isChecked();
  return s.Limited();
}
