#include "view/spectrogram_picture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "analysis/spectrogram_producer.h"
#include "chart/spectrogram_chart.h"

namespace {

const double kPi = 4.0 * std::atan(1.0);
constexpr int kWidth = 720, kHeight = 300;

// A logarithmic chirp from 20 Hz to 20 kHz over `seconds`, at a tenth of full scale on the
// second channel.
struct Chirp {
  double rate, seconds;
  double operator()(uint64_t frame) const {
    const double t = frame / rate, k = std::log(1000.0) / seconds;
    return 16000 * std::sin(2 * kPi * 20 * (std::exp(k * t) - 1) / k);
  }
};

QImage Render(SpectrogramChart& chart) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(0xFF00FF00u);
  DeviceContext dc(&image);
  chart.PaintFrame(dc);
  return image;
}

SpectrogramRasterSettings RasterFor(const SpectrogramProducer& p, const SpectrogramChart& chart,
                                    double span, bool log) {
  return {p.Settings().rate,   p.Size(), p.Hop(), chart.PictureColumns(),
          chart.PictureRows(), span,     log};
}

TEST(SpectrogramPictureTest, ScrollingColumnByColumnDrawsWhatOnePictureDrawsAtOnce) {
  struct Case {
    double span;
    bool log;
    uint64_t gapAt;  // frames lost from here (0: none)
    int map;
  };
  for (const Case c : {Case{5, true, 0, kColorMapEmber}, Case{12, false, 700000, kColorMapGlacier},
                       Case{30, true, 200000, kColorMapGrey}}) {
    SCOPED_TRACE(testing::Message() << "span " << c.span << " log " << c.log);
    SpectrogramSettings s;
    s.rate = 48000;
    s.fftSize = 4096;
    s.historySeconds = 60;
    SpectrogramProducer p(s);
    QWidget parent;
    SpectrogramChart live, whole;
    for (ChartCtrl* chart : {&live, &whole}) {
      chart->Create(WS_CHILD | WS_VISIBLE, DcRect{0, 0, kWidth, kHeight}, &parent, 1);
    }
    const LevelColors colors(c.map, -120, 0, SpectrogramHistory::kLevelStep);
    SpectrogramPicture picture(p.History(), 0, RasterFor(p, live, c.span, c.log), colors);
    live.SetSource(&picture);
    live.SetAxes(picture.Axes("dBFS"));
    const Chirp chirp{48000, 20};
    std::vector<double> block(4800);
    int drawn = 0;
    int64_t firstEnd = -1;
    for (uint64_t f = 0; f < 20 * 48000; f += block.size()) {
      if (c.gapAt != 0 && f >= c.gapAt && f < c.gapAt + 9600) continue;
      for (std::size_t i = 0; i < block.size(); ++i) block[i] = chirp(f + i);
      p.Feed(f, static_cast<int>(block.size()), block.data(), nullptr);
      if (firstEnd < 0) firstEnd = picture.EndColumn();
      drawn += live.ShowColumns(picture.EndColumn());
    }
    const int64_t end = picture.EndColumn();
    // Each column was drawn once; the first call drew a whole width.
    EXPECT_EQ(drawn, live.PictureColumns() + end - firstEnd);
    whole.SetSource(&picture);
    whole.SetAxes(picture.Axes("dBFS"));
    EXPECT_EQ(whole.ShowColumns(end), whole.PictureColumns());
    EXPECT_EQ(Render(live), Render(whole));
    if (c.gapAt != 0) {
      // The lost block's columns are striped.
      const QImage frame = Render(whole);
      int striped = 0;
      for (int x = 0; x < kWidth; ++x) {
        striped += frame.pixel(x, 60) == SpectrogramPicture::kLostStripe &&
                   frame.pixel(x, 64) == SpectrogramPicture::kLostStripe;
      }
      EXPECT_GE(striped, 1);
    }
    if (const char* dir = std::getenv("AURIVUE_SPECTROGRAM_PNG_DIR")) {
      Render(whole).save(QString("%1/spectrogram_%2s_%3.png").arg(dir).arg(c.span).arg(c.log));
    }
  }
}

}  // namespace
