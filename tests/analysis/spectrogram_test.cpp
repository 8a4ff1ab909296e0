#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <random>
#include <set>
#include <vector>

#include "allocation_count.h"
#include "analysis/color_map.h"
#include "analysis/smoothing_windows.h"
#include "analysis/spectrogram_producer.h"
#include "analysis/spectrogram_raster.h"
#include "analysis/spectrum_levels.h"
#include "analysis_oracles.h"

namespace {

const double kPi = 4.0 * std::atan(1.0);

// Feeds frames [from, to) of a signal, in blocks of `block` frames, the same on both channels
// unless `second` says otherwise.
template <typename Signal>
void FeedSignal(SpectrogramProducer& p, uint64_t from, uint64_t to, int block, Signal signal,
                double secondGain = 1.0) {
  std::vector<double> a(block), b(block);
  for (uint64_t f = from; f < to; f += block) {
    const int n = static_cast<int>(std::min<uint64_t>(block, to - f));
    for (int i = 0; i < n; ++i) {
      a[i] = signal(f + i);
      b[i] = secondGain * a[i];
    }
    p.Feed(f, n, a.data(), b.data());
  }
}

SpectrogramSettings Settings(int rate, int size, int overlap, int window = kWindowHanning) {
  SpectrogramSettings s;
  s.rate = rate;
  s.fftSize = size;
  s.overlapPercent = overlap;
  s.window = window;
  s.historySeconds = 120;
  return s;
}

// The level a sine of peak amplitude reads: 20 log10 of it over the reference (dBFS), or of its
// RMS over one volt of voltValue units (dBV).
double ClosedFormDb(double amplitude, bool dbv, double fullScale, int voltValue) {
  return dbv ? 20 * std::log10(amplitude / std::sqrt(2.0) / voltValue)
             : 20 * std::log10(amplitude / fullScale);
}

TEST(AnalysisSpectrogramTest, TransformsStartOnTheHopGridAndAreEachComputedOnce) {
  struct Case {
    int size, overlap, block;
  };
  for (const Case c : {Case{1024, 50, 1}, Case{1024, 75, 333}, Case{8192, 75, 4096},
                       Case{65536, 50, 10000}, Case{65536, 75, 65536}}) {
    SpectrogramProducer whole(Settings(48000, c.size, c.overlap));
    SpectrogramProducer pieces(Settings(48000, c.size, c.overlap));
    const uint64_t frames = 5 * static_cast<uint64_t>(c.size) + 123;
    auto noise = [](uint64_t f) { return std::sin(0.37 * f) * 1000 + std::sin(0.011 * f * f); };
    FeedSignal(whole, 0, frames, static_cast<int>(frames), noise);
    FeedSignal(pieces, 0, frames, c.block, noise);
    // The same frames again change nothing.
    FeedSignal(pieces, 0, frames, c.block, noise);
    const int hop = c.overlap == 50 ? c.size / 2 : c.size / 4;
    const int64_t expected = static_cast<int64_t>((frames - c.size) / hop + 1);
    SCOPED_TRACE(testing::Message() << "size " << c.size << " overlap " << c.overlap);
    EXPECT_EQ(whole.Hop(), hop);
    EXPECT_EQ(whole.Transforms(), expected);
    EXPECT_EQ(pieces.Transforms(), expected);
    ASSERT_EQ(pieces.History().End(), expected);
    for (int64_t j = 0; j < expected; ++j) {
      const int16_t* x = whole.History().Levels(j, 1);
      const int16_t* y = pieces.History().Levels(j, 1);
      ASSERT_TRUE(x && y);
      ASSERT_TRUE(std::equal(x, x + whole.Bins(), y)) << "transform " << j;
    }
  }
}

TEST(AnalysisSpectrogramTest, SteadyToneReadsItsDbLevelInEveryTransformAndPixel) {
  struct Case {
    int window;
    double cycles;  // over the transform size
    double amplitude;
    bool dbv;
    double tolerance;
  };
  const int size = 8192, rate = 48000, voltValue = 3000;
  // Bin-centred tones read exactly through any window; between bins only the flat top does.
  for (const Case c : {Case{kWindowHanning, 500, 16384, false, 0.01},
                       Case{kWindowBlackman, 1234, 1000, false, 0.01},
                       Case{kWindowHanning, 200, 32767, true, 0.01},
                       Case{kWindowFlatTop, 700.37, 5000, false, 0.05},
                       Case{kWindowFlatTop, 3000.5, 20000, true, 0.05}}) {
    SCOPED_TRACE(testing::Message() << "window " << c.window << " cycles " << c.cycles);
    SpectrogramSettings s = Settings(rate, size, 75, c.window);
    s.dbv = c.dbv;
    s.voltValue = voltValue;
    SpectrogramProducer p(s);
    auto tone = [&](uint64_t f) {
      return c.amplitude * std::sin(2 * kPi * c.cycles * f / size + 1);
    };
    FeedSignal(p, 0, 6 * size, 1000, tone, 0.5);
    const double want = ClosedFormDb(c.amplitude, c.dbv, 32768, voltValue);
    const int k = static_cast<int>(std::lround(c.cycles));

    // The oracle spectrum: the same frames windowed by the closed-form Hann weights and
    // transformed by FFTW3.
    if (c.window == kWindowHanning) {
      std::vector<Complex> x(size);
      double sum = 0;
      for (int i = 0; i < size; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * kPi * i / (size - 1));
        x[i] = {tone(static_cast<uint64_t>(3 * p.Hop() + i)) * w, 0};
        sum += w;
      }
      const std::vector<Complex> X = oracle::Fftw(x, FFTW_FORWARD);
      const double a = 2 * oracle::Magnitude(X[k]) / sum;
      EXPECT_NEAR(ClosedFormDb(a, c.dbv, 32768, voltValue), want, 0.01);
      EXPECT_NEAR(SpectrogramHistory::ToDb(p.History().Levels(3, 0)[k]),
                  ClosedFormDb(a, c.dbv, 32768, voltValue), 0.006);
    }

    for (int64_t j = p.History().First(); j < p.History().End(); ++j) {
      const int16_t* levels = p.History().Levels(j, 0);
      ASSERT_NE(levels, nullptr);
      const int16_t peak = *std::max_element(levels + k - 2, levels + k + 3);
      EXPECT_NEAR(SpectrogramHistory::ToDb(peak), want, c.tolerance);
      // The second channel carries half the amplitude.
      const int16_t* second = p.History().Levels(j, 1);
      EXPECT_NEAR(SpectrogramHistory::ToDb(*std::max_element(second + k - 2, second + k + 3)),
                  want - 20 * std::log10(2.0), c.tolerance);
    }

    // Through the picture: the tone's row reads the level, and its pixel has the bar's colour
    // for that level to within one shade.
    SpectrogramRasterSettings r;
    r.rate = rate;
    r.fftSize = size;
    r.hop = p.Hop();
    r.columns = 20;
    r.rows = 300;
    r.spanSeconds = 5;
    r.logAxis = true;
    SpectrogramRaster raster(r);
    const double hz = c.cycles * rate / size;
    const int row = raster.RowOf(hz);
    const int64_t column = raster.EndColumn(p.History()) - 1;
    const SpectrogramReadout at = ReadSpectrogram(raster, p.History(), 0, column, row);
    ASSERT_TRUE(at.valid);
    EXPECT_NEAR(at.level, want, std::max(c.tolerance, 0.1));
    std::vector<int16_t> rows(r.rows);
    ASSERT_EQ(raster.DrawColumn(p.History(), 0, column, rows.data()), kColumnMeasured);
    EXPECT_EQ(SpectrogramHistory::ToDb(rows[row]), at.level);
    const LevelColors colors(kColorMapEmber, -120, 0, SpectrogramHistory::kLevelStep);
    const double position = ColorBarPosition(want, -120, 0);
    const uint32_t pixel = colors(rows[row]);
    bool near = false;
    for (int d = -1; d <= 1; ++d) {
      near = near || pixel == colors.AtPosition(position + d / (LevelColors::kShades - 1.0));
    }
    EXPECT_TRUE(near) << std::hex << pixel;
  }
}

