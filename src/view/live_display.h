#pragma once

#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <vector>

class CAurivueView;

// The live display of a scope view: refreshed with the screen from the capture ring. It takes
// the newest frames (or the frame a feature chooses), filters before it decimates above 1 ms/div,
// draws the oscillograph's every sample or pixel-column envelope, and paces the waterfall.
class LiveDisplay {
 public:
  explicit LiveDisplay(CAurivueView& view);
  LiveDisplay(const LiveDisplay&) = delete;
  LiveDisplay& operator=(const LiveDisplay&) = delete;

  // Sizes the buffers for the view and starts the refresh clock.
  void Start();
  // One screen refresh; never waits for the audio thread. True when a pass ran.
  bool Refresh();
  // Points a chart holds: two (minimum and maximum) for every pixel column in Live.
  int ChartCapacity() const;

  uint64_t FrameEnd() const { return m_nEnd; }
  uint64_t FrameStamp() const { return m_nStamp; }
  int RefreshIntervalMs() const { return m_nIntervalMs; }
  // Half a second of frames, newest last, and the ring position they end at.
  std::vector<unsigned char>& Buffer() { return m_buffer; }
  const void* Ring() const { return m_pRing; }
  void SetPosition(const void* ring, uint64_t end, uint64_t stamp) {
    m_pRing = ring;
    m_nEnd = end;
    m_nStamp = stamp;
  }

 private:
  void OnTick();
  // Copies the newest span frames of the ring into m_buffer, silence before the first frame;
  // false when nothing new arrived since the last pass.
  bool TakeNewestFrames(std::size_t span);
  // The oscillograph, 2-D and 3-D: every sample where the frame has no more samples than the
  // chart has columns, else each pixel column's minimum and maximum.
  void OscillographPass(bool threeD);
  // At time bases above 1: the frame filtered at the full rate before every t-th sample is kept.
  // False (nothing done) when the ring cannot give the frames.
  bool DecodeAntiAliased(int timeBase);

  CAurivueView& m_view;
  QTimer m_timer;
  int m_nIntervalMs = 16;
  std::vector<unsigned char> m_buffer;  // half a second of frames, newest last
  std::vector<double> m_left;           // every frame of the span, for the envelope
  std::vector<double> m_right;
  std::vector<double> m_envelopeMin;
  std::vector<double> m_envelopeMax;
  uint64_t m_nEnd = 0;
  uint64_t m_nStamp = 0;
  const void* m_pRing = nullptr;  // the ring m_nEnd counts in
  int64_t m_nLastTickNs = 0;
  int64_t m_nNextCurtainNs = 0;
  // The anti-aliasing filter of the time base in use and its input.
  std::vector<double> m_antiAliasTaps;
  int m_nAntiAliasFactor = 0;
  std::vector<unsigned char> m_antiAliasRaw;
  std::vector<double> m_antiAliasLeft;
  std::vector<double> m_antiAliasRight;
};
