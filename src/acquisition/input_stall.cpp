#include "acquisition/input_stall.h"

InputStallDetector::Change InputStallDetector::Observe(uint64_t nowNs, const void* ring,
                                                       uint64_t frames) {
  const bool fresh = !m_bStarted || ring != m_pRing;
  const bool moved = !fresh && frames > m_nFrames;
  if (fresh || moved) {
    m_bStarted = true;
    m_pRing = ring;
    m_nFrames = frames;
    m_nSinceNs = nowNs;
  }
  // A new ring alone is no sign of life: a device can open and then deliver nothing.
  const bool delivering = moved || (fresh && frames > 0);
  if (m_bLost && delivering) {
    m_bLost = false;
    return Change::kBack;
  }
  if (!m_bLost && !delivering && nowNs - m_nSinceNs >= m_nQuietNs) {
    m_bLost = true;
    return Change::kLost;
  }
  return Change::kNone;
}

void InputStallDetector::Reset() {
  m_bStarted = false;
  m_bLost = false;
  m_pRing = nullptr;
  m_nFrames = 0;
  m_nSinceNs = 0;
}

std::string InputDisplayName(const std::string& choice, const std::string& deviceName) {
  if (deviceName.empty() || deviceName == choice) return "\"" + choice + "\"";
  return "\"" + choice + "\" (" + deviceName + ")";
}