// The frequency of a logarithmic chirp from f0 to f1 over t1 seconds at time t, and its sample.
struct LogChirp {
  double f0, f1, t1, rate, amplitude;
  double FrequencyAt(double t) const { return f0 * std::pow(f1 / f0, t / t1); }
  double operator()(uint64_t frame) const {
    const double t = frame / rate;
    const double k = std::log(f1 / f0) / t1;
    return amplitude * std::sin(2 * kPi * f0 * (std::exp(k * t) - 1) / k);
  }
};

TEST(AnalysisSpectrogramTest, LogChirpRidgeLiesWithinOneRowOfItsFrequency) {
  struct Case {
    int size, overlap;
    bool logAxis;
    int rows, columns;
  };
  const int rate = 48000;
  const double seconds = 40;
  const LogChirp chirp{20, 20000, seconds, static_cast<double>(rate), 16000};
  for (const Case c : {Case{8192, 75, true, 200, 400}, Case{8192, 50, false, 240, 300},
                       Case{16384, 75, true, 300, 120}, Case{4096, 75, false, 150, 800}}) {
    SCOPED_TRACE(testing::Message() << "size " << c.size << " log " << c.logAxis);
    SpectrogramSettings s = Settings(rate, c.size, c.overlap);
    s.channels = 1;
    SpectrogramProducer p(s);
    FeedSignal(p, 0, static_cast<uint64_t>(seconds * rate), 4800, chirp);
    SpectrogramRasterSettings r;
    r.rate = rate;
    r.fftSize = c.size;
    r.hop = p.Hop();
    r.columns = c.columns;
    r.rows = c.rows;
    r.spanSeconds = seconds;
    r.logAxis = c.logAxis;
    SpectrogramRaster raster(r);
    std::vector<int16_t> levels(c.rows);
    int checked = 0;
    const double binHz = static_cast<double>(rate) / c.size;
    for (int64_t col = 0; col < raster.EndColumn(p.History()); ++col) {
      const double t = raster.ColumnSeconds(col);
      const double f = chirp.FrequencyAt(t);
      // Away from the ends, where windows hold the chirp's start or nothing, and from the
      // lowest bins, where a tone meets its own mirror image.
      if (t < 0.5 || t > seconds - 0.5 || f < 4 * binHz || f < raster.AxisLow()) continue;
      ASSERT_EQ(raster.DrawColumn(p.History(), 0, col, levels.data()), kColumnMeasured);
      const int16_t peak = *std::max_element(levels.begin(), levels.end());
      int top = c.rows, bottom = -1;
      for (int row = 0; row < c.rows; ++row) {
        if (levels[row] == peak) {
          top = std::min(top, row);
          bottom = std::max(bottom, row);
        }
      }
      const int want = raster.RowOf(f);
      const int distance = want < top ? top - want : want > bottom ? want - bottom : 0;
      EXPECT_LE(distance, 1) << "column " << col << " at " << f << " Hz: ridge rows " << top << ".."
                             << bottom << ", frequency row " << want;
      // A ridge wider than a row only where one bin spans several rows.
      const double rowHz = raster.RowHigh(want) - raster.RowLow(want);
      if (rowHz > binHz) {
        EXPECT_LE(bottom - top, 1) << "column " << col;
      }
      ++checked;
    }
    EXPECT_GT(checked, c.columns * 3 / 4);
  }
}

