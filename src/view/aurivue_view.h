#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/complex.h"
#include "analysis/fft_engine.h"
#include "chart/chart_3d_ctrl.h"
#include "chart/chart_ctrl.h"
#include "platform/message_target.h"
#include "view/view_feature.h"

class CAurivueDoc;
class DeviceContext;
struct LargeSpectrum;
class QPrinter;

// The main view: owns the charts and analysis arrays of the current display mode, builds the
// charts once (set-up command), runs one analysis pass per filled buffer (compute command) and
// destroys the chart windows when it goes (teardown command). It also exports the frame,
// saves its picture and prints its charts.
class CAurivueView : public QWidget, public MessageTarget {
 public:
  // Arrays are sized from the application's settings as they are now; the settings that size
  // them do not change while a view lives.
  explicit CAurivueView(CAurivueDoc* doc, QWidget* parent = nullptr);
  ~CAurivueView() override;
  CAurivueView(const CAurivueView&) = delete;
  CAurivueView& operator=(const CAurivueView&) = delete;

  CAurivueDoc* GetDocument() const { return m_pDocument; }
  // What the instrument features add to the view, in order; set before the first update.
  void SetFeatures(ViewFeatures features) { m_features = std::move(features); }
  const ViewFeatures& Features() const { return m_features; }
  // The feature that draws display mode, nullptr for the modes the view draws itself.
  ViewFeature* DisplayFeatureFor(int mode) const;

  // Decodes the current buffer and sends the current mode's set-up command.
  void OnInitialUpdate();
  bool OnCommand(int id) override;
  // Draws the charts of the current layout with PrintChart: chart [0] at device (0, 0) and, for
  // two-channel spectrum, phase and oscillograph, chart [1] at (0, 1400).
  void OnDraw(DeviceContext& dc);

  // One filled capture buffer: nothing while POWER is off, else decode and run the mode's pass.
  void OnBufferReady();

  // Live (AppState::m_bLive): one screen refresh. Takes the newest frames of the capture ring
  // and runs the mode's pass on a frame that ends at the newest one; the waterfall takes a
  // curtain only at its steady rate. Never waits for the audio thread. True when a pass ran.
  bool OnLiveRefresh();
  // The newest frame number the last Live pass showed and when its block arrived (steady clock,
  // nanoseconds; 0 when unknown).
  uint64_t LiveFrameEnd() const { return m_nLiveEnd; }
  uint64_t LiveFrameStamp() const { return m_nLiveStamp; }
  // Milliseconds between Live refreshes: the screen's refresh period.
  int LiveRefreshIntervalMs() const { return m_nLiveIntervalMs; }

  // Steps of a pass, thin calls of the signal analysis.
  void DecodeFrame();
  void PrepareSpectra();
  // Fills the correlation work array; returns the normaliser. False (after the message) when
  // the work array does not exist.
  bool ComputeCorrelation(double& normaliser);

  // Chart [0] is the single or top chart, [1] the bottom one.
  ChartCtrl& Chart2D(int i) { return m_chart2D[i]; }
  Chart3DCtrl& Chart3D(int i) { return m_chart3D[i]; }
  const double* LeftSamples() const { return m_pLeftSamples.get(); }
  const double* RightSamples() const { return m_pRightSamples.get(); }
  const Complex* LeftSpectrum() const { return m_pLeftSpectrum.get(); }
  const Complex* RightSpectrum() const { return m_pRightSpectrum.get(); }

  double m_dLeftPeak = 0;
  double m_dLeftMin = 0;
  double m_dRightPeak = 0;
  double m_dRightMin = 0;
  double m_dLeftSpectrumPeak = 0;
  double m_dLeftSpectrumMin = 0;
  double m_dRightSpectrumPeak = 0;
  double m_dRightSpectrumMin = 0;

  // The file commands.
  void OnExportData();
  void OnFileSaveBmp();
  void OnFilePrint();
  void OnFilePrintPreview();
  void OnFilePrintSetup();
  void OnHelpContents();

  // Draws the one printed page into printer (already set up), reporting a job that cannot start.
  void PrintPage(QPrinter& printer);

  // The oscillograph's trigger (view_trigger.cpp). How far right of the frame's left edge its
  // first sample is drawn, ms: the triggered trace's place between two samples; 0 untriggered.
  double TraceShiftMs() const { return m_dTraceShiftMs; }
  // The middle of the smallest and largest sample of the trigger source in the newest frame, mV.
  double TriggerSourceMidMv() const;

 private:
  // The commands themselves; OnCommand tells the features around them.
  bool RunCommand(int id);
  // Mode set-up.
  void SetupDoubleCapable(int analysis, bool threeD);
  void SetupSingle(int analysis, bool threeD);
  void PrepareChart(ChartCtrl& chart, const char* title, int analysis, bool threeD);
  void BuildLayout(bool threeD, int charts);
  void Teardown(bool threeD);

