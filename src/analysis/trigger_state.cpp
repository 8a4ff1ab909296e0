#include "analysis/trigger_state.h"

#include <algorithm>
#include <cmath>

const char* TriggerStatusText(TriggerStatus status) {
  switch (status) {
    case TriggerStatus::kWait:
      return "WAIT";
    case TriggerStatus::kTriggered:
      return "TRIG'D";
    case TriggerStatus::kAuto:
      return "AUTO";
    case TriggerStatus::kStop:
      return "STOP";
    default:
      return "OFF";
  }
}

namespace {

double Within(double value, double lo, double hi, double fallback) {
  if (!std::isfinite(value)) return fallback;
  return std::clamp(value, lo, hi);
}

}  // namespace

TriggerSettings TriggerSettings::Limited() const {
  const TriggerSettings defaults;
  TriggerSettings s = *this;
  s.source = source == 1 ? 1 : 0;
  s.levelMv = Within(levelMv, -kMaxTriggerLevelMv, kMaxTriggerLevelMv, defaults.levelMv);
  s.hysteresisDiv = Within(hysteresisDiv, 0, kMaxTriggerHysteresisDiv, defaults.hysteresisDiv);
  s.positionPercent = Within(positionPercent, 0, 100, defaults.positionPercent);
  s.holdoffMs = Within(holdoffMs, 0, kMaxTriggerHoldoffMs, defaults.holdoffMs);
  return s;
}

TriggerSettings WithChanges(const TriggerSettings& before, const TriggerSettings& after,
                            TriggerSettings stored) {
  if (after.mode != before.mode) stored.mode = after.mode;
  if (after.source != before.source) stored.source = after.source;
  if (after.slope != before.slope) stored.slope = after.slope;
  if (after.levelMv != before.levelMv) stored.levelMv = after.levelMv;
  if (after.hysteresisDiv != before.hysteresisDiv) stored.hysteresisDiv = after.hysteresisDiv;
  if (after.positionPercent != before.positionPercent) {
    stored.positionPercent = after.positionPercent;
  }
  if (after.holdoffMs != before.holdoffMs) stored.holdoffMs = after.holdoffMs;
  if (after.roll != before.roll) stored.roll = after.roll;
  return stored;
}

const char* TriggerModeName(TriggerMode mode) {
  switch (mode) {
    case TriggerMode::kAuto:
      return "auto";
    case TriggerMode::kNormal:
      return "normal";
    case TriggerMode::kSingle:
      return "single";
    default:
      return "off";
  }
}

const char* TriggerSlopeName(TriggerSlope slope) {
  switch (slope) {
    case TriggerSlope::kFalling:
      return "falling";
    case TriggerSlope::kEither:
      return "either";
    default:
      return "rising";
  }
}

bool ParseTriggerMode(const std::string& text, TriggerMode& mode) {
  for (TriggerMode m :
       {TriggerMode::kOff, TriggerMode::kAuto, TriggerMode::kNormal, TriggerMode::kSingle}) {
    if (text == TriggerModeName(m)) {
      mode = m;
      return true;
    }
  }
  return false;
}

bool ParseTriggerSlope(const std::string& text, TriggerSlope& slope) {
  for (TriggerSlope s : {TriggerSlope::kRising, TriggerSlope::kFalling, TriggerSlope::kEither}) {
    if (text == TriggerSlopeName(s)) {
      slope = s;
      return true;
    }
  }
  return false;
}

bool ParseTriggerSource(const std::string& text, int& source) {
  if (text != "left" && text != "right") return false;
  source = text == "right" ? 1 : 0;
  return true;
}

double TriggerLevelCounts(double levelMv, int voltValue) { return levelMv * voltValue / 1000.0; }

double TriggerLevelMv(double counts, int voltValue) {
  return voltValue != 0 ? counts * 1000.0 / voltValue : 0;
}

TriggerCriteria CriteriaFor(const TriggerSettings& settings, int voltValue, double divisionMv,
                            unsigned rate) {
  const TriggerSettings s = settings.Limited();
  TriggerCriteria c;
  c.level = TriggerLevelCounts(s.levelMv, voltValue);
  c.hysteresis = std::fabs(TriggerLevelCounts(s.hysteresisDiv * divisionMv, voltValue));
  c.slope = s.slope;
  c.holdoff = s.holdoffMs * static_cast<double>(rate) / 1000.0;
  return c;
}

void TriggerStateMachine::SetMode(TriggerMode mode) {
  m_mode = mode;
  Arm();
}

void TriggerStateMachine::Arm() {
  m_bStarted = false;
  m_bStopped = false;
  m_status = m_mode == TriggerMode::kOff ? TriggerStatus::kOff : TriggerStatus::kWait;
}

TriggerStateMachine::Show TriggerStateMachine::Step(bool triggered, uint64_t now) {
  if (!m_bStarted) {
    m_bStarted = true;
    m_nLast = now;
  }
  if (triggered && !m_bStopped) m_nLast = now;
  const bool timedOut = now - m_nLast >= m_nTimeout;
  switch (m_mode) {
    case TriggerMode::kOff:
      m_status = TriggerStatus::kOff;
      return Show::kUntriggered;
    case TriggerMode::kAuto:
      if (triggered) {
        m_status = TriggerStatus::kTriggered;
        return Show::kTriggered;
      }
      if (!timedOut) return Show::kKeep;
      m_status = TriggerStatus::kAuto;
      return Show::kUntriggered;
    case TriggerMode::kNormal:
      if (triggered) {
        m_status = TriggerStatus::kTriggered;
        return Show::kTriggered;
      }
      if (timedOut) m_status = TriggerStatus::kWait;
      return Show::kKeep;
    case TriggerMode::kSingle:
      if (m_bStopped || !triggered) return Show::kKeep;
      m_bStopped = true;
      m_status = TriggerStatus::kStop;
      return Show::kTriggered;
  }
  return Show::kKeep;
}
