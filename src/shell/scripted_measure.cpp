// The measurement steps of a scripted run: the log from before POWER, then the measurement file
// and the expectations after every other step.
#include <cmath>
#include <cstdio>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/fft_engine.h"
#include "analysis/measurement_report.h"
#include "analysis/pcm_samples.h"
#include "analysis/response_expectation.h"
#include "analysis/spectrum_levels.h"
#include "analysis/spectrum_peaks.h"
#include "features/cursors/cursors_feature.h"
#include "features/measure/measure_feature.h"
#include "features/response/response_feature.h"
#include "platform/file_services.h"
#include "shell/main_frame.h"
#include "shell/scripted_run.h"
#include "view/file_error_text.h"
#include "view/measurement_log.h"
#include "view/measurement_station.h"

namespace {

bool Wanted(const CommandLineOptions& o) {
  return !o.measurePath.empty() || !o.expectations.empty() || !o.logPath.empty();
}

void Print(const std::string& program, const std::string& line) {
  std::fprintf(stderr, "%s: %s\n", program.c_str(), line.c_str());
}

// The peaks of --markers and the cursors of --cursors, as rows beside the quantities.
std::vector<ExtraMeasurement> ExtraMeasurements(const MeasurementStation& station,
                                                const CommandLineOptions& o) {
  std::vector<ExtraMeasurement> extras;
  const AppState& app = CurrentApp();
  if (o.markers > 0) {
    FftEngine fft;
    const int window = app.m_spectrum.flatTop ? kWindowFlatTop : app.m_nFFTWindow;
    for (int c = 0; c < station.Channels(); ++c) {
      const std::vector<double>& samples = station.Samples(c);
      const std::vector<MeasuredPeak> peaks =
          station.Updates() == 0
              ? std::vector<MeasuredPeak>()
              : MeasureSpectrumPeaks(fft, samples.data(), static_cast<int>(samples.size()),
                                     app.m_nSampleRate, window, FullScale(app.m_nBits), o.markers);
      for (int i = 0; i < o.markers; ++i) {
        const bool valid = i < static_cast<int>(peaks.size());
        const std::string name = "peak" + std::to_string(i + 1);
        const std::string channel(ChannelName(c));
        extras.push_back({channel, name + "_hz", valid ? peaks[i].hz : 0, "Hz", valid});
        extras.push_back({channel, name + "_db", valid ? peaks[i].db : 0, "dBFS", valid});
      }
    }
  }
  const CursorsFeature* cursors = CursorsFeature::Instance();
  if (o.cursorsGiven && cursors != nullptr) {
    const CursorNumbers n = cursors->FirstChartNumbers();
    extras.push_back({"cursor", "dx", n.dx, n.xUnit, n.hasDx});
    extras.push_back({"cursor", "inv_dx", n.invDx, n.invUnit, n.hasInvDx});
    extras.push_back({"cursor", "dy", n.dy, n.yUnit, n.hasDy});
  }
  return extras;
}

}  // namespace

bool StartScriptedMeasurements(CMainFrame* frame, const CommandLineOptions& options,
                               const std::string& program) {
  CursorsFeature* cursors = CursorsFeature::Instance();
  if ((options.cursorsGiven || options.markers > 0) && cursors != nullptr) {
    CursorSettings s = cursors->Settings();
    // The peaks measured are marked on the spectrum charts too.
    if (options.markers > 0) s.markers = options.markers;
    for (int i = 0; i < 4; ++i) {
      if (!options.cursors.placed[i]) continue;
      s.on[i] = true;
      s.placed[i] = true;
      s.value[i] = options.cursors.value[i];
    }
    cursors->Apply(s);
  }
  MeasurementStation* station = MeasurementsOf(frame->Features());
  MeasurementLog* log = MeasureLogOf(frame->Features());
  if (!Wanted(options) || station == nullptr || log == nullptr) return true;
  station->Want(MeasurementStation::kScriptUser, true);
  if (!options.logPath.empty() && !log->Start(options.logPath)) {
    Print(program, log->Error());
    return false;
  }
  return true;
}

int FinishScriptedMeasurements(CMainFrame* frame, const CommandLineOptions& options,
                               const std::string& program) {
  MeasurementStation* station = MeasurementsOf(frame->Features());
  MeasurementLog* log = MeasureLogOf(frame->Features());
  if (!Wanted(options) || station == nullptr || log == nullptr) return 0;
  // Live measures five times a second: a short run may not have come to its first update yet.
  if (options.power && CurrentApp().m_bLive && station->Stats()[0].Updates() == 0) {
    station->MeasureNewest();
  }
  int status = 0;
  if (!log->Error().empty()) {
    // A log that stopped during the run has said so then.
    if (!log->FailureShown()) Print(program, log->Error());
    status = 1;
  }
  const int channels = station->Channels();
  // The response analyser's numbers, once it has measured (in one of its displays).
  const ResponseFeature* response = ResponseFeature::Current();
  const auto responseValue = [response](const ResponseQuantity& q) {
    return response != nullptr ? response->QuantityValue(q) : std::nan("");
  };
  const std::vector<ExtraMeasurement> extras = ExtraMeasurements(*station, options);
  if (!options.measurePath.empty()) {
    int error = 0;
    std::string csv =
        MeasurementCsv(station->Last(), station->Stats(), channels) + ExtraMeasurementRows(extras);
    if (response != nullptr && response->HasResults()) {
      std::vector<ResponseQuantity> checked;
      for (const std::string& text : options.expectations) {
        ResponseExpectation r;
        std::string ignored;
        if (ParseResponseExpectation(text, r, ignored)) checked.push_back(r.quantity);
      }
      csv += ResponseMeasurementRows(responseValue, response->HasDistortion(),
                                     CurrentApp().m_nSampleRate, checked);
    }
    if (!WriteFileReplacing(options.measurePath, csv, &error)) {
      Print(program, "--measure did not write " + options.measurePath + ": " +
                         FileErrorText(error, options.measurePath));
      status = 1;
    }
  }
  if (status != 0) return status;
  for (const std::string& text : options.expectations) {
    if (IsResponseExpectation(text)) {
      ResponseExpectation r;
      std::string error;
      const std::string failure = ParseResponseExpectation(text, r, error)
                                      ? CheckResponseExpectation(r, responseValue(r.quantity))
                                      : error;
      if (!failure.empty()) {
        Print(program, failure);
        status = 3;
      }
      continue;
    }
    Expectation e;
    std::string error;
    if (!ParseExpectation(text, e, error)) {
      Print(program, error);
      status = 3;
      continue;
    }
    const std::string failure = CheckExpectation(e, station->Last(), channels, extras);
    if (!failure.empty()) {
      Print(program, failure);
      status = 3;
    }
  }
  return status;
}
