#include "features/response/response_feature.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/pcm_samples.h"
#include "analysis/response_display.h"
#include "features/response/response_parameters.h"
#include "features/stimulus_output.h"
#include "platform/capture_ring.h"
#include "platform/ring_read.h"
#include "view/aurivue_view.h"
#include "view/capture_format.h"
#include "view/csv_export.h"
#include "view/display_modes.h"

namespace {

ResponseFeature* g_current = nullptr;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Frames read out of the ring at a time.
constexpr std::size_t kChunk = 4096;
// Points of the log-frequency traces drawn; the export holds every bin.
constexpr int kGridPoints = 800;
constexpr int kImpulsePoints = 8192;
// A record of the swept sine runs this long past the sweep, for the device's latency and its
// response to die away; where the sweep's arrival was seen, this long past its end. Half a
// second holds the latency of a sound server's loop (20 to 50 ms here) many times over, and
// keeps a 10-second sweep at 48 kHz within a transform of 2^19 points.
constexpr double kRecordRoomSeconds = 0.5;
constexpr double kDecaySeconds = 0.2;
// Samples a record caught at the sweep's onset keeps before it.
constexpr std::int64_t kOnsetLead = 64;
// A sweep arriving at the input without the generator is caught when the reference rises above
// this share of full scale after at least kQuietSeconds below it.
constexpr double kOnsetShare = 0.003;
constexpr double kQuietSeconds = 0.05;
constexpr int kPrintSecondY = 1400;
// The size of the dual-channel transforms while the spectrum's FFT size is the described one.
constexpr int kDefaultOrder = 14;

int OrderOf(int size) {
  int order = 0;
  while ((1 << order) < size) ++order;
  return order;
}

constexpr COLORREF kSeriesColors[] = {RGB(255, 0, 0),   RGB(0, 0, 255),   RGB(0, 140, 0),
                                      RGB(160, 0, 160), RGB(200, 120, 0), RGB(0, 150, 150)};

// Sets a chart's y range and as many grid divisions of a whole step as fit, at most eight.
void SetYRange(ResponseChart& chart, double x0, double x1, double lo, double hi, double step) {
  while ((hi - lo) / step > 8) {
    step *= 2;
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;
  }
  chart.SetGridDivisions(10, std::max(1, static_cast<int>(std::lround((hi - lo) / step))));
  chart.SetRange(x0, x1, lo, hi);
}

std::string Figure(const char* format, double v) {
  char text[64];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

}  // namespace

ResponseFeature::ResponseFeature() {
  g_current = this;
  static bool registered = false;
  if (registered) return;
  registered = true;
  // The analyser's choices and what it found head the files of its displays, and no other.
  AddCsvMetadataSource([](const AppState& app, CsvMetadata& m) {
    const ResponseFeature* feature = Current();
    if (feature == nullptr || !feature->ShowsDisplay(app.m_nDisplayMode)) return;
    const ResponseSettings& s = CurrentResponseSettings();
    for (auto& line : ParameterCsvLines(ResponseParameters(), &s)) {
      m.push_back(line);
      // How many transforms the dual method's average holds follows the average.
      if (line.first == "response_average") {
        m.emplace_back("response_transforms", std::to_string(feature->m_nTransforms));
      }
    }
    if (feature->HasResults() && feature->m_dRate > 0) {
      m.emplace_back("delay_ms", FormatCsvNumber(1000.0 * feature->m_dDelay / feature->m_dRate));
    }
  });
}

ResponseFeature::~ResponseFeature() {
  QObject::disconnect(m_viewGone);
  for (auto& chart : m_charts) delete chart.data();
  if (g_current == this) g_current = nullptr;
}

ResponseFeature* ResponseFeature::Current() { return g_current; }

bool ResponseFeature::ShowsDisplay(int mode) const {
  return mode == kResponseMode || mode == kImpulseResponseMode || mode == kDistortionMode;
}

void ResponseFeature::CreateParts(const FrameParts& parts) {
  m_parts = parts;
  if (parts.menuBar == nullptr) return;
  QMenu* menu = AddMenuBeforeHelp(parts.menuBar, "&Response");
  m_pMenu = menu;
  QWidget* owner = parts.owner;
  auto add = [this, owner](QMenu* into, const QString& text, int id, const QString& tip,
                           bool checkable) {
    m_actions.push_back(AddCommand(into, owner, text, id, tip, checkable));
  };
  add(menu, "&Dual Channel", ID_RESPONSE_DUAL,
      "Measure with any stimulus: one input is the reference, the other the device's output", true);
  add(menu, "&Swept Sine", ID_RESPONSE_SWEEP,
      "Measure with a logarithmic sweep: response, impulse response and distortion", true);
  menu->addSeparator();
  add(menu, "Reference &Left", ID_RESPONSE_REFERENCE_LEFT,
      "The left input carries what goes into the device", true);
  add(menu, "Reference &Right", ID_RESPONSE_REFERENCE_RIGHT,
      "The right input carries what goes into the device", true);
  menu->addSeparator();
  add(menu, "Average L&inear", ID_RESPONSE_AVERAGE_LINEAR,
      "Average every transform since POWER on or the last restart alike", true);
  add(menu, "Average &Exponential", ID_RESPONSE_AVERAGE_EXPONENTIAL,
      "Let older transforms fade, so that the response follows a change", true);
  add(menu, "Res&tart Averages", ID_RESPONSE_RESTART, "Forget the averages and start again", false);
  add(menu, "Start S&weep", ID_RESPONSE_START_SWEEP,
      "Play the sweep on the generator and measure it", false);
  menu->addSeparator();
  QMenu* smoothing = menu->addMenu("S&moothing");
  for (std::size_t i = 0; i < std::size(kSmoothingChoices); ++i) {
    const int n = kSmoothingChoices[i];
    add(smoothing, n == 0 ? QString("&Off") : QString("1/%1 Octave").arg(n),
        ID_RESPONSE_SMOOTHING_FIRST + static_cast<int>(i), "Smooth the response over a band", true);
  }
  add(menu, "&Unwrapped Phase", ID_RESPONSE_PHASE_UNWRAPPED,
      "Show the phase continuous instead of within -180 .. 180 degrees", true);
  add(menu, "&Group Delay", ID_RESPONSE_GROUP_DELAY,
      "Show the group delay below the magnitude instead of the phase", true);
  menu->addSeparator();
  add(menu, "Store Re&ference Trace", ID_RESPONSE_STORE_REFERENCE,
      "Keep the response shown now, to compare the next ones against", false);
  add(menu, "&Clear Reference Trace", ID_RESPONSE_CLEAR_REFERENCE, "Forget the stored response",
      false);
  QObject::connect(menu, &QMenu::aboutToShow, menu, [this] { UpdateCommands(); });
  // The Classic window keeps its menus: this one shows with the analyser's displays.
  m_pMenu->menuAction()->setVisible(false);
}

void ResponseFeature::UpdateCommands() {
  const ResponseSettings& s = CurrentResponseSettings();
  for (QAction* action : m_actions) {
    const int id = action->data().toInt();
    bool checked = false;
    bool enabled = true;
    switch (id) {
      case ID_RESPONSE_DUAL:
        checked = s.method == ResponseSettings::kDual;
        break;
      case ID_RESPONSE_SWEEP:
        checked = s.method == ResponseSettings::kSweep;
        break;
      case ID_RESPONSE_REFERENCE_LEFT:
        checked = !s.referenceRight;
        break;
      case ID_RESPONSE_REFERENCE_RIGHT:
        checked = s.referenceRight;
        break;
      case ID_RESPONSE_AVERAGE_LINEAR:
        checked = s.averaging == kTransferLinear;
        enabled = s.method == ResponseSettings::kDual;
        break;
      case ID_RESPONSE_AVERAGE_EXPONENTIAL:
        checked = s.averaging == kTransferExponential;
        enabled = s.method == ResponseSettings::kDual;
        break;
      case ID_RESPONSE_START_SWEEP:
        enabled = s.method == ResponseSettings::kSweep && CurrentApp().m_bPowerOn != 0;
        break;
      case ID_RESPONSE_PHASE_UNWRAPPED:
        checked = s.phaseUnwrapped;
        break;
      case ID_RESPONSE_GROUP_DELAY:
        checked = s.groupDelay;
        break;
      case ID_RESPONSE_STORE_REFERENCE:
        enabled = m_bHasResults;
        break;
      case ID_RESPONSE_CLEAR_REFERENCE:
        enabled = m_bHasReference;
        break;
      default:
        if (id >= ID_RESPONSE_SMOOTHING_FIRST &&
            id < ID_RESPONSE_SMOOTHING_FIRST + static_cast<int>(std::size(kSmoothingChoices))) {
          checked = s.smoothing == kSmoothingChoices[id - ID_RESPONSE_SMOOTHING_FIRST];
        }
    }
    action->setChecked(checked);
    action->setEnabled(enabled);
  }
}

bool ResponseFeature::OnCommand(int id) {
  if (id < ID_RESPONSE_FIRST || id > ID_RESPONSE_LAST) return false;
  ResponseSettings& s = CurrentResponseSettings();
  const ResponseSettings before = s;
  switch (id) {
    case ID_RESPONSE_DUAL:
    case ID_RESPONSE_SWEEP:
      s.method = id == ID_RESPONSE_SWEEP ? ResponseSettings::kSweep : ResponseSettings::kDual;
      break;
    case ID_RESPONSE_REFERENCE_LEFT:
    case ID_RESPONSE_REFERENCE_RIGHT:
      s.referenceRight = id == ID_RESPONSE_REFERENCE_RIGHT;
      break;
    case ID_RESPONSE_AVERAGE_LINEAR:
    case ID_RESPONSE_AVERAGE_EXPONENTIAL:
      s.averaging = id == ID_RESPONSE_AVERAGE_EXPONENTIAL ? kTransferExponential : kTransferLinear;
      break;
    case ID_RESPONSE_RESTART:
      Restart();
      return true;
    case ID_RESPONSE_START_SWEEP:
      StartSweep();
      return true;
    case ID_RESPONSE_PHASE_UNWRAPPED:
      s.phaseUnwrapped = !s.phaseUnwrapped;
      break;
    case ID_RESPONSE_GROUP_DELAY:
      s.groupDelay = !s.groupDelay;
      break;
    case ID_RESPONSE_STORE_REFERENCE:
      if (m_bHasResults) {
        m_reference = m_shown;
        m_bHasReference = true;
      }
      break;
    case ID_RESPONSE_CLEAR_REFERENCE:
      m_reference = ResponseTrace();
      m_bHasReference = false;
      break;
    default:
      if (id >= ID_RESPONSE_SMOOTHING_FIRST &&
          id < ID_RESPONSE_SMOOTHING_FIRST + static_cast<int>(std::size(kSmoothingChoices))) {
        s.smoothing = kSmoothingChoices[id - ID_RESPONSE_SMOOTHING_FIRST];
      }
  }
  if (!(s == before)) {
    SaveResponseProfile(s);
    // A change of what is measured, or how, starts the measurement again; the others only
    // change what is drawn of it.
    if (s.method != before.method || s.referenceRight != before.referenceRight) {
      Restart();
    } else if (s.averaging != before.averaging && m_pStream) {
      m_pStream->SetAveraging(
          static_cast<TransferAveraging>(s.averaging),
          TransferEstimator::ExponentialWeight(m_pStream->Size() / 2 / std::max(m_dRate, 1.0),
                                               s.averageSeconds));
    }
  }
  ChangeSettings();
  return true;
}

void ResponseFeature::ChangeSettings() {
  if (m_bHasResults) {
    // The shown trace again from the unsmoothed one.
    m_shown = m_raw;
    const int fraction = CurrentResponseSettings().smoothing;
    if (fraction > 0 && m_shown.Points() > 0) {
      if (!m_pSmoother || m_nSmootherBins < m_shown.Points()) {
        m_pSmoother = std::make_unique<OctaveSmoother>(m_shown.Points());
        m_nSmootherBins = m_shown.Points();
      }
      m_pSmoother->SmoothTrace(m_shown, fraction);
    }
  }
  if (m_nMode != 0 && m_charts[0]) Draw(m_nMode);
}

void ResponseFeature::Restart() {
  m_pStream.reset();
  m_pSweep.reset();
  m_pRing = nullptr;
  m_bFromNow = true;
  m_bRecording = false;
  m_bSweepAsked = false;
  m_bGeneratorSweep = false;
}

void ResponseFeature::Prepare(const CaptureRing& ring) {
  const AppState& app = CurrentApp();
  const CaptureFormat format = CaptureFormatOf(app);
  const ResponseSettings& s = CurrentResponseSettings();
  m_pRing = &ring;
  m_measuring = s;
  const uint64_t end = ring.WritePosition();
  const uint64_t reach = RingReach(ring);
  // Every transform since POWER on, as far back as the ring still holds; after a restart, from
  // now.
  m_nNext = m_bFromNow ? end : (end > reach ? end - reach : 0);
  m_bFromNow = false;
  m_dRate = format.sampleRate;
  m_nChannels = format.channels;
  m_nBits = format.bits;
  m_nSilence = format.silenceByte;
  m_bytes.assign(kChunk * format.frameBytes, 0);
  m_left.assign(kChunk, 0.0);
  m_right.assign(kChunk, 0.0);
  if (s.method == ResponseSettings::kDual) {
    TransferSettings t;
    const int size = app.m_spectrum.fftSize;
    t.fftOrder = size > 0 ? OrderOf(size) : kDefaultOrder;
    t.rate = m_dRate;
    t.averaging = static_cast<TransferAveraging>(s.averaging);
    m_pStream = std::make_unique<ResponseStream>(t);
    t.exponentialWeight =
        TransferEstimator::ExponentialWeight(m_pStream->Size() / 2 / m_dRate, s.averageSeconds);
    m_pStream->SetAveraging(t.averaging, t.exponentialWeight);
    m_pSweep.reset();
  } else {
    m_pStream.reset();
    // A sweep above what the rate can carry stops at half the rate.
    const double stop = std::min(s.sweepStopHz, 0.5 * m_dRate);
    m_pSweep.reset();
    if (!LogSweep::Valid(s.sweepStartHz, stop, s.sweepSeconds, m_dRate)) {
      m_sweepError = "the sweep " + Figure("%g", s.sweepStartHz) + " - " + Figure("%g", stop) +
                     " Hz cannot be played at this rate";
      return;
    }
    const LogSweep sweep(s.sweepStartHz, stop, s.sweepSeconds, m_dRate);
    m_pSweep = std::make_unique<SweepAnalyser>(sweep);
    m_nRecordWanted = static_cast<std::int64_t>(sweep.Frames()) +
                      static_cast<std::int64_t>(kRecordRoomSeconds * m_dRate);
    m_recordReference.assign(static_cast<std::size_t>(m_nRecordWanted), 0.0);
    m_recordMeasured.assign(static_cast<std::size_t>(m_nRecordWanted), 0.0);
    m_nRecordEnd = m_nRecordWanted;
    // One input: the known stimulus is the reference, the sweep's start found by correlation.
    // In the input's counts: at the level the generator plays it, so that a device of unity
    // gain reads 0 dB; a sweep from elsewhere is measured against a full-scale one.
    if (m_nChannels == 1) {
      const double fullScale = FullScale(m_nBits);
      const StimulusOutput* output = CurrentStimulusOutput();
      const double level = output != nullptr && output->Playing()
                               ? std::pow(10.0, SweepRequest().levelDbfs / 20)
                               : 1.0;
      sweep.Generate(fullScale * level, m_recordReference.data(), m_recordReference.size());
    }
    if (!m_pSweep->Prepare(m_nRecordWanted)) {
      m_sweepError = "the sweep is too long to be analysed at this rate";
      m_pSweep.reset();
      return;
    }
    m_nRecorded = 0;
    m_bRecording = false;
    m_nQuiet = static_cast<std::int64_t>(kQuietSeconds * m_dRate);  // armed from the start
    m_sweepError.clear();
  }
}

void ResponseFeature::FollowSettings() {
  if (!m_pStream && !m_pSweep) return;
  const ResponseSettings& s = CurrentResponseSettings();
  const ResponseSettings& was = m_measuring;
  if (s.method != was.method || s.referenceRight != was.referenceRight ||
      s.sweepStartHz != was.sweepStartHz || s.sweepStopHz != was.sweepStopHz ||
      s.sweepSeconds != was.sweepSeconds) {
    Restart();
    return;
  }
  if (m_pStream && (s.averaging != was.averaging || s.averageSeconds != was.averageSeconds)) {
    m_pStream->SetAveraging(static_cast<TransferAveraging>(s.averaging),
                            TransferEstimator::ExponentialWeight(
                                m_pStream->Size() / 2 / std::max(m_dRate, 1.0), s.averageSeconds));
    m_measuring.averaging = s.averaging;
    m_measuring.averageSeconds = s.averageSeconds;
  }
}

void ResponseFeature::StartSweep() {
  StimulusOutput* output = CurrentStimulusOutput();
  m_bSweepAsked = true;
  if (output == nullptr || !m_pSweep) return;  // the sweep is caught when it arrives
  const LogSweep& sweep = m_pSweep->Sweep();
  SweepRequest request;
  request.startHz = sweep.StartHz();
  request.stopHz = sweep.StopHz();
  request.seconds = CurrentResponseSettings().sweepSeconds;
  // The record starts with the request, at the newest frame captured before the output is
  // asked to play: what the ring holds from before was captured before the sweep could play,
  // and reading it into the record would add however long the analysis lagged behind the
  // capture to the latency found. Starting the output takes a while, and the sweep may reach
  // the input before that call returns.
  const std::shared_ptr<const CaptureRing> ring = CurrentApp().m_capture.GetRing();
  const uint64_t requested = ring ? ring->WritePosition() : 0;
  std::string error;
  if (!output->PlaySweep(request, error)) {
    m_sweepError = error;
    return;
  }
  m_sweepError.clear();
  if (ring && ring.get() == m_pRing) m_nNext = std::max(m_nNext, requested);
  // One input: the known stimulus is the sweep at the level the generator plays it now, so that
  // a device of unity gain reads 0 dB whatever played before.
  if (m_nChannels == 1) {
    const double fullScale = FullScale(m_nBits);
    sweep.Generate(fullScale * std::pow(10.0, request.levelDbfs / 20), m_recordReference.data(),
                   m_recordReference.size());
  }
  // When the sweep reaches the input is not known yet: the record keeps the whole room for the
  // latency until its onset shows.
  m_nRecordEnd = m_nRecordWanted;
  m_bOnsetSeen = false;
  m_nRecorded = 0;
  m_bRecording = true;
  m_bGeneratorSweep = true;
}

void ResponseFeature::Consume(const double* left, const double* right, std::int64_t count) {
  const bool swap = CurrentResponseSettings().referenceRight && m_nChannels == 2;
  const double* reference = swap ? right : left;
  const double* measured = swap ? left : right;
  if (m_pStream) {
    m_nAdded += m_pStream->Push(reference, measured, count);
    return;
  }
  if (!m_pSweep || m_nRecordWanted <= 0) return;
  // One input: its samples are the measured ones.
  if (m_nChannels == 1) measured = left;
  std::int64_t from = 0;
  const double limit = kOnsetShare * FullScale(m_nBits);
  const double* watched = m_nChannels == 1 ? left : reference;
  const auto sweepFrames = static_cast<std::int64_t>(m_pSweep->Sweep().Frames());
  const auto decay = static_cast<std::int64_t>(kDecaySeconds * m_dRate);
  if (!m_bRecording) {
    if (m_bGeneratorSweep) return;  // the generator's next sweep starts the next record
    // Without the generator: wait for a sweep after a quiet stretch.
    const std::int64_t quiet = static_cast<std::int64_t>(kQuietSeconds * m_dRate);
    for (; from < count; ++from) {
      if (std::fabs(watched[from]) < limit) {
        ++m_nQuiet;
      } else if (m_nQuiet >= quiet) {
        break;
      } else {
        m_nQuiet = 0;
      }
    }
    if (from == count) return;
    // A few samples before the onset, for the deconvolution to place the start.
    const std::int64_t onset = from;
    from = std::max<std::int64_t>(0, from - kOnsetLead);
    m_bRecording = true;
    m_nRecorded = 0;
    // The sweep's start is known: the record ends once the response has died away after its
    // end, so that the result is drawn soon after the sweep.
    m_nRecordEnd = std::min(m_nRecordWanted, onset - from + sweepFrames + decay);
    m_bOnsetSeen = true;
  } else if (!m_bOnsetSeen) {
    // The generator's sweep arriving: from its first sample above silence the record needs the
    // sweep and its decay, not the whole room kept for an unknown latency.
    for (std::int64_t i = from; i < count; ++i) {
      if (std::fabs(watched[i]) >= limit) {
        m_nRecordEnd = std::min(m_nRecordWanted, m_nRecorded + (i - from) + sweepFrames + decay);
        m_bOnsetSeen = true;
        break;
      }
    }
  }
  const std::int64_t take = std::min(count - from, m_nRecordEnd - m_nRecorded);
  for (std::int64_t i = 0; i < take; ++i) {
    if (m_nChannels == 2) m_recordReference[m_nRecorded + i] = reference[from + i];
    m_recordMeasured[m_nRecorded + i] = measured[from + i];
  }
  m_nRecorded += take;
  if (m_nRecorded >= m_nRecordEnd) {
    m_bRecording = false;
    m_nQuiet = 0;
    FinishSweep();
  }
}

void ResponseFeature::FinishDual() {
  m_pStream->Evaluate();
  const TransferEstimator& e = m_pStream->Estimator();
  if (e.Transforms() == 0) return;
  m_raw = e.Trace();
  m_dDelay = e.DelaySamples();
  m_distortion = DistortionTrace();
  // The impulse response from the response with its delay put back.
  const int n = e.Size();
  if (!m_pInverse || m_pInverse->Size() != n)
    m_pInverse = std::make_unique<RealInverseFft>(OrderOf(n));
  ImpulseFromTrace(m_raw, m_dDelay, *m_pInverse, m_work, m_circular);
  m_nImpulseZero = n / 32;
  CutAround(m_circular, static_cast<int>(std::lround(m_dDelay)), n / 32, n / 8, m_impulse);
  m_nTransforms = e.Transforms();
  m_bHasResults = true;
  m_bFresh = true;
}

void ResponseFeature::FinishSweep() {
  const bool ok = m_pSweep->Analyse(m_recordReference.data(), m_nRecordEnd, m_recordMeasured.data(),
                                    m_nRecordEnd);
  if (!ok) {
    m_sweepError = "the record holds no sweep";
    return;
  }
  m_sweepError.clear();
  m_raw = m_pSweep->Response();
  m_distortion = m_pSweep->Distortion();
  m_impulse = m_pSweep->ImpulseResponse();
  m_nImpulseZero = m_pSweep->ImpulseZero();
  m_dDelay = m_pSweep->LatencySamples();
  ++m_nTransforms;
  m_bHasResults = true;
  m_bFresh = true;
}

bool ResponseFeature::Pass(CAurivueView& /*view*/, int mode) {
  AppState& app = CurrentApp();
  const std::shared_ptr<const CaptureRing> ring = app.m_capture.GetRing();
  if (!ring) return false;
  // A setup opened meanwhile (File > Open Setup, --setup) may have changed what is measured or
  // how: it takes effect now, as the same change from the menu does.
  FollowSettings();
  if (ring.get() != m_pRing) Prepare(*ring);
  if (!m_pStream && !m_pSweep) return false;
  // The generator sweeps by itself only while its OUTPUT is on, the stimulus wired to the
  // device; else a sweep arriving at the input is caught (Start Sweep plays one at any time).
  const StimulusOutput* output = CurrentStimulusOutput();
  if (m_pSweep && !m_bSweepAsked && app.m_bPowerOn != 0 && output != nullptr && output->Playing()) {
    StartSweep();
  }
  uint64_t end = ring->WritePosition();
  // A ring counting from the start again is a new capture.
  if (m_nNext > end) {
    Prepare(*ring);
    end = ring->WritePosition();
  }
  const uint64_t reach = RingReach(*ring);
  // What the ring no longer holds is lost to the analysis, not read as silence.
  if (end > reach && m_nNext < end - reach) m_nNext = end - reach;
  m_nAdded = 0;
  m_bFresh = false;
  bool read = false;
  while (m_nNext < end) {
    const std::size_t count = static_cast<std::size_t>(std::min<uint64_t>(end - m_nNext, kChunk));
    if (ReadFramesEndingAt(*ring, m_nNext + count, count, m_nSilence, m_bytes.data()) !=
        RingRead::kCopied) {
      break;
    }
    DecodeChannel(m_bytes.data(), count, m_nChannels, m_nBits, 0, m_left.data());
    if (m_nChannels == 2) {
      DecodeChannel(m_bytes.data(), count, m_nChannels, m_nBits, 1, m_right.data());
    } else {
      std::copy(m_left.begin(), m_left.begin() + static_cast<std::ptrdiff_t>(count),
                m_right.begin());
    }
    Consume(m_left.data(), m_right.data(), static_cast<std::int64_t>(count));
    m_nNext += count;
    read = true;
  }
  if (!read) return false;
  if (m_pStream && m_nAdded > 0) FinishDual();
  if (!m_bFresh) return false;
  ChangeSettings();  // smooths and draws
  (void)mode;
  ++app.m_nAnalysisUpdates;
  return true;
}

void ResponseFeature::SetupDisplay(CAurivueView& view, int mode) {
  m_nMode = mode;
  if (m_pMenu != nullptr) m_pMenu->menuAction()->setVisible(true);
  // Leaving for a display of another kind, the view goes without a teardown of this one: the
  // menu goes with the view.
  QObject::disconnect(m_viewGone);
  m_viewGone = QObject::connect(&view, &QObject::destroyed, [this] {
    m_nMode = 0;
    if (m_pMenu != nullptr) m_pMenu->menuAction()->setVisible(false);
  });
  const int charts = mode == kDistortionMode ? 1 : 2;
  const int series = mode == kResponseMode ? 2 : (mode == kDistortionMode ? 5 : 1);
  const int capacity = mode == kImpulseResponseMode ? kImpulsePoints : kGridPoints;
  const int w = view.width(), h = view.height();
  for (int i = 0; i < 2; ++i) {
    delete m_charts[i].data();
    m_charts[i] = nullptr;
    if (i >= charts) continue;
    auto* chart = new ResponseChart();
    chart->SetSeriesCount(series);
    chart->AllocSeries(capacity);
    for (int s = 0; s < series; ++s) chart->SetSerieColor(s, kSeriesColors[s]);
    chart->SetGridDivisions(10, 4);
    const DcRect rect = charts == 1
                            ? DcRect{0, 0, w, h}
                            : (i == 0 ? DcRect{0, 0, w, h - h / 2} : DcRect{0, h / 2, w, h});
    chart->SetLogX(mode != kImpulseResponseMode);
    chart->Create(WS_CHILD | WS_VISIBLE, rect, &view, 300 + i * 10);
    m_charts[i] = chart;
  }
  m_nCharts = charts;
  Draw(mode);
}

void ResponseFeature::TeardownDisplay(CAurivueView& /*view*/, int /*mode*/) {
  for (auto& chart : m_charts) {
    if (chart) chart->DestroyWindow();
    delete chart.data();
    chart = nullptr;
  }
  m_nMode = 0;
  m_nCharts = 0;
  if (m_pMenu != nullptr) m_pMenu->menuAction()->setVisible(false);
}

void ResponseFeature::ComputeDisplay(CAurivueView& view, int mode) { Pass(view, mode); }

bool ResponseFeature::LiveDisplay(CAurivueView& view, int mode) { return Pass(view, mode); }

void ResponseFeature::PrintDisplay(CAurivueView& /*view*/, int /*mode*/, DeviceContext& dc) {
  if (m_charts[0]) m_charts[0]->PrintChart(dc, 0, 0);
  if (m_charts[1]) m_charts[1]->PrintChart(dc, 0, kPrintSecondY);
}

bool ResponseFeature::DisplayCsvRows(CAurivueView& /*view*/, int mode, std::string& rows) {
  if (mode == kResponseMode) {
    rows = ResponseCsv(m_shown);
  } else if (mode == kImpulseResponseMode) {
    rows = ImpulseCsv(m_impulse, m_nImpulseZero, m_dRate > 0 ? m_dRate : 44100);
  } else if (mode == kDistortionMode) {
    rows = DistortionCsv(m_distortion);
  } else {
    return false;
  }
  return true;
}

double ResponseFeature::QuantityValue(const ResponseQuantity& q) const {
  if (!m_bHasResults) return kNaN;
  ResponseResults r;
  r.response = &m_shown;
  r.distortion = m_distortion.frequencyHz.empty() ? nullptr : &m_distortion;
  r.delaySamples = m_dDelay;
  r.rate = m_dRate;
  return ResponseQuantityValue(q, r);
}

std::string ResponseFeature::Status() const {
  const ResponseSettings& s = CurrentResponseSettings();
  if (!m_sweepError.empty()) return m_sweepError;
  if (s.method == ResponseSettings::kDual && m_nChannels != 2) {
    return "the dual-channel method needs two inputs";
  }
  if (!m_bHasResults) {
    if (s.method == ResponseSettings::kSweep) {
      return m_bRecording ? "measuring the sweep"
                          : (m_bGeneratorSweep ? "Start Sweep plays the next sweep"
                                               : "waiting for a sweep at the input");
    }
    return "waiting for the signal";
  }
  std::string text = "delay " + Figure("%.3f", m_dRate > 0 ? 1000.0 * m_dDelay / m_dRate : 0) +
                     " ms (" + Figure("%.2f", m_dDelay) + " samples)";
  if (s.method == ResponseSettings::kDual) {
    text += ", " + std::to_string(m_nTransforms) + " averages";
  } else if (m_bRecording) {
    text += ", measuring the next sweep";
  }
  return text;
}

void ResponseFeature::Draw(int mode) {
  if (!m_charts[0]) return;
  if (mode == kResponseMode) {
    DrawResponse();
  } else if (mode == kImpulseResponseMode) {
    DrawImpulse();
  } else {
    DrawDistortion();
  }
  for (auto& chart : m_charts) {
    if (chart) chart->Refresh(1);
  }
}

void ResponseFeature::DrawResponse() {
  const ResponseSettings& s = CurrentResponseSettings();
  const double rate = m_dRate > 0 ? m_dRate : CurrentApp().m_nSampleRate;
  double lo = 20, hi = std::min(20000.0, rate / 2);
  if (s.method == ResponseSettings::kSweep && m_pSweep) {
    lo = m_pSweep->Sweep().StartHz();
    hi = std::min(m_pSweep->Sweep().StopHz(), rate / 2);
  }
  LogFrequencyGrid(lo, hi, kGridPoints, m_grid);
  const std::vector<double>& phase =
      s.phaseUnwrapped ? m_shown.phaseUnwrappedDeg : m_shown.phaseDeg;
  SampleOnGrid(m_shown.frequencyHz, m_shown.gainDb, m_grid, m_column[0]);
  SampleOnGrid(m_reference.frequencyHz, m_reference.gainDb, m_grid, m_column[1]);
  SampleOnGrid(m_shown.frequencyHz, m_shown.coherence, m_grid, m_column[2]);
  if (s.groupDelay) {
    SampleOnGrid(m_shown.frequencyHz, m_shown.groupDelaySeconds, m_grid, m_column[3]);
    SampleOnGrid(m_reference.frequencyHz, m_reference.groupDelaySeconds, m_grid, m_column[4]);
    for (int c : {3, 4}) {
      for (double& v : m_column[c]) v *= 1000.0;
    }
  } else {
    SampleOnGrid(m_shown.frequencyHz, phase, m_grid, m_column[3]);
    SampleOnGrid(m_reference.frequencyHz,
                 s.phaseUnwrapped ? m_reference.phaseUnwrappedDeg : m_reference.phaseDeg, m_grid,
                 m_column[4]);
  }
  double y0 = -40, y1 = 10;
  m_both.assign(m_column[0].begin(), m_column[0].end());
  m_both.insert(m_both.end(), m_column[1].begin(), m_column[1].end());
  RangeOf(m_both, 10, 30, y0, y1);
  double p0 = -180, p1 = 180;
  if (s.groupDelay) {
    p0 = -1;
    RangeOf(m_column[3], 1, 2, p0, p1);
  } else if (s.phaseUnwrapped) {
    RangeOf(m_column[3], 90, 360, p0, p1);
  }
  ResponseChart& top = *m_charts[0];
  ResponseChart& bottom = *m_charts[1];
  top.SetTitle("Response: " + Status());
  top.SetAxisTitles("Hz", "dB");
  bottom.SetTitle(s.groupDelay ? "Group delay"
                               : (s.phaseUnwrapped ? "Phase (unwrapped)" : "Phase"));
  bottom.SetAxisTitles("Hz", s.groupDelay ? "ms" : "deg");
  SetYRange(top, std::log10(lo), std::log10(hi), y0, y1, 10);
  SetYRange(bottom, std::log10(lo), std::log10(hi), p0, p1, s.groupDelay ? 1 : 90);
  bottom.SetBreakAbove(s.groupDelay || s.phaseUnwrapped ? 0 : 180);
  std::vector<unsigned char>& greyed = top.Greyed();
  greyed.assign(m_grid.size(), 0);
  for (std::size_t i = 0; i < m_grid.size(); ++i) {
    const double c = m_column[2][i];
    greyed[i] = std::isfinite(c) && c < s.coherenceThreshold ? 1 : 0;
    const double x = std::log10(m_grid[i]);
    const int at = static_cast<int>(i);
    top.SetPoint(x, m_column[0][i], at, 0);
    top.SetPoint(x, m_column[1][i], at, 1);
    bottom.SetPoint(x, m_column[3][i], at, 0);
    bottom.SetPoint(x, m_column[4][i], at, 1);
  }
  bottom.Greyed().assign(greyed.begin(), greyed.end());
  top.Band().assign(m_column[2].begin(), m_column[2].end());
  std::vector<ChartLegendEntry> legend;
  if (m_bHasReference) legend = {{"measured", kSeriesColors[0]}, {"stored", kSeriesColors[1]}};
  top.SetLegend(legend);
  bottom.SetLegend(legend);
}

void ResponseFeature::DrawImpulse() {
  const double rate = m_dRate > 0 ? m_dRate : CurrentApp().m_nSampleRate;
  ResponseChart& top = *m_charts[0];
  ResponseChart& bottom = *m_charts[1];
  const int n = static_cast<int>(m_impulse.size());
  const int stride = std::max(1, (n + kImpulsePoints - 1) / kImpulsePoints);
  // Time from the reference: the peak's whole sample sits at the delay's whole sample.
  const double whole = std::lround(m_dDelay);
  auto timeMs = [&](int i) { return 1000.0 * (whole + i - m_nImpulseZero) / rate; };
  double peak = 0;
  for (double v : m_impulse) peak = std::max(peak, std::fabs(v));
  const double t0 = n > 0 ? timeMs(0) : 0, t1 = n > 0 ? timeMs(n - 1) : 1;
  top.SetTitle("Impulse response: " + Status());
  top.SetAxisTitles("ms", "");
  bottom.SetTitle("Impulse response (dB)");
  bottom.SetAxisTitles("ms", "dB");
  const double amplitude = peak > 0 ? peak * 1.1 : 1;
  top.SetRange(t0, std::max(t1, t0 + 1e-3), -amplitude, amplitude);
  SetYRange(bottom, t0, std::max(t1, t0 + 1e-3), -120, 0, 20);
  int at = 0;
  for (int i = 0; i < n; i += stride, ++at) {
    // The strongest sample of each stride, so that the peak is drawn.
    int best = i;
    for (int j = i; j < std::min(n, i + stride); ++j) {
      if (std::fabs(m_impulse[j]) > std::fabs(m_impulse[best])) best = j;
    }
    const double v = m_impulse[best];
    top.SetPoint(timeMs(best), v, at, 0);
    const double level = peak > 0 && v != 0 ? 20 * std::log10(std::fabs(v) / peak) : -120;
    bottom.SetPoint(timeMs(best), std::max(level, -120.0), at, 0);
  }
  ChartMarks marks;
  marks.hasPoint = m_bHasResults;
  marks.point = 1000.0 * m_dDelay / rate;
  top.SetMarks(marks);
  bottom.SetMarks(marks);
}

void ResponseFeature::DrawDistortion() {
  const double rate = m_dRate > 0 ? m_dRate : CurrentApp().m_nSampleRate;
  const ResponseSettings& s = CurrentResponseSettings();
  const double lo = s.sweepStartHz;
  const double hi = std::max(lo * 2, std::min(s.sweepStopHz, rate / 2) / 2);
  LogFrequencyGrid(lo, hi, kGridPoints, m_grid);
  SampleOnGrid(m_distortion.frequencyHz, m_distortion.thdDb, m_grid, m_column[0]);
  for (int k = 2; k <= DistortionTrace::kMaxHarmonic; ++k) {
    SampleOnGrid(m_distortion.frequencyHz, m_distortion.harmonicDb[k], m_grid, m_column[k - 1]);
  }
  ResponseChart& chart = *m_charts[0];
  chart.SetTitle(
      s.method == ResponseSettings::kSweep
          ? "Distortion: " + Status()
          : std::string("Distortion: measured by the swept sine (Response > Swept Sine)"));
  chart.SetAxisTitles("Hz", "dB");
  double y0 = -100, y1 = 0;
  m_both.clear();
  for (int c = 0; c < 5; ++c) m_both.insert(m_both.end(), m_column[c].begin(), m_column[c].end());
  RangeOf(m_both, 10, 40, y0, y1);
  SetYRange(chart, std::log10(lo), std::log10(hi), y0, y1, 10);
  for (std::size_t i = 0; i < m_grid.size(); ++i) {
    for (int c = 0; c < 5; ++c) {
      chart.SetPoint(std::log10(m_grid[i]), m_column[c][i], static_cast<int>(i), c);
    }
  }
  chart.SetLegend({{"THD", kSeriesColors[0]},
                   {"H2", kSeriesColors[1]},
                   {"H3", kSeriesColors[2]},
                   {"H4", kSeriesColors[3]},
                   {"H5", kSeriesColors[4]}});
}

const ParameterTable* ResponseFeature::SetupTable() const { return &ResponseParameters(); }

void ResponseFeature::ReadSetup(void* settings) const {
  *static_cast<ResponseSettings*>(settings) = CurrentResponseSettings();
}

void ResponseFeature::ApplySetup(const void* settings, const SetupApplication& how) {
  if (how.stage != SetupApplication::Stage::kBeforeView || !how.whole) return;
  CurrentResponseSettings() = *static_cast<const ResponseSettings*>(settings);
  if (how.remember) SaveResponseProfile(CurrentResponseSettings());
}
