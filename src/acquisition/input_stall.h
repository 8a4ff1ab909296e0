#pragma once

#include <cstdint>
#include <string>

// Tells from the frames an input has delivered whether it was lost: a sound server that died or
// a card that was pulled delivers nothing more, and says nothing either. Fed with the newest
// frame count of the input's ring and the time; a count that stands still for the allowed quiet
// time means lost, and any new frame after that means back. A new ring (a new start of the
// device) starts the quiet time afresh.
class InputStallDetector {
 public:
  enum class Change { kNone, kLost, kBack };

  explicit InputStallDetector(uint64_t quietNs) : m_nQuietNs(quietNs) {}

  // At nowNs the ring identified by ring holds frames in all. kLost or kBack when that changes
  // the verdict.
  Change Observe(uint64_t nowNs, const void* ring, uint64_t frames);
  // Forgets everything (POWER off): the next Observe starts a new quiet time and the input is
  // not lost.
  void Reset();
  bool Lost() const { return m_bLost; }

 private:
  uint64_t m_nQuietNs;
  const void* m_pRing = nullptr;
  uint64_t m_nFrames = 0;
  uint64_t m_nSinceNs = 0;
  bool m_bStarted = false;
  bool m_bLost = false;
};

// How an input is named in messages: the choice the user made ("default", "device:USB") and,
// when it says more, the device's own name in brackets.
std::string InputDisplayName(const std::string& choice, const std::string& deviceName);
