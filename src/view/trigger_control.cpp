#include "view/trigger_control.h"

void TriggerControl::SetSettings(const TriggerSettings& settings) {
  const TriggerSettings limited = settings.Limited();
  const bool newMode = limited.mode != m_settings.mode;
  m_settings = limited;
  if (newMode) {
    m_machine.SetMode(limited.mode);
    m_pending.clear();
  }
}

void TriggerControl::Rearm() {
  m_machine.Arm();
  m_pending.clear();
}

void TriggerControl::Restart() {
  m_bRestart = true;
  m_pStream = nullptr;
  m_pending.clear();
  m_machine.Arm();
}

bool TriggerControl::Rolls(float timeBase) const {
  return m_settings.roll && timeBase >= kRollTimeBaseMs;
}

TriggerControl& CurrentTrigger() {
  static TriggerControl control;
  return control;
}
