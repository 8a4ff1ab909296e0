#include "analysis/spectrogram_clock.h"

#include <algorithm>

bool InputFrameClock::Update(uint64_t lostFrames, uint64_t lostBlocks) {
  const bool broken = lostFrames != m_nLostFrames || lostBlocks != m_nLostBlocks;
  if (lostFrames > m_nLostFrames) m_nOffset += lostFrames - m_nLostFrames;
  m_nLostFrames = lostFrames;
  m_nLostBlocks = lostBlocks;
  return broken;
}

void InputFrameClock::Reset(uint64_t lostFrames, uint64_t lostBlocks) {
  m_nLostFrames = lostFrames;
  m_nLostBlocks = lostBlocks;
  m_nOffset = 0;
}

int64_t HeldEndColumn(int64_t wanted, int64_t oldestComplete, int64_t newest, int width) {
  const int64_t earliest = std::min(newest, oldestComplete + std::max(width, 1));
  return std::clamp(wanted, earliest, newest);
}
