#include "analysis/spectrogram_history.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace {
constexpr int64_t kEmptySlot = std::numeric_limits<int64_t>::min();
}

SpectrogramHistory::SpectrogramHistory(int channels, int bins, int capacity)
    : m_nChannels(std::clamp(channels, 1, 2)),
      m_nBins(std::max(bins, 1)),
      m_nCapacity(std::max(capacity, 1)),
      m_slotIndex(static_cast<std::size_t>(m_nCapacity), kEmptySlot) {
  m_blocks.resize((static_cast<std::size_t>(m_nCapacity) + kBlock - 1) / kBlock);
}

std::size_t SpectrogramHistory::Bytes() const {
  return m_nLevelsAllocated * sizeof(int16_t) + m_slotIndex.size() * sizeof(int64_t);
}

std::size_t SpectrogramHistory::BytesFor(int channels, int bins, int capacity) {
  const std::size_t slots = static_cast<std::size_t>(std::max(capacity, 1));
  return slots * (static_cast<std::size_t>(std::clamp(channels, 1, 2)) *
                      static_cast<std::size_t>(std::max(bins, 1)) * sizeof(int16_t) +
                  sizeof(int64_t));
}

int64_t SpectrogramHistory::First() const {
  if (m_nAppended == 0) return m_nEnd;
  return std::max(m_nBegin, m_nEnd - m_nCapacity);
}

bool SpectrogramHistory::Append(int64_t index) {
  if (index < 0 || (m_nAppended > 0 && index < m_nEnd)) return false;
  std::unique_ptr<int16_t[]>& block = m_blocks[static_cast<std::size_t>(SlotOf(index) / kBlock)];
  if (!block) {
    // The last block is cut short at the capacity.
    const int64_t first = SlotOf(index) / kBlock * kBlock;
    const std::size_t values =
        static_cast<std::size_t>(std::min<int64_t>(kBlock, m_nCapacity - first)) *
        static_cast<std::size_t>(m_nChannels) * static_cast<std::size_t>(m_nBins);
    block.reset(new (std::nothrow) int16_t[values]);
    if (!block) return false;
    m_nLevelsAllocated += values;
  }
  if (m_nAppended == 0) {
    m_nBegin = index;
  } else {
    // Only the skipped indices that stay within the store need marking.
    for (int64_t k = std::max(m_nEnd, index - m_nCapacity + 1); k < index; ++k) {
      m_slotIndex[SlotOf(k)] = -(k + 1);
    }
    m_nAppended += index - m_nEnd;
  }
  m_slotIndex[SlotOf(index)] = index;
  m_nEnd = index + 1;
  ++m_nAppended;
  return true;
}

int16_t* SpectrogramHistory::Row(int64_t index, int channel) {
  if (index < 0 || channel < 0 || channel >= m_nChannels) return nullptr;
  const int64_t slot = SlotOf(index);
  if (m_slotIndex[slot] != index) return nullptr;
  int16_t* block = m_blocks[static_cast<std::size_t>(slot / kBlock)].get();
  if (block == nullptr) return nullptr;
  return block + (static_cast<std::size_t>(slot % kBlock) * m_nChannels + channel) * m_nBins;
}

const int16_t* SpectrogramHistory::Levels(int64_t index, int channel) const {
  if (index < First() || index >= m_nEnd) return nullptr;
  return const_cast<SpectrogramHistory*>(this)->Row(index, channel);
}

bool SpectrogramHistory::IsLost(int64_t index) const {
  if (index < First() || index >= m_nEnd) return false;
  return m_slotIndex[SlotOf(index)] == -(index + 1);
}

void SpectrogramHistory::Clear() {
  std::fill(m_slotIndex.begin(), m_slotIndex.end(), kEmptySlot);
  m_nBegin = m_nEnd = m_nAppended = 0;
}

int16_t SpectrogramHistory::Quantise(double db) {
  if (std::isnan(db)) return kLevelMin;
  const double steps = std::round(db / kLevelStep);
  if (steps <= kLevelMin) return kLevelMin;
  if (steps >= kLevelMax) return kLevelMax;
  return static_cast<int16_t>(steps);
}
