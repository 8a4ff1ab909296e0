#include "view/aurivue_view.h"

#include <new>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/correlation.h"
#include "analysis/frame_decoding.h"
#include "analysis/spectra.h"
#include "platform/command_ids.h"
#include "platform/device_context.h"
#include "platform/message_box.h"
#include "platform/window_styles.h"
#include "view/capture_format.h"
#include "view/display_modes.h"
#include "view/live_display.h"

namespace {

enum Analysis { kSpectrum = 0, kPhase, kOscillograph, kLissajous, kCorrelation, kPowerSpectrum };

constexpr int kSetupFirst = DISPLAY_MODE_FIRST_2D + SETUP_COMMAND_OFFSET;        // 1100
constexpr int kComputeFirst = DISPLAY_MODE_FIRST_2D + COMPUTE_COMMAND_OFFSET;    // 1300
constexpr int kTeardownFirst = DISPLAY_MODE_FIRST_2D + TEARDOWN_COMMAND_OFFSET;  // 1400
constexpr int kFamilyStep = DISPLAY_MODE_FIRST_3D - DISPLAY_MODE_FIRST_2D;       // 10

// Which analysis and dimension a command of a family (first id = 2-D spectrum) stands for.
bool DecodeFamily(int id, int first, int& analysis, bool& threeD) {
  int offset = id - first;
  if (offset >= 0 && offset <= 5) {
    analysis = offset;
    threeD = false;
    return true;
  }
  if (offset >= kFamilyStep && offset <= kFamilyStep + 5) {
    analysis = offset - kFamilyStep;
    threeD = true;
    return true;
  }
  return false;
}

struct ChartTexts {
  const char* single;
  const char* top;
  const char* bottom;
  const char* xTitle;
  const char* yTitle;
  double x0, x1, y0, y1;      // 2-D initial range
  double bx0, bx1, by0, by1;  // 3-D initial box (depth 0..24)
};

const ChartTexts kTexts[] = {
    {"Spectrum", "Channel Left Spectrum", "Channel Right Spectrum", "Frequency(Hz)", "Amplitude", 0,
     10, 0, 2, 0, 10, 0, 2},
    {"Phase", "Channel Left Phase", "Channel Right Phase", "Frequency(Hz)", "Degree", 0, 10, -180,
     180, 0, 10, -180, 180},
    {"OscilloGraph", "OscilloGraph(Channel Left)", "OscilloGraph(Channel Right)", "Time(ms)",
     "Volts(mV)", 0, 10, -1000, 1000, 0, 10, -10, 10},
    {"Lissajous Pattern", nullptr, nullptr, "X", "Y", 0, 10, -2, 2, 0, 10, -2, 2},
    {"Correlation", nullptr, nullptr, "Time(ms)", "Coefficient", 0, 10, -2, 2, 0, 10, -2, 2},
    {"Power Spectrum", nullptr, nullptr, "Frequency(Hz)", "Estimation(dB)", 0, 10, -10, 200, 0, 10,
     -10, 200},
};

constexpr int k3DSeries = 24;
constexpr double kDepth = 24;
constexpr int kPrintSecondChartY = 1400;

template <typename T>
std::unique_ptr<T[]> AllocZeroed(int count) {
  if (count <= 0) return nullptr;
  return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]());
}

}  // namespace

CAurivueView::CAurivueView(CAurivueDoc* doc, QWidget* parent)
    : QWidget(parent), m_pDocument(doc), m_pLive(std::make_unique<LiveDisplay>(*this)) {
  // A view takes the focus when clicked or activated, so that focus leaves the panel's controls.
  setFocusPolicy(Qt::ClickFocus);
  const AppState& app = CurrentApp();
  m_nSamples = app.m_nSamplesPerView;
  m_nFft = app.m_nFftSize;
  m_pLeftSamples = AllocZeroed<double>(m_nSamples);
  m_pLeftSpectrum = m_pLeftSamples ? AllocZeroed<Complex>(m_nFft) : nullptr;
  if (!m_pLeftSamples || !m_pLeftSpectrum) {
    ShowMessageBox("Can't Allocate Memory!");
    m_pLeftSamples.reset();
    m_pLeftSpectrum.reset();
    return;
  }
  if (app.m_nChannels == 2) {
    m_pRightSamples = AllocZeroed<double>(m_nSamples);
    m_pRightSpectrum = m_pRightSamples ? AllocZeroed<Complex>(m_nFft) : nullptr;
    if (!m_pRightSamples || !m_pRightSpectrum) {
      ShowMessageBox("Can't Allocate Memory !");
      m_pRightSamples.reset();
      m_pRightSpectrum.reset();
    }
  }
  // A failure here is reported by the pass that needs the array.
  m_pCorrelation = AllocZeroed<Complex>(m_nFft);
  m_pPowerFrequencies = AllocZeroed<double>(m_nFft / 2);
  m_pPowerLevels = AllocZeroed<double>(m_nFft / 2);
}

