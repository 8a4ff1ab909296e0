#pragma once

#include <QTimer>
#include <QWidget>
#include <vector>

#include "analysis/level_meter.h"

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
  unsigned long long m_nRead = 0;
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
