#pragma once

#include <QTimer>
#include <QWidget>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/level_meter.h"

class CaptureRing;
struct CaptureFormat;

// The input level of both channels in the status bar, in Classic and in Live: a bar per channel
// for RMS with a mark at the peak, from -60 dBFS to full scale, red for a second after a clip.
// It reads the newest frames of the capture ring on a timer of its own.
class LevelMeterBar : public QWidget {
 public:
  explicit LevelMeterBar(QWidget* parent = nullptr);

  // Measures the frames that arrived since the last look (at most the newest 100 ms).
  void Sample();
  const LevelMeter& Meter() const { return m_meter; }
  QSize sizeHint() const override { return QSize(172, 18); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  LevelMeter m_meter;
  QTimer m_timer;
  std::vector<unsigned char> m_frames;
  const void* m_pRing = nullptr;
  uint64_t m_nRead = 0;
};

// Pixels of a bar width pixels long for a level in dBFS: 0 at -60 dBFS and below, width at 0.
int LevelBarPixels(double db, int width);

// The meters' scale along a bar width pixels long: a tick every 10 dB from -50 to 0 dBFS at
// LevelBarPixels of its level, with its number where the number (labelWidth pixels wide,
// centred on the tick) keeps clear of the one before and of the bar's ends.
struct LevelTick {
  int db = 0;
  int x = 0;
  bool labelled = false;
};
std::vector<LevelTick> LevelScaleTicks(int width, int labelWidth);

// Measures with meter at nowMs the frames of ring from frame number *read on, at most the newest
// limit of them, decoded in the capture's format; frames the ring no longer holds count as
// silence. *read moves on to the frames measured. With keepWhenNothingNew and no new frames (or
// a ring of another format) the meter keeps its reading; otherwise it falls to the floor. False
// when the meter was left as it was. frames is the room the frames are read into.
bool MeasureRingLevels(LevelMeter& meter, const CaptureRing& ring, const CaptureFormat& capture,
                       uint64_t* read, std::size_t limit, bool keepWhenNothingNew,
                       std::vector<unsigned char>* frames, double nowMs);