CAurivueView::~CAurivueView() {
  // The window is going: its charts' windows go first (the framework's WM_DESTROY step).
  SendCommandTo(this, CurrentApp().m_nDisplayMode + TEARDOWN_COMMAND_OFFSET);
  // The application holds the next mode by now, so the step above tore down that one; a
  // feature's display this view showed must still let go of what it made on the view.
  if (m_nFeatureDisplay != 0) {
    if (ViewFeature* feature = DisplayFeatureFor(m_nFeatureDisplay))
      feature->TeardownDisplay(*this, m_nFeatureDisplay);
  }
}

bool CAurivueView::TwoChannels() const {
  return CurrentApp().m_nChannels == 2 && m_pRightSamples && m_pRightSpectrum;
}

double CAurivueView::TraceShiftMs() const {
  for (const ViewFeature* feature : m_features) {
    const double shift = feature->TraceShiftMs();
    if (shift != 0) return shift;
  }
  return 0;
}

ViewFeature::FrameChoice CAurivueView::SelectFrame(bool live, std::size_t span) {
  for (ViewFeature* feature : m_features) {
    const ViewFeature::FrameChoice choice =
        live ? feature->SelectLiveFrame(*this, span) : feature->SelectClassicFrame(*this);
    if (choice != ViewFeature::FrameChoice::kNewest) return choice;
  }
  return ViewFeature::FrameChoice::kNewest;
}

void CAurivueView::OnInitialUpdate() {
  for (ViewFeature* feature : m_features) feature->ViewStarting(*this);
  // While capturing, the last notification's buffer went back to the device when that
  // notification had been handled, and the device may be filling it now: the next notification
  // brings the new view its frame.
  if (CurrentApp().m_capture.ReadyBufferHeld()) DecodeFrame();
  SendCommandTo(this, CurrentApp().m_nDisplayMode + SETUP_COMMAND_OFFSET);
  if (CurrentApp().m_bLive) m_pLive->Start();
}

void CAurivueView::OnBufferReady() {
  if (CurrentApp().m_bPowerOn == 0) return;
  // Live takes its frames from the ring at the screen's pace instead.
  if (CurrentApp().m_bLive) return;
  const ViewFeature::FrameChoice choice = SelectFrame(false, 0);
  if (choice == ViewFeature::FrameChoice::kKeep) return;  // waiting: the last frame stays
  if (choice == ViewFeature::FrameChoice::kNewest) {
    for (ViewFeature* feature : m_features) feature->NewestFrameShown(*this);
    DecodeFrame();
  }
  SendCommandTo(this, CurrentApp().m_nDisplayMode + COMPUTE_COMMAND_OFFSET);
}

int CAurivueView::ChartCapacityFor(bool threeD) const {
  for (const ViewFeature* feature : m_features) {
    if (const int capacity = feature->ChartCapacity(*this, threeD); capacity > 0) return capacity;
  }
  return m_pLive->ChartCapacity();
}

bool CAurivueView::OnLiveRefresh() { return m_pLive->Refresh(); }
uint64_t CAurivueView::LiveFrameEnd() const { return m_pLive->FrameEnd(); }
uint64_t CAurivueView::LiveFrameStamp() const { return m_pLive->FrameStamp(); }
int CAurivueView::LiveRefreshIntervalMs() const { return m_pLive->RefreshIntervalMs(); }
std::vector<unsigned char>& CAurivueView::LiveBuffer() { return m_pLive->Buffer(); }
const void* CAurivueView::LiveRing() const { return m_pLive->Ring(); }
void CAurivueView::SetLivePosition(const void* ring, uint64_t end, uint64_t stamp) {
  m_pLive->SetPosition(ring, end, stamp);
}

int CAurivueView::ChartSeriesFor(bool threeD) const {
  for (const ViewFeature* feature : m_features) {
    if (const int series = feature->ChartSeries(*this, threeD); series > 0) return series;
  }
  return threeD ? k3DSeries : 1;
}

ViewFeature* CAurivueView::DisplayFeatureFor(int mode) const {
  if (IsClassicDisplayMode(mode)) return nullptr;
  for (ViewFeature* feature : m_features) {
    if (feature->ShowsDisplay(mode)) return feature;
  }
  return nullptr;
}