TEST(AnalysisSpectrogramTest, ColumnsCombineByMaximumOrStretchNeverSkippingOrInventing) {
  struct Case {
    double span;
    int columns;
    const char* what;
  };
  // 1000 Hz, hop 10: 100 transforms a second; bin k of transform j holds a level unique to both.
  const int rate = 1000, size = 64, hop = 10, bins = size / 2 + 1;
  for (const Case c : {Case{10, 250, "4 transforms a column"}, Case{7, 280, "2.5 a column"},
                       Case{5, 500, "one each"}, Case{5, 2000, "stretched 4 times"},
                       Case{6, 1400, "stretched 2.33 times"}}) {
    SCOPED_TRACE(c.what);
    SpectrogramHistory h(1, bins, 5000);
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> level(-12000, 0);
    const int transforms = 3000;
    std::vector<std::vector<int16_t>> stored(transforms, std::vector<int16_t>(bins));
    for (int j = 0; j < transforms; ++j) {
      ASSERT_TRUE(h.Append(j));
      for (int k = 0; k < bins; ++k) stored[j][k] = static_cast<int16_t>(level(gen));
      std::copy(stored[j].begin(), stored[j].end(), h.Row(j, 0));
    }
    SpectrogramRasterSettings r{rate, size, hop, c.columns, bins, c.span, false};
    SpectrogramRaster raster(r);
    // The share of transforms a column: span × rate / (hop × columns).
    const double perColumn = c.span * rate / (hop * c.columns);
    std::vector<int> shownBy(transforms, 0);
    std::vector<int16_t> rows(bins);
    AllocationCount count;
    const int64_t end = raster.EndColumn(h);
    for (int64_t col = 0; col < end; ++col) {
      const TransformRange t = raster.ColumnTransforms(col);
      const int64_t first = static_cast<int64_t>(std::floor(col * perColumn + 1e-9));
      ASSERT_EQ(t.first, first) << col;
      ASSERT_EQ(t.last - t.first,
                perColumn >= 1
                    ? static_cast<int64_t>(std::floor((col + 1) * perColumn + 1e-9)) - first
                    : 1);
      ASSERT_EQ(raster.DrawColumn(h, 0, col, rows.data()), kColumnMeasured);
      for (int64_t j = t.first; j < t.last; ++j) ++shownBy[j];
      // One row a bin here (rows == bins on a linear axis): bin k sits in row bins - 1 - k.
      for (int k = 0; k < bins; ++k) {
        int16_t want = SpectrogramHistory::kLevelMin;
        for (int64_t j = t.first; j < t.last; ++j) want = std::max(want, stored[j][k]);
        ASSERT_EQ(rows[bins - 1 - k], want) << "column " << col << " bin " << k;
      }
    }
    EXPECT_EQ(count.Stop(), 0);
    // Every complete column's transforms are shown; none is skipped.
    const int64_t covered = raster.ColumnTransforms(end - 1).last;
    EXPECT_GE(covered, transforms - perColumn - 1);
    for (int64_t j = 0; j < covered; ++j) {
      ASSERT_GE(shownBy[j], 1) << "transform " << j << " skipped";
      if (perColumn >= 1) {
        ASSERT_EQ(shownBy[j], 1) << "transform " << j;
      } else {
        ASSERT_LE(shownBy[j], static_cast<int>(std::ceil(1 / perColumn)));
      }
    }
    // A column and the transform it shows agree both ways.
    for (int64_t j = 0; j < covered; ++j) {
      const TransformRange t = raster.ColumnTransforms(raster.ColumnOf(j));
      ASSERT_TRUE(t.first <= j && j < t.last) << j;
    }
  }
}

