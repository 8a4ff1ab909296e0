#include "features/spectrum/large_spectrum_pass.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/anti_alias_decimator.h"
#include "analysis/frame_decoding.h"
#include "analysis/log_frequency_axis.h"
#include "analysis/pcm_samples.h"
#include "analysis/spectrum_levels.h"
#include "platform/capture_ring.h"
#include "platform/command_ids.h"
#include "platform/ring_read.h"
#include "view/aurivue_view.h"
#include "view/capture_format.h"
#include "view/large_spectrum.h"
#include "view/spectrum_columns.h"

namespace {

constexpr int kSpectrum = 0;
constexpr int kPhase = 1;
constexpr int kPowerSpectrum = 5;

// The peak and minimum hold traces beside the average.
constexpr COLORREF kPeakColor = RGB(0, 0, 255);
constexpr COLORREF kMinimumColor = RGB(0, 160, 0);

int OrderOf(int size) {
  int order = 0;
  while ((1 << order) < size) ++order;
  return order;
}

int64_t NowNs() { return static_cast<int64_t>(SteadyNowNs()); }

AverageSettings AverageFrom(const SpectrumOptions& o) {
  AverageSettings s;
  s.mode = o.average == 1 ? kAverageExponential : o.average == 2 ? kAverageLinear : kAverageOff;
  s.timeConstant = o.averageSeconds;
  s.count = o.averageCount;
  s.peakHold = o.peakHold;
  s.peakDecayDbPerSecond = o.peakDecayDbPerSecond;
  s.minimumHold = o.minimumHold;
  return s;
}

int AnalysisOf(int mode) {
  return mode - (mode >= DISPLAY_MODE_FIRST_3D ? DISPLAY_MODE_FIRST_3D : DISPLAY_MODE_FIRST_2D);
}

}  // namespace

bool LargeSpectrumFor(int analysis) {
  const SpectrumOptions& o = CurrentApp().m_spectrum;
  if (o.fftSize < SpectrumOptions::kMinSize || o.fftSize > SpectrumOptions::kMaxSize) return false;
  return analysis == kSpectrum || analysis == kPhase || analysis == kPowerSpectrum;
}

void LargeSpectrumPass::RestartAverages() {
  if (!m_pLarge) return;
  for (auto& a : m_pLarge->averager) a.Restart();
}

void LargeSpectrumPass::ViewStarting(CAurivueView& /*view*/) {
  // Each view starts its averages and holds afresh, at the size its choices ask for.
  m_pLarge.reset();
}

bool LargeSpectrumPass::RunsPass(const CAurivueView& /*view*/, int analysis) const {
  return LargeSpectrumFor(analysis);
}

int LargeSpectrumPass::ChartCapacity(const CAurivueView& view, bool threeD) const {
  if (!LargeSpectrumFor(AnalysisOf(CurrentApp().m_nDisplayMode))) return 0;
  // 2-D: a bin for each pixel column the chart can have, and one beyond each edge. 3-D: the
  // curtain keeps the described number of points.
  return threeD ? view.SampleCount() : std::max(view.SampleCount(), view.width() + 4);
}

int LargeSpectrumPass::ChartSeries(const CAurivueView& /*view*/, bool threeD) const {
  const AppState& app = CurrentApp();
  const int analysis = AnalysisOf(app.m_nDisplayMode);
  if (threeD || analysis == kPhase || !LargeSpectrumFor(analysis)) return 0;
  return 1 + (app.m_spectrum.peakHold ? 1 : 0) + (app.m_spectrum.minimumHold ? 1 : 0);
}

const LargeSpectrum* LargeSpectrumPass::LargeSpectrumShown(const CAurivueView& /*view*/,
                                                           int analysis) const {
  return LargeSpectrumFor(analysis) ? m_pLarge.get() : nullptr;
}