bool CAurivueView::OnCommand(int id) {
  if (IsDisplayMode(id - TEARDOWN_COMMAND_OFFSET)) {
    for (ViewFeature* feature : m_features)
      feature->DisplayGoing(*this, id - TEARDOWN_COMMAND_OFFSET);
  }
  const bool handled = RunCommand(id);
  if (IsDisplayMode(id - SETUP_COMMAND_OFFSET)) {
    for (ViewFeature* feature : m_features) feature->DisplayBuilt(*this, id - SETUP_COMMAND_OFFSET);
  } else if (IsDisplayMode(id - COMPUTE_COMMAND_OFFSET)) {
    for (ViewFeature* feature : m_features)
      feature->DisplayDrawn(*this, id - COMPUTE_COMMAND_OFFSET);
  }
  return handled;
}

bool CAurivueView::RunCommand(int id) {
  int analysis = 0;
  bool threeD = false;
  if (id == ID_BUFFER_READY) {
    OnBufferReady();
    return true;
  }
  // The set-up, compute and teardown commands of a feature's display go to the feature.
  for (int offset : {SETUP_COMMAND_OFFSET, COMPUTE_COMMAND_OFFSET, TEARDOWN_COMMAND_OFFSET}) {
    ViewFeature* feature = DisplayFeatureFor(id - offset);
    if (feature == nullptr) continue;
    const int mode = id - offset;
    if (offset == SETUP_COMMAND_OFFSET) {
      feature->SetupDisplay(*this, mode);
      m_nFeatureDisplay = mode;
    } else if (offset == COMPUTE_COMMAND_OFFSET) {
      if (m_pLeftSamples) feature->ComputeDisplay(*this, mode);
    } else {
      feature->TeardownDisplay(*this, mode);
      if (mode == m_nFeatureDisplay) m_nFeatureDisplay = 0;
    }
    return true;
  }
  if (DecodeFamily(id, kSetupFirst, analysis, threeD)) {
    if (analysis <= kOscillograph) {
      SetupDoubleCapable(analysis, threeD);
    } else {
      SetupSingle(analysis, threeD);
    }
    return true;
  }
  if (DecodeFamily(id, kComputeFirst, analysis, threeD)) {
    if (!m_pLeftSamples) return true;  // nothing to analyse without the frame arrays
    for (ViewFeature* feature : m_features) {
      if (feature->RunsPass(*this, analysis)) {
        feature->RunPass(*this, analysis, threeD);
        return true;
      }
    }
    switch (analysis) {
      case kSpectrum:
        SpectrumPass(threeD);
        break;
      case kPhase:
        PhasePass(threeD);
        break;
      case kOscillograph:
        OscillographPass(threeD);
        break;
      case kLissajous:
        LissajousPass(threeD);
        break;
      case kCorrelation:
        CorrelationPass(threeD);
        break;
      default:
        PowerSpectrumPass(threeD);
        break;
    }
    return true;
  }
  if (DecodeFamily(id, kTeardownFirst, analysis, threeD)) {
    Teardown(threeD);
    return true;
  }
  switch (id) {
    case ID_FILE_SAVE_BMP:
      OnFileSaveBmp();
      return true;
    case ID_FILE_PRINT_SETUP:
      OnFilePrintSetup();
      return true;
    case ID_FILE_PRINT:
      OnFilePrint();
      return true;
    case ID_FILE_PRINT_PREVIEW:
      OnFilePrintPreview();
      return true;
    case ID_EXPORT_DATA:
      OnExportData();
      return true;
    case ID_HELP_CONTENTS:
      OnHelpContents();
      return true;
    default:
      return false;
  }
}

void CAurivueView::PrepareChart(ChartCtrl& chart, const char* title, int analysis, bool threeD) {
  const ChartTexts& t = kTexts[analysis];
  chart.SetTitle(title);
  chart.SetAxisTitles(t.xTitle, t.yTitle);
  if (threeD) {
    static_cast<Chart3DCtrl&>(chart).Set3DRange(t.bx0, t.bx1, t.by0, t.by1, 0, kDepth);
  } else {
    chart.SetRange(t.x0, t.x1, t.y0, t.y1);
  }
}

void CAurivueView::SetupDoubleCapable(int analysis, bool threeD) {
  const ChartTexts& t = kTexts[analysis];
  if (CurrentApp().m_nChannels == 2) {
    PrepareChart(FrameChart(0, threeD), t.top, analysis, threeD);
    PrepareChart(FrameChart(1, threeD), t.bottom, analysis, threeD);
    BuildLayout(threeD, 2);
  } else {
    PrepareChart(FrameChart(0, threeD), t.single, analysis, threeD);
    BuildLayout(threeD, 1);
  }
}

void CAurivueView::SetupSingle(int analysis, bool threeD) {
  PrepareChart(FrameChart(0, threeD), kTexts[analysis].single, analysis, threeD);
  BuildLayout(threeD, 1);
}

