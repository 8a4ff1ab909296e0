#include "analysis/measurement_report.h"
#include "analysis/response_expectation.h"
#include "shell/command_line.h"

bool IsMeasureOption(const std::string& name) {
  return name == "--measure" || name == "--expect" || name == "--log";
}

std::string ApplyMeasureOption(CommandLineOptions& o, const std::string& name,
                               const std::string& value) {
  if (name == "--expect") {
    Expectation e;
    ResponseExpectation r;
    std::string error;
    if (IsResponseExpectation(value) ? !ParseResponseExpectation(value, r, error)
                                     : !ParseExpectation(value, e, error)) {
      return "--expect: " + error;
    }
    o.expectations.push_back(value);
    return std::string();
  }
  if (value.empty()) return name + " needs a FILE";
  (name == "--measure" ? o.measurePath : o.logPath) = value;
  return std::string();
}

std::string MeasureUsageText() {
  return "  --measure FILE    after the run, write the measurements of each channel to the CSV\n"
         "                    file FILE: channel,quantity,value,unit,valid,mean,min,max,\n"
         "                    stddev,count\n"
         "  --expect CHECK    after the run, check a measurement: \"left.frequency=1000+-0.5\",\n"
         "                    \"left.thd_db<-60\", \"right.snr>80\" (repeatable); each failed\n"
         "                    check is printed, and the exit status is then 3; the response\n"
         "                    analyser's numbers too: \"response.gain_db@1000=-3.01+-0.1\",\n"
         "                    response.phase_deg@FREQ, response.coherence@FREQ,\n"
         "                    response.thd_db@FREQ, response.delay_ms (FREQ in Hz)\n"
         "  --log FILE        write a CSV row with the time and every measurement at each\n"
         "                    update to FILE while the program runs\n";
}