bool LargeSpectrumPass::LoadSamples() {
  AppState& app = CurrentApp();
  LargeSpectrum& large = *m_pLarge;
  const CaptureFormat capture = CaptureFormatOf(app);
  const std::size_t count = static_cast<std::size_t>(large.count);
  std::size_t bytes = count * capture.frameBytes;
  const unsigned char* source = nullptr;
  if (app.m_bLive) {
    const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
    if (!ring || ring->FrameBytes() != capture.frameBytes) return false;
    // The newest frames; silence before the first frame and beyond what the ring holds.
    if (ReadFramesEndingAt(*ring, ring->WritePosition(), count, capture.silenceByte,
                           large.raw.data()) != RingRead::kCopied) {
      return false;
    }
    source = large.raw.data();
  } else {
    // The buffer: half a second of frames, from its start; a shorter buffer is zero-padded.
    source = app.m_capture.GetReadyBuffer();
    bytes = std::min(bytes, capture.bufferBytes);
    if (source == nullptr) return false;
  }
  ::DecodeFrame(source, bytes, capture.Frame(large.count), large.samples[0].data(),
                capture.channels == 2 ? large.samples[1].data() : nullptr);
  return true;
}

void LargeSpectrumPass::RunPass(CAurivueView& view, int analysis, bool threeD) {
  AppState& app = CurrentApp();
  const SpectrumOptions& o = app.m_spectrum;
  const int channels = view.TwoChannels() ? 2 : 1;
  if (!m_pLarge || m_pLarge->fft.Size() != o.fftSize) {
    const int window = o.flatTop ? kWindowFlatTop : app.m_nFFTWindow;
    const int count = app.m_bLive ? o.fftSize : std::min<int>(o.fftSize, app.m_nSampleRate / 2);
    m_pLarge = std::make_unique<LargeSpectrum>(OrderOf(o.fftSize), window, count,
                                               CaptureFormatOf(app).channels, AverageFrom(o));
  }
  LargeSpectrum& large = *m_pLarge;
  if (!LoadSamples()) return;
  const int size = large.fft.Size();
  const int half = size / 2;
  const double rate = app.m_nSampleRate;

  // Classic transforms once a buffer, half a second apart; Live as the refresh comes.
  const int64_t now = NowNs();
  double elapsed = 0.5;
  if (app.m_bLive) {
    elapsed = large.lastPassNs != 0 ? (now - large.lastPassNs) * 1e-9 : 0;
  }
  large.lastPassNs = now;

  for (int c = 0; c < channels; ++c) {
    for (int i = 0; i < large.count; ++i) {
      large.windowed[i] = large.samples[c][i] * large.weights[i];
    }
    large.fft.Forward(large.windowed.data(), large.bins[c].data());
    for (int k = 0; k <= half; ++k) {
      const double a = BinAmplitude(large.bins[c][k], k, size, large.weightSum);
      large.power[k] = a * a;
    }
    large.averager[c].Add(large.power.data(), elapsed);
  }

  // The axis: hertz, or log10 of hertz from 20 Hz (or one bin) up; the waterfall stays linear.
  const bool logAxis = o.logAxis && !threeD;
  const LogFrequencyRange axis = LogFrequencyAxis(rate, size);
  int first = 0;
  if (logAxis) {
    first = static_cast<int>(std::ceil(axis.low * size / rate - 1e-9));
    first = std::clamp(first, 1, half);
  }
  for (int k = 0; k <= half; ++k) {
    const double f = k * rate / size;
    large.x[k] = logAxis ? (k >= first ? std::log10(f) : std::log10(axis.low)) : f;
  }
  const double x0 = logAxis ? std::log10(axis.low) : 0.0;
  const double x1 = logAxis ? std::log10(axis.high) : rate / 2.0;

  // The scale: decibels for the power spectrum always, else as chosen.
  const bool decibels = analysis == kPowerSpectrum || o.scale != 0;
  const bool dbv = o.scale == 2;
  const double reference =
      dbv ? static_cast<double>(std::max(app.m_nVoltValue, 1)) : FullScale(app.m_nBits);
  const double dbBottom = std::min(o.dbBottom, o.dbTop - 1);
  const double dbTop = o.dbTop;
  double y0 = 0, y1 = 2;
  if (analysis == kPhase) {
    y0 = -180;
    y1 = 180;
  } else if (decibels) {
    // The waterfall's curtains hang from the floor: its levels stand above the range's bottom.
    y0 = threeD ? 0 : dbBottom;
    y1 = threeD ? dbTop - dbBottom : dbTop;
  }
  const char* yTitle = analysis == kPhase ? "Degree"
                       : !decibels        ? "Amplitude"
                       : dbv              ? "Level(dBV)"
                                          : "Level(dBFS)";
  const char* xTitle = logAxis ? "Frequency(Hz, log)" : "Frequency(Hz)";
  constexpr double pi = std::numbers::pi;

  const int charts = analysis == kPowerSpectrum ? 1 : channels;
  // The waterfall's curtains share one x column between the two charts (so does its file):
  // both draw the same bins, each column's loudest of either channel.
  const bool sharedBins = threeD && charts == 2;
  if (sharedBins) {
    const double* left = large.averager[0].Average();
    const double* right = large.averager[1].Average();
    for (int k = 0; k <= half; ++k) large.loudest[k] = std::max(left[k], right[k]);
  }
  for (int c = 0; c < charts; ++c) {
    ChartCtrl& chart = view.FrameChart(c, threeD);
    if (chart.GetXTitle() != xTitle || chart.GetYTitle() != yTitle) {
      chart.SetAxisTitles(xTitle, analysis == kPowerSpectrum ? "Estimation(dB)" : yTitle);
      chart.Refresh(1);
    }
    if (!threeD) {
      chart.SetLogX(logAxis);
      chart.SetCursorSnap(true);
    }
    view.SetFrameRange(c, threeD, x0, x1, y0, y1);
    const SpectrumAverager& avg = large.averager[c];
    const double* traces[3] = {avg.Average(), nullptr, nullptr};
    int series = 1;
    if (!threeD && analysis != kPhase) {
      if (o.peakHold && series < chart.GetSeriesCount()) {
        chart.SetSerieColor(series, kPeakColor);
        traces[series++] = avg.Peak();
      }
      if (o.minimumHold && series < chart.GetSeriesCount()) {
        chart.SetSerieColor(series, kMinimumColor);
        traces[series++] = avg.Minimum();
      }
    }
    if (!threeD) {
      // Two or three traces on one chart: a legend says which is which. Made afresh only when
      // the traces change, not every pass.
      const char* first = o.average != 0 ? "Average" : "Current";
      const char* last = series < 2 ? "" : o.minimumHold ? "Minimum hold" : "Peak hold";
      const std::vector<ChartLegendEntry>& shown = chart.GetLegend();
      const std::size_t count = series > 1 ? static_cast<std::size_t>(series) : 0;
      if (shown.size() != count ||
          (count > 0 && (shown.front().text != first || shown.back().text != last))) {
        std::vector<ChartLegendEntry> legend;
        if (count > 0) {
          legend.push_back({first, chart.GetSerie(0).m_color});
          if (o.peakHold) legend.push_back({"Peak hold", kPeakColor});
          if (o.minimumHold) legend.push_back({"Minimum hold", kMinimumColor});
        }
        chart.SetLegend(legend);
      }
    }
    // The bins to draw, chosen by the highest trace so no held peak falls between columns.
    const int capacity = chart.GetCapacity();
    const int plotWidth = chart.GetPlotRect().Width();
    const int columns =
        std::max(1, std::min(threeD || plotWidth <= 0 ? capacity : plotWidth, capacity - 2));
    const double* pickBy = sharedBins                 ? large.loudest.data()
                           : o.peakHold && series > 1 ? traces[1]
                                                      : traces[0];
    const double vx0 = threeD ? x0 : chart.GetXMin();
    const double vx1 = threeD ? x1 : chart.GetXMax();
    PickColumnBins(large.x.data(), pickBy, first, half, vx0, vx1, columns, large.picked);
    if (static_cast<int>(large.picked.size()) > capacity) large.picked.resize(capacity);

    double peak = 0;
    if (!decibels && analysis != kPhase) {
      for (int k = 0; k <= half; ++k) peak = std::max(peak, traces[0][k]);
    }
    const double norm = peak > 0 ? 1.0 / std::sqrt(peak) : 0.0;
    for (int i = 0; i < static_cast<int>(large.picked.size()); ++i) {
      const int k = large.picked[i];
      for (int s = 0; s < series; ++s) {
        double y;
        if (analysis == kPhase) {
          const Complex& b = large.bins[c][k];
          y = std::atan2(b.im, b.re) * 180.0 / pi;
        } else if (decibels) {
          y = PowerToDb(dbv ? traces[s][k] / 2.0 : traces[s][k], reference);
          if (threeD) y -= dbBottom;
        } else {
          y = std::sqrt(traces[s][k]) * norm;
        }
        chart.SetPoint(large.x[k], y, i, s);
      }
    }
  }
  view.FinishPass(threeD, charts);
}
