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
class LiveDisplay;
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
  uint64_t LiveFrameEnd() const;
  uint64_t LiveFrameStamp() const;
  // Milliseconds between Live refreshes: the screen's refresh period.
  int LiveRefreshIntervalMs() const;

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

  // How far right of the frame's left edge its first sample is drawn, ms: a triggered trace's
  // place between two samples (a feature chooses it); 0 untriggered.
  double TraceShiftMs() const;

  // For the features that choose the frame a pass shows: the frame length, the channels shown,
  // the decode of a frame that begins at buffer, and the Live frames (half a second, newest
  // last) with the ring position they end at.
  int SampleCount() const { return m_nSamples; }
  bool TwoChannels() const;
  void DecodeFrameFrom(const unsigned char* buffer, std::size_t bytes);
  std::vector<unsigned char>& LiveBuffer();
  const void* LiveRing() const;
  void SetLivePosition(const void* ring, uint64_t end, uint64_t stamp);
  // For the features' passes over the view's charts. Sets a chart's range for the frame:
  // SetRange in 2-D, Set3DRange with depth 0..24 in 3-D.
  void SetFrameRange(int chart, bool threeD, double x0, double x1, double y0, double y1);
  ChartCtrl& FrameChart(int chart, bool threeD);
  // Ends a pass on the charts it filled: ShiftHistory in 3-D, then Refresh (0).
  void FinishPass(bool threeD, int charts);

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

  // The features' choice of the frame a pass shows: kNewest when none chose.
  ViewFeature::FrameChoice SelectFrame(bool live, std::size_t span);
  // Points a chart of the current layout holds, and how many series it draws.
  int ChartCapacityFor(bool threeD) const;
  int ChartSeriesFor(bool threeD) const;

  friend class LiveDisplay;

  CAurivueDoc* m_pDocument;
  ViewFeatures m_features;
  int m_nFeatureDisplay = 0;  // the feature display set up on this view and not yet torn down
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

  std::unique_ptr<LiveDisplay> m_pLive;
};