TEST(AnalysisSpectrogramTest, RowsTakeTheMaximumOfTheirBinsOrTheNearestOne) {
  struct Case {
    int rate, size, rows;
    bool log;
  };
  for (const Case c : {Case{48000, 1024, 300, true}, Case{48000, 1024, 100, false},
                       Case{96000, 8192, 400, true}, Case{44100, 4096, 1000, false}}) {
    SCOPED_TRACE(testing::Message() << c.size << " bins in " << c.rows << " rows, log " << c.log);
    const int bins = c.size / 2 + 1;
    SpectrogramHistory h(1, bins, 4);
    ASSERT_TRUE(h.Append(0));
    int16_t* row = h.Row(0, 0);
    std::mt19937 gen(3);
    std::uniform_int_distribution<int> level(-15000, 1000);
    for (int k = 0; k < bins; ++k) row[k] = static_cast<int16_t>(level(gen));
    SpectrogramRaster raster({c.rate, c.size, c.size / 4, 10, c.rows, 1, c.log});
    std::vector<int16_t> levels(c.rows);
    ASSERT_EQ(raster.DrawColumn(h, 0, 0, levels.data()), kColumnMeasured);
    // The axis as the chart draws it: 0 .. half the rate, or 20 Hz (or a bin) .. half the rate
    // evenly in log frequency, rows counted from the top.
    const double binHz = static_cast<double>(c.rate) / c.size;
    const double lo = c.log ? std::max(20.0, binHz) : 0.0, hi = c.rate / 2.0;
    auto edge = [&](double fromBottom) {
      return c.log ? lo * std::pow(hi / lo, fromBottom / c.rows)
                   : lo + (hi - lo) * fromBottom / c.rows;
    };
    for (int r = 0; r < c.rows; ++r) {
      const double f0 = edge(c.rows - 1 - r), f1 = edge(c.rows - r);
      int16_t want = SpectrogramHistory::kLevelMin;
      bool any = false;
      for (int k = 0; k < bins; ++k) {
        const double f = k * binHz;
        if ((f >= f0 - 1e-6 && f < f1 - 1e-6) || (r == 0 && k == bins - 1)) {
          want = std::max(want, row[k]);
          any = true;
        }
      }
      if (!any) {
        const int nearest = static_cast<int>(std::lround(edge(c.rows - 0.5 - r) / binHz));
        want = row[std::min(nearest, bins - 1)];
      }
      ASSERT_EQ(levels[r], want) << "row " << r << " " << f0 << ".." << f1 << " Hz";
    }
  }
}

