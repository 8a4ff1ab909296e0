#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The spectrogram's memory: the levels of the newest `capacity` transforms of every channel, each
// bin in hundredths of a decibel as a 16-bit integer, numbered by transform index (the window's
// start frame over the hop). The levels are allocated in blocks of kBlock transforms as the first
// transform of each block arrives, so a store for ten minutes costs only what has been measured
// so far; once the newest transforms wrap round onto the oldest nothing more is allocated, and
// BytesFor gives the most the store ever holds. A transform the producer could not compute
// (frames were lost) is kept as lost, so the picture shows a gap where it belongs.
class SpectrogramHistory {
 public:
  // Levels are stored in steps of kLevelStep dB; kLevelMin and kLevelMax bound what fits.
  static constexpr double kLevelStep = 0.01;
  static constexpr int16_t kLevelMin = -32767;
  static constexpr int16_t kLevelMax = 32767;
  // Transforms whose levels are allocated together.
  static constexpr int kBlock = 64;

  SpectrogramHistory(int channels, int bins, int capacity);

  // The most bytes a store of this shape holds once full: levels plus one index a slot.
  static std::size_t BytesFor(int channels, int bins, int capacity);
  std::size_t MaxBytes() const { return BytesFor(m_nChannels, m_nBins, m_nCapacity); }
  // The bytes it holds now: the indices and the blocks of levels allocated so far.
  std::size_t Bytes() const;

  int Channels() const { return m_nChannels; }
  int Bins() const { return m_nBins; }
  int Capacity() const { return m_nCapacity; }

  // Transform indices known, measured or lost: [First(), End()). Empty (First() == End()) before
  // the first transform.
  int64_t First() const;
  int64_t End() const { return m_nEnd; }
  // Transforms appended since the store was made or cleared, lost ones included.
  int64_t Appended() const { return m_nAppended; }

  // Starts transform index (after every stored one; false otherwise): the indices skipped over
  // are kept as lost and the oldest slots are given up. Then Row gives the levels to fill. Only
  // an index whose block of slots was never used before allocates (false when that fails).
  bool Append(int64_t index);
  int16_t* Row(int64_t index, int channel);

  // The levels of a transform still kept and measured, else null (lost, too old, not yet made).
  const int16_t* Levels(int64_t index, int channel) const;
  // True for an index in [First(), End()) that is kept as lost.
  bool IsLost(int64_t index) const;

  void Clear();

  // A level in decibels as stored (rounded to kLevelStep, held within the store's bounds) and
  // back.
  static int16_t Quantise(double db);
  static double ToDb(int16_t level) { return level * kLevelStep; }

 private:
  int64_t SlotOf(int64_t index) const { return index % m_nCapacity; }

  int m_nChannels;
  int m_nBins;
  int m_nCapacity;
  // Block b holds slots b × kBlock ..: kBlock × channels × bins levels, null until first used.
  std::vector<std::unique_ptr<int16_t[]>> m_blocks;
  std::size_t m_nLevelsAllocated = 0;
  // The transform index each slot holds; lost ones as -(index + 1), empty slots as INT64_MIN.
  std::vector<int64_t> m_slotIndex;
  int64_t m_nBegin = 0;  // the first index ever appended
  int64_t m_nEnd = 0;
  int64_t m_nAppended = 0;
};
