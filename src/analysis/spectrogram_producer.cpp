#include "analysis/spectrogram_producer.h"

#include <algorithm>
#include <cmath>

#include "analysis/spectrum_levels.h"

namespace {

int OrderFor(int size) {
  const int clamped =
      std::clamp(size, SpectrogramProducer::kMinSize, SpectrogramProducer::kMaxSize);
  return static_cast<int>(std::lround(std::log2(static_cast<double>(clamped))));
}

SpectrogramSettings Sanitised(SpectrogramSettings s) {
  s.fftSize = 1 << OrderFor(s.fftSize);
  s.overlapPercent = s.overlapPercent == 50 ? 50 : 75;
  s.channels = s.channels == 2 ? 2 : 1;
  s.rate = std::max(s.rate, 1);
  if (!(s.fullScale > 0)) s.fullScale = 32768;
  s.voltValue = std::max(s.voltValue, 1);
  if (!(s.historySeconds > 0)) s.historySeconds = 1;
  return s;
}

int HopOf(const SpectrogramSettings& s) {
  return s.overlapPercent == 50 ? s.fftSize / 2 : s.fftSize / 4;
}

}  // namespace

SpectrogramProducer::SpectrogramProducer(const SpectrogramSettings& settings)
    : m_settings(Sanitised(settings)),
      m_fft(OrderFor(m_settings.fftSize)),
      m_nHop(HopOf(m_settings)),
      m_weights(WindowWeights(m_settings.window, m_settings.fftSize)),
      m_windowed(m_settings.fftSize, 0.0),
      m_bins(m_settings.fftSize / 2 + 1, Complex{0, 0}),
      m_history(m_settings.channels, m_settings.fftSize / 2 + 1, HistoryCapacity(m_settings)) {
  for (double w : m_weights) m_dWeightSum += w;
  for (int c = 0; c < m_settings.channels; ++c) m_ring[c].assign(m_settings.fftSize, 0.0);
}

int SpectrogramProducer::HistoryCapacity(const SpectrogramSettings& in) {
  const SpectrogramSettings s = Sanitised(in);
  const double perSecond = static_cast<double>(s.rate) / HopOf(s);
  // One more than the span holds, so a full span of columns is always complete.
  const double wanted = std::ceil(s.historySeconds * perSecond) + 1;
  const std::size_t perTransform = SpectrogramHistory::BytesFor(s.channels, s.fftSize / 2 + 1, 1);
  const double affordable = static_cast<double>(s.maxHistoryBytes / perTransform);
  return static_cast<int>(std::clamp(std::min(wanted, affordable), 1.0, 1e9));
}

int SpectrogramProducer::Feed(uint64_t first, int count, const double* a, const double* b) {
  const uint64_t size = static_cast<uint64_t>(m_settings.fftSize);
  const uint64_t mask = size - 1;
  const int64_t before = m_nTransforms;
  int i = 0;
  while (i < count) {
    const uint64_t f = first + static_cast<uint64_t>(i);
    if (m_bStarted && f < m_nNext) {
      i += static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(count - i), m_nNext - f));
      continue;
    }
    if (!m_bStarted || f > m_nNext) {
      // The first window on the hop grid that starts at or after f.
      const uint64_t hop = static_cast<uint64_t>(m_nHop);
      m_nWindowStart = (f + hop - 1) / hop * hop;
      m_nNext = f;
      m_bStarted = true;
    }
    // Up to the end of the next window, so that no frame it needs is written over.
    const int run = static_cast<int>(
        std::min<uint64_t>(static_cast<uint64_t>(count - i), m_nWindowStart + size - m_nNext));
    for (int c = 0; c < m_settings.channels; ++c) {
      const double* source = c == 0 ? a : b;
      double* ring = m_ring[c].data();
      if (source == nullptr) {
        for (int j = 0; j < run; ++j) ring[(m_nNext + j) & mask] = 0.0;
      } else {
        for (int j = 0; j < run; ++j) ring[(m_nNext + j) & mask] = source[i + j];
      }
    }
    m_nNext += static_cast<uint64_t>(run);
    i += run;
    if (m_nNext == m_nWindowStart + size) {
      Transform();
      m_nWindowStart += static_cast<uint64_t>(m_nHop);
    }
  }
  return static_cast<int>(m_nTransforms - before);
}

void SpectrogramProducer::Transform() {
  const int size = m_settings.fftSize;
  const int half = size / 2;
  const int64_t index = static_cast<int64_t>(m_nWindowStart / static_cast<uint64_t>(m_nHop));
  if (!m_history.Append(index)) return;
  const int offset = static_cast<int>(m_nWindowStart & static_cast<uint64_t>(size - 1));
  for (int c = 0; c < m_settings.channels; ++c) {
    const double* ring = m_ring[c].data();
    const int tail = size - offset;
    for (int j = 0; j < tail; ++j) m_windowed[j] = ring[offset + j] * m_weights[j];
    for (int j = tail; j < size; ++j) m_windowed[j] = ring[j - tail] * m_weights[j];
    m_fft.Forward(m_windowed.data(), m_bins.data());
    int16_t* row = m_history.Row(index, c);
    for (int k = 0; k <= half; ++k) {
      const double amplitude = BinAmplitude(m_bins[k], k, size, m_dWeightSum);
      const double db = m_settings.dbv ? AmplitudeToDbv(amplitude, m_settings.voltValue)
                                       : AmplitudeToDbfs(amplitude, m_settings.fullScale);
      row[k] = SpectrogramHistory::Quantise(db);
    }
  }
  ++m_nTransforms;
}

double SpectrogramProducer::CentreSeconds(int64_t index) const {
  return (static_cast<double>(index) * m_nHop + m_settings.fftSize / 2.0) / m_settings.rate;
}

double SpectrogramProducer::BinFrequency(int k) const {
  return static_cast<double>(k) * m_settings.rate / m_settings.fftSize;
}

void SpectrogramProducer::Reset() {
  m_history.Clear();
  m_bStarted = false;
  m_nNext = 0;
  m_nWindowStart = 0;
}
