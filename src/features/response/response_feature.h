#pragma once

#include <QMenu>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/octave_smoother.h"
#include "analysis/real_inverse_fft.h"
#include "analysis/response_quantity.h"
#include "analysis/response_stream.h"
#include "analysis/response_trace.h"
#include "analysis/sweep_analyser.h"
#include "features/instrument_feature.h"
#include "features/response/response_chart.h"
#include "features/response/response_settings.h"
#include "platform/command_ids.h"

class CaptureRing;
class QAction;
class QMenu;

// The frequency response analyser: the dual-channel estimate from any stimulus, or a swept sine
// played by the generator (or arriving at the input), drawn as the response (621), the impulse
// response (622) and the distortion (623) of the analyser folder.
class ResponseFeature : public InstrumentFeature, public ViewFeature {
 public:
  ResponseFeature();
  ~ResponseFeature() override;
  // The one the program runs, nullptr before it is made.
  static ResponseFeature* Current();

  void CreateParts(const FrameParts& parts) override;
  bool OnCommand(int id) override;
  void UpdateCommands() override;
  ViewFeature* ViewPart() override { return this; }
  const ParameterTable* SetupTable() const override;
  void ReadSetup(void* settings) const override;
  void ApplySetup(const void* settings, const SetupApplication& how) override;

  bool ShowsDisplay(int mode) const override;
  void SetupDisplay(CAurivueView& view, int mode) override;
  void ComputeDisplay(CAurivueView& view, int mode) override;
  bool LiveDisplay(CAurivueView& view, int mode) override;
  void TeardownDisplay(CAurivueView& view, int mode) override;
  void PrintDisplay(CAurivueView& view, int mode, DeviceContext& dc) override;
  bool DisplayCsvRows(CAurivueView& view, int mode, std::string& rows) override;

  // What the last analysis says of a quantity; NaN before any, or where it does not reach.
  double QuantityValue(const ResponseQuantity& q) const;
  // True once an analysis has results.
  bool HasResults() const { return m_bHasResults; }
  // True when the results hold distortion (the swept method's).
  bool HasDistortion() const { return !m_distortion.frequencyHz.empty(); }
  // The response shown (smoothed as chosen), on the transform's bins.
  const ResponseTrace& Response() const { return m_shown; }
  double DelaySamples() const { return m_dDelay; }

 private:
  // Reads what the capture ring received since the last pass and analyses it; true when
  // something new was drawn.
  bool Pass(CAurivueView& view, int mode);
  void Prepare(const CaptureRing& ring);
  void Consume(const double* left, const double* right, std::int64_t count);
  void FinishDual();
  void FinishSweep();
  void StartSweep();
  // Restarts the measurement when what it measures changed since it began, however it changed.
  void FollowSettings();
  void Draw(int mode);
  void DrawResponse();
  void DrawImpulse();
  void DrawDistortion();
  void Restart();
  void ChangeSettings();
  std::string Status() const;

  FrameParts m_parts;
  QPointer<QMenu> m_pMenu;
  QMetaObject::Connection m_viewGone;
  std::vector<QAction*> m_actions;
  QPointer<ResponseChart> m_charts[2];  // children of the view, which may take them along
  int m_nMode = 0;
  int m_nCharts = 0;

  // The input as the analysis sees it.
  const void* m_pRing = nullptr;
  ResponseSettings m_measuring;  // the settings the measurement under way began with
  uint64_t m_nNext = 0;
  double m_dRate = 0;
  int m_nChannels = 2;
  int m_nBits = 16;
  uint8_t m_nSilence = 0;
  bool m_bFromNow = false;  // after a restart the analysis starts at the newest frame
  std::vector<unsigned char> m_bytes;
  std::vector<double> m_left, m_right;

  // Dual channel.
  std::unique_ptr<ResponseStream> m_pStream;
  int m_nAdded = 0;  // transforms added in this pass
  // Swept sine: the record under way and its analysis.
  std::unique_ptr<SweepAnalyser> m_pSweep;
  std::vector<double> m_recordReference, m_recordMeasured;
  std::int64_t m_nRecorded = 0;
  std::int64_t m_nRecordWanted = 0;  // the room the record has
  std::int64_t m_nRecordEnd = 0;     // where the record under way ends
  bool m_bOnsetSeen = false;         // the sweep's arrival in the record under way was seen
  bool m_bRecording = false;
  bool m_bSweepAsked = false;
  bool m_bGeneratorSweep = false;  // the record began with the generator playing the sweep
  std::int64_t m_nQuiet = 0;       // samples below the onset level in a row
  std::string m_sweepError;

  // Results.
  bool m_bHasResults = false;
  bool m_bFresh = false;
  int m_nTransforms = 0;  // averaged transforms, or sweeps analysed
  ResponseTrace m_raw;    // as measured
  ResponseTrace m_shown;  // smoothed as chosen
  DistortionTrace m_distortion;
  std::vector<double> m_impulse;  // around its peak, the peak's whole sample at m_nImpulseZero
  int m_nImpulseZero = 0;
  double m_dDelay = 0;
  std::unique_ptr<OctaveSmoother> m_pSmoother;
  int m_nSmootherBins = 0;
  std::unique_ptr<RealInverseFft> m_pInverse;
  std::vector<Complex> m_work;
  std::vector<double> m_circular;
  ResponseTrace m_reference;  // the stored trace to compare against
  bool m_bHasReference = false;

  // Drawing.
  std::vector<double> m_grid, m_column[6], m_both;
};
