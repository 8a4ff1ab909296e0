#include "features/live/level_meter_bar.h"

#include <QPainter>
#include <algorithm>
#include <chrono>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "platform/capture_ring.h"
#include "platform/ring_read.h"
#include "view/capture_format.h"

namespace {

constexpr double kBottomDb = -60;
constexpr int kActiveMs = 50;  // twenty looks a second while recording
constexpr int kIdleMs = 250;

double NowMs() { return static_cast<double>(SteadyNowNs()) / 1e6; }

}  // namespace

int LevelBarPixels(double db, int width) {
  if (!(db > kBottomDb)) return 0;
  if (db >= 0) return width;
  return static_cast<int>((db - kBottomDb) / -kBottomDb * width + 0.5);
}

bool MeasureRingLevels(LevelMeter& meter, const CaptureRing& ring, const CaptureFormat& capture,
                       uint64_t* read, std::size_t limit, bool keepWhenNothingNew,
                       std::vector<unsigned char>* frames, double nowMs) {
  const uint64_t end = ring.WritePosition();
  // A ring left from a run in another format has nothing this format can decode.
  const bool sameFormat = ring.FrameBytes() == capture.frameBytes;
  const uint64_t first = std::max<uint64_t>(*read, end > limit ? end - limit : 0);
  const size_t count = sameFormat ? static_cast<size_t>(end - first) : 0;
  if (count == 0 && keepWhenNothingNew) return false;
  if (frames->size() < limit * capture.frameBytes) frames->resize(limit * capture.frameBytes);
  if (ReadFramesEndingAt(ring, end, count, capture.silenceByte, frames->data()) !=
      RingRead::kCopied) {
    return false;
  }
  meter.Measure(frames->data(), count, capture.channels, capture.bits, nowMs);
  *read = end;
  return true;
}

std::vector<LevelTick> LevelScaleTicks(int width, int labelWidth) {
  std::vector<LevelTick> ticks;
  // From 0 dBFS down, so the full-scale end always carries its number; it sits left of its tick.
  int previousLeft = width + 3;
  for (int db = 0; db >= -50; db -= 10) {
    LevelTick t;
    t.db = db;
    t.x = LevelBarPixels(db, width);
    const int left = db == 0 ? t.x - labelWidth : t.x - labelWidth / 2;
    const int right = left + labelWidth;
    t.labelled = labelWidth > 0 && left >= 0 && right + 3 <= previousLeft;
    if (t.labelled) previousLeft = left;
    ticks.push_back(t);
  }
  std::reverse(ticks.begin(), ticks.end());
  return ticks;
}

LevelMeterBar::LevelMeterBar(QWidget* parent) : QWidget(parent) {
  setObjectName("levelMeters");
  setMinimumWidth(sizeHint().width());
  setToolTip(
      "Input level, left above right: RMS bar and peak mark from -60 to 0 dBFS, the scale in "
      "dBFS between them");
  connect(&m_timer, &QTimer::timeout, this, [this] { Sample(); });
  m_timer.start(kIdleMs);
}

void LevelMeterBar::Sample() {
  if (!HasCurrentApp()) return;
  const AppState& app = CurrentApp();
  const int interval = app.m_bPowerOn ? kActiveMs : kIdleMs;
  if (m_timer.interval() != interval) m_timer.setInterval(interval);
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  if (!ring) return;
  if (ring.get() != m_pRing) {
    m_pRing = ring.get();
    m_nRead = 0;
    m_meter.Reset();
  }
  const size_t limit = std::max<size_t>(1, app.m_nSampleRate / 10);
  if (MeasureRingLevels(m_meter, *ring, CaptureFormatOf(app), &m_nRead, limit, app.m_bPowerOn != 0,
                        &m_frames, NowMs())) {
    update();
  }
}

void LevelMeterBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // The scale's numbers between the two bars, crisp, in what the status bar's height leaves.
  const int rowH = std::max(2, std::min(5, (height() - 2) / 4));
  const int scaleH = std::max(0, height() - 2 - 2 * rowH);
  QFont small = font();
  small.setPixelSize(std::max(6, scaleH + 1));
  small.setStyleStrategy(QFont::NoAntialias);
  p.setFont(small);
  const QFontMetrics fm(small);
  const int w = width() - 2;
  const double now = NowMs();
  const int scaleTop = 1 + rowH;
  p.fillRect(QRect(0, scaleTop, width(), scaleH), palette().color(QPalette::Window));
  p.setPen(palette().color(QPalette::WindowText));
  const std::vector<LevelTick> ticks = LevelScaleTicks(w, fm.horizontalAdvance("-50"));
  for (const LevelTick& t : ticks) {
    if (!t.labelled) continue;
    const int x = 1 + std::min(t.x, w - 1);
    const QString text = QString::number(t.db);
    const int tw = fm.horizontalAdvance(text);
    const int left = t.db == 0 ? x - tw - 1 : x - tw / 2;
    p.drawText(QRect(left, scaleTop, tw + 1, scaleH), Qt::AlignCenter, text);
  }
  // Left above right: RMS as the bar, the peak as a mark; red while a clip is held.
  for (int ch = 0; ch < 2; ++ch) {
    const int y = ch == 0 ? 1 : scaleTop + scaleH;
    p.fillRect(QRect(1, y, w, rowH), QColor(40, 40, 40));
    const bool clip = m_meter.Clipping(ch, now);
    const int rms = LevelBarPixels(m_meter.RmsDb(ch), w);
    p.fillRect(QRect(1, y, rms, rowH), clip ? QColor(220, 0, 0) : QColor(0, 190, 0));
    const int peak = LevelBarPixels(m_meter.PeakDb(ch), w);
    if (peak > 0) {
      p.fillRect(QRect(1 + peak - 2, y, 2, rowH), clip ? QColor(255, 80, 80) : QColor(230, 230, 0));
    }
    // The scale's ticks run across the bars as thin gaps.
    for (const LevelTick& t : ticks) {
      if (t.db < 0) p.fillRect(QRect(1 + t.x, y, 1, rowH), QColor(0, 0, 0, 110));
    }
  }
}