TEST(AnalysisSpectrogramTest, LostFramesLeaveLostTransformsAndAGapInThePicture) {
  struct Case {
    int size, overlap;
    uint64_t gapAt, gapFrames;
  };
  for (const Case c :
       {Case{1024, 75, 10000, 512}, Case{1024, 50, 10240, 1}, Case{4096, 75, 50000, 20000}}) {
    SCOPED_TRACE(testing::Message() << "gap of " << c.gapFrames << " at " << c.gapAt);
    SpectrogramSettings s = Settings(48000, c.size, c.overlap);
    SpectrogramProducer p(s);
    auto tone = [](uint64_t f) { return 10000 * std::sin(0.1 * f); };
    const uint64_t resume = c.gapAt + c.gapFrames, end = resume + 20 * c.size;
    FeedSignal(p, 0, c.gapAt, 700, tone);
    FeedSignal(p, resume, end, 700, tone);
    // The same loss told by a break, the frames numbered on as if none were missing.
    SpectrogramProducer told(s);
    FeedSignal(told, 0, c.gapAt, 700, tone);
    told.Break();
    FeedSignal(told, c.gapAt, end - c.gapFrames, 700, tone);
    const SpectrogramHistory& h = p.History();
    const uint64_t hop = p.Hop();
    int lost = 0;
    for (int64_t j = 0; j < h.End(); ++j) {
      const uint64_t start = j * hop, stop = start + c.size;
      const bool spansGap = stop > c.gapAt && start < resume;
      EXPECT_EQ(h.IsLost(j), spansGap) << "transform " << j;
      EXPECT_EQ(h.Levels(j, 0) == nullptr, spansGap) << "transform " << j;
      lost += spansGap ? 1 : 0;
    }
    EXPECT_GE(lost, 1);
    for (int64_t j = 0; j < told.History().End(); ++j) {
      const uint64_t start = j * hop, stop = start + c.size;
      EXPECT_EQ(told.History().IsLost(j), stop > c.gapAt && start < c.gapAt) << "told " << j;
    }
    EXPECT_EQ(p.Transforms() + lost, h.End());
    // One transform a column: the lost ones are columns of their own, measured ones around them.
    const double span = 375.0 * hop / 48000;  // whole milliseconds for these hops
    SpectrogramRaster raster({48000, c.size, static_cast<int>(hop), 375, 50, span, false});
    std::vector<int16_t> rows(50);
    for (int64_t col = 0; col < raster.EndColumn(h); ++col) {
      const SpectrogramColumnState state = raster.DrawColumn(h, 0, col, rows.data());
      EXPECT_EQ(state, h.IsLost(col) ? kColumnLost : kColumnMeasured) << col;
    }
    // Wider columns that hold lost and measured transforms say so.
    SpectrogramRaster wide({48000, c.size, static_cast<int>(hop), 75, 50, span, false});
    int partial = 0;
    for (int64_t col = 0; col < wide.EndColumn(h); ++col) {
      partial += wide.DrawColumn(h, 0, col, rows.data()) == kColumnPartial ? 1 : 0;
    }
    EXPECT_GE(partial, 1);
  }
}

