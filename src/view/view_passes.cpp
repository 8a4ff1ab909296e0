// The twelve analysis passes of the scope view, one per display mode.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/frame_decoding.h"
#include "analysis/power_spectrum.h"
#include "platform/message_box.h"
#include "view/aurivue_view.h"
#include "view/pass_math.h"

namespace {

constexpr double kDepthEnd = 24;
constexpr int kPowerLags = 32;

double Magnitude(const Complex& c) { return std::sqrt(c.re * c.re + c.im * c.im); }

double PhaseDegrees(const Complex& c) { return std::atan2(c.im, c.re) * 180.0 / std::numbers::pi; }

}  // namespace

void CAurivueView::SetFrameRange(int chart, bool threeD, double x0, double x1, double y0,
                                 double y1) {
  if (threeD) {
    m_chart3D[chart].Set3DRange(x0, x1, y0, y1, 0, kDepthEnd);
    return;
  }
  ChartCtrl& c = m_chart2D[chart];
  // At the screen's refresh rate an unchanged range must not rebuild the chart's static layer.
  const ZoomWindow full = c.GetFullRange();
  if (CurrentApp().m_bLive && full.x0 == x0 && full.x1 == x1 && full.y0 == y0 && full.y1 == y1) {
    return;
  }
  c.SetRange(x0, x1, y0, y1);
}

void CAurivueView::FinishPass(bool threeD, int charts) {
  for (int i = 0; i < charts; ++i) {
    if (threeD) m_chart3D[i].ShiftHistory();
    FrameChart(i, threeD).Refresh(0);
  }
  ++CurrentApp().m_nAnalysisUpdates;
}

void CAurivueView::SpectrumPass(bool threeD) {
  const AppState& app = CurrentApp();
  const bool two = TwoChannels();
  const int charts = two ? 2 : 1;
  PrepareSpectra();
  const double end = FrequencyAxisEnd(app.m_nSampleRate, app.m_fTimeBase);
  for (int c = 0; c < charts; ++c) SetFrameRange(c, threeD, 0, end, 0, 2);
  ChartCtrl& top = FrameChart(0, threeD);
  ChartCtrl& bottom = FrameChart(1, threeD);
  for (int k = 0; k < m_nFft / 2; ++k) {
    const double f = BinFrequency(k, m_nSamples, m_nFft, app.m_fTimeBase);
    top.SetPoint(f, Magnitude(m_pLeftSpectrum[k]) / m_dLeftSpectrumPeak, k, 0);
    if (two) bottom.SetPoint(f, Magnitude(m_pRightSpectrum[k]) / m_dRightSpectrumPeak, k, 0);
  }
  FinishPass(threeD, charts);
}

void CAurivueView::PhasePass(bool threeD) {
  const AppState& app = CurrentApp();
  const bool two = TwoChannels();
  const int charts = two ? 2 : 1;
  PrepareSpectra();
  const double end = FrequencyAxisEnd(app.m_nSampleRate, app.m_fTimeBase);
  for (int c = 0; c < charts; ++c) SetFrameRange(c, threeD, 0, end, -180, 180);
  ChartCtrl& top = FrameChart(0, threeD);
  ChartCtrl& bottom = FrameChart(1, threeD);
  for (int k = 0; k < m_nFft / 2; ++k) {
    const double f = BinFrequency(k, m_nSamples, m_nFft, app.m_fTimeBase);
    top.SetPoint(f, PhaseDegrees(m_pLeftSpectrum[k]), k, 0);
    if (two) bottom.SetPoint(f, PhaseDegrees(m_pRightSpectrum[k]), k, 0);
  }
  FinishPass(threeD, charts);
}