  // The twelve passes.
  void SpectrumPass(bool threeD);
  void PhasePass(bool threeD);
  void OscillographPass(bool threeD);
  void LissajousPass(bool threeD);
  void CorrelationPass(bool threeD);
  void PowerSpectrumPass(bool threeD);
  // Sets a chart's range for the frame: SetRange in 2-D, Set3DRange with depth 0..24 in 3-D.
  void SetFrameRange(int chart, bool threeD, double x0, double x1, double y0, double y1);
  ChartCtrl& FrameChart(int chart, bool threeD);
  // Ends a pass on the charts it filled: ShiftHistory in 3-D, then Refresh (0).
  void FinishPass(bool threeD, int charts);
  bool TwoChannels() const;
  void DecodeFrameFrom(const unsigned char* buffer, std::size_t bytes);

  // Live.
  void StartLive();
  void OnLiveTick();
  // Copies the newest span frames of the ring into m_liveBuffer, silence before the first
  // frame; false when nothing new arrived since the last pass.
  bool TakeNewestFrames(std::size_t span);
  // The oscillograph in Live, 2-D and 3-D: every sample where the frame has no more samples
  // than the chart has columns, else each pixel column's minimum and maximum.
  void LiveOscillographPass(bool threeD);
  int LiveChartCapacity() const;

  // The trigger (view_trigger.cpp).
  bool TriggerApplies() const;
  void ShowWaitingMarks();
  // Takes the source channel of frames interleaved frames at full rate into out.
  void SourceSamplesFrom(const unsigned char* data, std::size_t frames, double* out) const;
  // The search follows stream (a capture ring); a new one, or a restart, begins at sample next.
  void PrepareTriggerSearch(const void* stream, uint64_t next);
  // Classic: searches the ready buffer; true when a frame was decoded for the pass to show.
  bool ClassicTriggerFrame();
  // Live: searches what the ring received since the last refresh. 1: a triggered frame of span
  // frames was decoded; 0: nothing new to show; -1: show the newest frames untriggered.
  int LiveTriggerFrame(std::size_t span);
  void ShowTriggerMarks(bool triggered);
  // No shift and no marks, as without a trigger.
  void ClearTrigger();
  // The spectrum analyser (view_spectrum.cpp): the spectrum, phase and power spectrum displays
  // with an FFT size chosen, from the undecimated input.
 public:
  // True when analysis (0 spectrum, 1 phase, 5 power spectrum) runs on the large transform.
  bool LargeSpectrumFor(int analysis) const;
  // Forgets the averages and the peak and minimum holds.
  void RestartSpectrumAverages();
  // The large transform's bins, averages and holds; null before its first pass.
  const LargeSpectrum* LargeSpectrumData() const { return m_pLarge.get(); }

 private:
  void LargeSpectrumPass(int analysis, bool threeD);
  // Fills the large spectrum's samples: the buffer's first frames in Classic, the ring's newest
  // in Live. False when nothing new arrived.
  bool LoadLargeSamples();
  // Points a chart of the current layout holds, and how many series it draws.
  int ChartCapacityFor(bool threeD) const;
  int ChartSeriesFor(bool threeD) const;
  // Live at time bases above 1: the frame filtered at the full rate before every t-th sample
  // is kept. False (nothing done) when the ring cannot give the frames.
  bool DecodeLiveAntiAliased(int timeBase);

  CAurivueDoc* m_pDocument;
  ViewFeatures m_features;
  ChartCtrl m_chart2D[2];
  Chart3DCtrl m_chart3D[2];

  int m_nSamples = 0;  // frame length the arrays were allocated for
  int m_nFft = 0;      // FFT length of the spectra
  std::unique_ptr<double[]> m_pLeftSamples;
  std::unique_ptr<double[]> m_pRightSamples;
  std::unique_ptr<Complex[]> m_pLeftSpectrum;
  std::unique_ptr<Complex[]> m_pRightSpectrum;
  // Work arrays of the correlation and power spectrum passes, allocated once with the view
  // instead of per pass; the results are the same.
  std::unique_ptr<Complex[]> m_pCorrelation;
  std::unique_ptr<double[]> m_pPowerFrequencies;
  std::unique_ptr<double[]> m_pPowerLevels;
  FftEngine m_fft;

  QTimer m_liveTimer;
  int m_nLiveIntervalMs = 16;
  std::vector<unsigned char> m_liveBuffer;  // half a second of frames, newest last
  std::vector<double> m_liveLeft;           // every frame of the span, for the envelope
  std::vector<double> m_liveRight;
  std::vector<double> m_envelopeMin;
  std::vector<double> m_envelopeMax;
  uint64_t m_nLiveEnd = 0;
  uint64_t m_nLiveStamp = 0;
  const void* m_pLiveRing = nullptr;  // the ring m_nLiveEnd counts in
  int64_t m_nLastTickNs = 0;
  int64_t m_nNextCurtainNs = 0;

  double m_dTraceShiftMs = 0;
  bool m_bTriggerMarks = false;
  std::vector<unsigned char> m_triggerBytes;
  std::vector<double> m_triggerSamples;
  std::unique_ptr<LargeSpectrum> m_pLarge;
  // Live anti-aliasing: the filter of the time base in use and its input.
  std::vector<double> m_antiAliasTaps;
  int m_nAntiAliasFactor = 0;
  std::vector<unsigned char> m_antiAliasRaw;
  std::vector<double> m_antiAliasLeft;
  std::vector<double> m_antiAliasRight;
};