void CAurivueView::BuildLayout(bool threeD, int charts) {
  const int left = 0, top = 0, right = width(), bottom = height();
  DcRect rects[2];
  if (charts == 1) {
    rects[0] = DcRect{left, top, right, bottom};
  } else {
    const int d = (bottom - top) / 2;
    rects[0] = DcRect{left, top, right, bottom - d};
    rects[1] = DcRect{left, top + d, right, bottom};
  }
  for (int i = 0; i < charts; ++i) {
    ChartCtrl& chart = FrameChart(i, threeD);
    chart.SetSeriesCount(ChartSeriesFor(threeD));
    if (!chart.AllocSeries(ChartCapacityFor(threeD))) {
      ShowMessageBox(threeD ? "Error allocating chart serie" : "Can't Allocate Chart Serie!");
      return;
    }
    if (threeD) {
      for (int s = 0; s < k3DSeries; ++s) chart.SetSerieColor(s, RGB(255, 10 + 10 * s, 0));
      chart.SetGridDivisions(2, 2);
      chart.Create(WS_CHILD | WS_VISIBLE, rects[i], this, 300 + 240 * (charts == 2 ? 1 : 0));
    } else {
      chart.SetSerieColor(0, RGB(255, 0, 0));
      chart.SetGridDivisions(10, 4);
      chart.Create(WS_CHILD | WS_VISIBLE, rects[i], this, i == 0 ? 300 : 310);
    }
  }
}

void CAurivueView::Teardown(bool threeD) {
  for (int i = 0; i < 2; ++i) {
    ChartCtrl& chart = FrameChart(i, threeD);
    if (chart.HasWindow()) chart.DestroyWindow();
  }
}

ChartCtrl& CAurivueView::FrameChart(int chart, bool threeD) {
  if (threeD) return m_chart3D[chart];
  return m_chart2D[chart];
}

void CAurivueView::OnDraw(DeviceContext& dc) {
  const AppState& app = CurrentApp();
  if (ViewFeature* feature = DisplayFeatureFor(app.m_nDisplayMode)) {
    feature->PrintDisplay(*this, app.m_nDisplayMode, dc);
    return;
  }
  const bool threeD = app.m_nDisplayMode >= DISPLAY_MODE_FIRST_3D;
  const int analysis =
      app.m_nDisplayMode - (threeD ? DISPLAY_MODE_FIRST_3D : DISPLAY_MODE_FIRST_2D);
  if (analysis < kSpectrum || analysis > kPowerSpectrum) return;
  FrameChart(0, threeD).PrintChart(dc, 0, 0);
  if (analysis <= kOscillograph && app.m_nChannels == 2) {
    FrameChart(1, threeD).PrintChart(dc, 0, kPrintSecondChartY);
  }
}

void CAurivueView::DecodeFrame() {
  AppState& app = CurrentApp();
  DecodeFrameFrom(app.m_capture.GetReadyBuffer(), CaptureFormatOf(app).bufferBytes);
}

void CAurivueView::DecodeFrameFrom(const unsigned char* buffer, std::size_t bytes) {
  AppState& app = CurrentApp();
  if (!m_pLeftSamples || buffer == nullptr) return;
  const FrameFormat format = CaptureFormatOf(app).Frame(m_nSamples, app.m_fTimeBase);
  FramePeaks peaks =
      ::DecodeFrame(buffer, bytes, format, m_pLeftSamples.get(), m_pRightSamples.get());
  m_dLeftPeak = peaks.m_dLeftPeak;
  m_dLeftMin = peaks.m_dLeftMin;
  m_dRightPeak = peaks.m_dRightPeak;
  m_dRightMin = peaks.m_dRightMin;
}

void CAurivueView::PrepareSpectra() {
  const AppState& app = CurrentApp();
  const bool two = TwoChannels();
  SpectrumPeaks peaks =
      ::PrepareSpectra(m_fft, m_pLeftSamples.get(), two ? m_pRightSamples.get() : nullptr,
                       m_nSamples, app.m_nFftOrder, app.m_nFFTWindow, m_pLeftSpectrum.get(),
                       two ? m_pRightSpectrum.get() : nullptr);
  m_dLeftSpectrumPeak = peaks.m_dLeftSpectrumPeak;
  m_dLeftSpectrumMin = peaks.m_dLeftSpectrumMin;
  m_dRightSpectrumPeak = peaks.m_dRightSpectrumPeak;
  m_dRightSpectrumMin = peaks.m_dRightSpectrumMin;
}

bool CAurivueView::ComputeCorrelation(double& normaliser) {
  if (!m_pCorrelation) {
    ShowMessageBox("Can't Allocate Memory !");
    return false;
  }
  normaliser = ::ComputeCorrelation(m_fft, m_pLeftSpectrum.get(),
                                    TwoChannels() ? m_pRightSpectrum.get() : nullptr,
                                    CurrentApp().m_nFftOrder, m_pCorrelation.get());
  return true;
}