void CAurivueView::OscillographPass(bool threeD) {
  const AppState& app = CurrentApp();
  const bool two = TwoChannels();
  const int charts = two ? 2 : 1;
  const double span = 10.0 * app.m_fTimeBase;
  SetFrameRange(0, threeD, 0, span, -4.0 * app.m_fLeftScale, 4.0 * app.m_fLeftScale);
  if (two) SetFrameRange(1, threeD, 0, span, -4.0 * app.m_fRightScale, 4.0 * app.m_fRightScale);
  ChartCtrl& top = FrameChart(0, threeD);
  ChartCtrl& bottom = FrameChart(1, threeD);
  const double shift = TraceShiftMs();
  for (int i = 0; i < m_nSamples; ++i) {
    const double t = SampleTime(i, m_nSamples, app.m_fTimeBase) + shift;
    top.SetPoint(t, ToMillivolts(m_pLeftSamples[i], app.m_nVoltValue), i, 0);
    if (two) bottom.SetPoint(t, ToMillivolts(m_pRightSamples[i], app.m_nVoltValue), i, 0);
  }
  FinishPass(threeD, charts);
}

void CAurivueView::LissajousPass(bool threeD) {
  const bool two = TwoChannels();
  const double lo = threeD ? 0 : -2;
  const double shift = threeD ? 1 : 0;
  SetFrameRange(0, threeD, lo, 2, lo, 2);
  ChartCtrl& chart = FrameChart(0, threeD);
  for (int i = 0; i < m_nSamples; ++i) {
    double x, y;
    if (two) {
      // Each channel over the other channel's peak: equal amplitudes fill -1..1.
      x = m_pRightSamples[i] / m_dLeftPeak;
      y = m_pLeftSamples[i] / m_dRightPeak;
    } else {
      x = y = m_pLeftSamples[i] / m_dLeftPeak;
    }
    chart.SetPoint(x + shift, y + shift, i, 0);
  }
  FinishPass(threeD, 1);
}

void CAurivueView::CorrelationPass(bool threeD) {
  const AppState& app = CurrentApp();
  PrepareSpectra();
  double normaliser = 0;
  if (!ComputeCorrelation(normaliser)) return;
  ChartCtrl& chart = FrameChart(0, threeD);
  if (!TwoChannels()) {
    chart.SetTitle("Auto-Correlation");
  } else {
    chart.SetTitle(threeD ? "Cross-Correlation" : "Cross-Correlate");
  }
  SetFrameRange(0, threeD, 0, 10.0 * app.m_fTimeBase, -2, 2);
  for (int j = 0; j < m_nSamples; ++j) {
    const int lag = j * m_nFft / m_nSamples;
    chart.SetPoint(CorrelationTime(j, m_nSamples, app.m_fTimeBase),
                   m_pCorrelation[lag].re / normaliser, j, 0);
  }
  FinishPass(threeD, 1);
}

void CAurivueView::PowerSpectrumPass(bool threeD) {
  const AppState& app = CurrentApp();
  if (!m_pPowerFrequencies || !m_pPowerLevels) {
    ShowMessageBox(threeD ? "Can't Allocate Memory !" : "Can't Allocate Memory!");
    return;
  }
  const int half = m_nFft / 2;
  double* frequencies = m_pPowerFrequencies.get();
  double* levels = m_pPowerLevels.get();
  std::fill(frequencies, frequencies + half, 0.0);
  std::fill(levels, levels + half, 0.0);
  const double rate = static_cast<double>(app.m_nSampleRate) / app.m_fTimeBase;
  EstimatePowerSpectrum(m_fft, m_pLeftSamples.get(), m_nFft / 4, m_nFft / 2, app.m_nChannels == 2,
                        rate, kPowerLags, m_nFft, frequencies, levels);
  const LevelRange range = PowerLevelRange(levels, half);
  SetFrameRange(0, threeD, 0, FrequencyAxisEnd(app.m_nSampleRate, app.m_fTimeBase), range.bottom,
                range.top);
  ChartCtrl& chart = FrameChart(0, threeD);
  for (int k = 0; k < half; ++k) chart.SetPoint(frequencies[k], levels[k], k, 0);
  FinishPass(threeD, 1);
}