TEST(AnalysisSpectrogramTest, HistoryStaysWithinItsBoundOverALongRun) {
  // Half an hour at 8 kHz through a one-minute history: the store grows only while its first
  // minute fills and never past its bound, then keeps exactly its newest transforms, and
  // feeding allocates nothing more.
  SpectrogramSettings s = Settings(8000, 1024, 75);
  s.historySeconds = 60;
  SpectrogramProducer p(s);
  const SpectrogramHistory& h = p.History();
  const int capacity = h.Capacity();
  EXPECT_EQ(capacity, static_cast<int>(std::ceil(60 * 8000.0 / 256)) + 1);
  EXPECT_LT(h.Bytes(), h.MaxBytes() / 100) << "nothing measured yet";
  std::vector<double> block(8000);
  auto feed = [&](uint64_t second) {
    for (int i = 0; i < 8000; ++i) block[i] = 1000 * std::sin(0.2 * (second * 8000 + i));
    p.Feed(second * 8000, 8000, block.data(), block.data());
  };
  std::size_t grown = h.Bytes();
  for (uint64_t second = 0; second < 10; ++second) feed(second);
  EXPECT_GT(h.Bytes(), grown);
  EXPECT_LT(h.Bytes(), h.MaxBytes() / 4);
  for (uint64_t second = 10; second < 62; ++second) feed(second);
  EXPECT_EQ(h.Bytes(), h.MaxBytes());
  AllocationCount count;
  for (uint64_t second = 62; second < 1800; ++second) feed(second);
  EXPECT_EQ(count.Stop(), 0);
  EXPECT_EQ(h.Bytes(), h.MaxBytes());
  EXPECT_EQ(h.End(), (1800 * 8000 - 1024) / 256 + 1);
  EXPECT_EQ(h.First(), h.End() - capacity);
  EXPECT_NE(h.Levels(h.First(), 1), nullptr);
  EXPECT_EQ(h.Levels(h.First() - 1, 1), nullptr);
  EXPECT_FALSE(h.IsLost(h.First()));

  // The stated bound: 2 bytes a bin and channel, 8 a transform for its index.
  struct Bound {
    int rate, size, overlap, channels;
    double seconds;
    int capacity;
    std::size_t bytes;
  };
  for (const Bound b :
       {Bound{96000, 8192, 75, 2, 600, 28126, 28126ull * (4097 * 4 + 8)},
        Bound{96000, 65536, 50, 2, 600, 1759, 1759ull * (32769 * 4 + 8)},
        Bound{48000, 1024, 50, 1, 600, 56251, 56251ull * (513 * 2 + 8)},
        // Held to the 1 GiB budget.
        Bound{384000, 8192, 75, 2, 600, (1 << 30) / (4097 * 4 + 8),
              static_cast<std::size_t>((1 << 30) / (4097 * 4 + 8)) * (4097 * 4 + 8)}}) {
    SpectrogramSettings t = Settings(b.rate, b.size, b.overlap);
    t.channels = b.channels;
    t.historySeconds = b.seconds;
    EXPECT_EQ(SpectrogramProducer::HistoryCapacity(t), b.capacity) << b.rate << " " << b.size;
    EXPECT_EQ(SpectrogramHistory::BytesFor(b.channels, b.size / 2 + 1, b.capacity), b.bytes);
    EXPECT_LE(b.bytes, std::size_t{1} << 30);
  }
}

TEST(AnalysisSpectrogramTest, StoredLevelsRoundToHundredthsAndHoldTheirBounds) {
  struct Case {
    double db;
    int16_t stored;
  };
  for (const Case c :
       {Case{0, 0}, Case{-6.0206, -602}, Case{-6.025, -603}, Case{12.344, 1234}, Case{-400, -32767},
        Case{500, 32767}, Case{NAN, -32767}, Case{-327.67, -32767}}) {
    EXPECT_EQ(SpectrogramHistory::Quantise(c.db), c.stored) << c.db;
  }
}

}  // namespace
