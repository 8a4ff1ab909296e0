// The measurement steps of a scripted run: the log from before POWER, then the measurement file
// and the expectations after every other step.
#include <cmath>
#include <cstdio>

#include "acquisition/app_state.h"
#include "acquisition/current_app.h"
#include "analysis/measurement_report.h"
#include "features/measure/measure_feature.h"
#include "analysis/response_expectation.h"
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

}  // namespace

bool StartScriptedMeasurements(CMainFrame* frame, const CommandLineOptions& options,
                               const std::string& program) {
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
  if (!options.measurePath.empty()) {
    int error = 0;
    std::string csv = MeasurementCsv(station->Last(), station->Stats(), channels);
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
    const std::string failure = CheckExpectation(e, station->Last(), channels);
    if (!failure.empty()) {
      Print(program, failure);
      status = 3;
    }
  }
  return status;
}
