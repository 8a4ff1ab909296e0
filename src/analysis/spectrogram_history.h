#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The spectrogram's memory: the levels of the newest `capacity` transforms of every channel, each
// bin in hundredths of a decibel as a 16-bit integer, numbered by transform index (the window's
// start frame over the hop). Everything is allocated by the constructor and the store never
// grows: BytesFor gives its whole size. A transform the producer could not compute (frames were
// lost) is kept as lost, so the picture shows a gap where it belongs.
class SpectrogramHistory {
 public:
  // Levels are stored in steps of kLevelStep dB; kLevelMin and kLevelMax bound what fits.
  static constexpr double kLevelStep = 0.01;
  static constexpr int16_t kLevelMin = -32767;
  static constexpr int16_t kLevelMax = 32767;

  SpectrogramHistory(int channels, int bins, int capacity);

  // Bytes a store of this shape holds: levels plus one index a slot.
  static std::size_t BytesFor(int channels, int bins, int capacity);
  std::size_t Bytes() const { return BytesFor(m_nChannels, m_nBins, m_nCapacity); }

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
  // are kept as lost and the oldest slots are given up. Then Row gives the levels to fill.
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
  std::vector<int16_t> m_levels;  // capacity × channels × bins
  // The transform index each slot holds; lost ones as -(index + 1), empty slots as INT64_MIN.
  std::vector<int64_t> m_slotIndex;
  int64_t m_nBegin = 0;  // the first index ever appended
  int64_t m_nEnd = 0;
  int64_t m_nAppended = 0;
};
