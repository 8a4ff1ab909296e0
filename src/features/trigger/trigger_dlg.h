#pragma once

#include <QDialog>
#include <functional>

#include "analysis/trigger_state.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

// Trigger > Trigger Setup...: every setting of the trigger on one page, each field reachable
// with the keyboard (Tab, and the underlined letters).
class TriggerDlg : public QDialog {
 public:
  // midLevelMv gives the "50 %" button its level: the middle of the newest frame's trigger
  // source, in mV.
  TriggerDlg(const TriggerSettings& settings, std::function<double()> midLevelMv,
             QWidget* parent = nullptr);

  // The settings as the fields show them.
  TriggerSettings Settings() const;

  QComboBox* ModeBox() const { return m_pMode; }
  QComboBox* SourceBox() const { return m_pSource; }
  QComboBox* SlopeBox() const { return m_pSlope; }
  QDoubleSpinBox* LevelBox() const { return m_pLevel; }
  QDoubleSpinBox* HysteresisBox() const { return m_pHysteresis; }
  QDoubleSpinBox* PositionBox() const { return m_pPosition; }
  QDoubleSpinBox* HoldoffBox() const { return m_pHoldoff; }
  QCheckBox* RollBox() const { return m_pRoll; }

 private:
  QComboBox* m_pMode = nullptr;
  QComboBox* m_pSource = nullptr;
  QComboBox* m_pSlope = nullptr;
  QDoubleSpinBox* m_pLevel = nullptr;
  QDoubleSpinBox* m_pHysteresis = nullptr;
  QDoubleSpinBox* m_pPosition = nullptr;
  QDoubleSpinBox* m_pHoldoff = nullptr;
  QCheckBox* m_pRoll = nullptr;
};
