#include "shell/spectrum_command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

// A whole decimal number in lo..hi, or -1.
int Whole(const std::string& text, int lo, int hi) {
  if (text.empty() || text.size() > 9) return -1;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
  }
  const int value = std::atoi(text.c_str());
  return value >= lo && value <= hi ? value : -1;
}

// A plain decimal number (digits with at most one point), or NaN.
double Decimal(const std::string& text) {
  if (text.empty() || text.size() > 12) return std::nan("");
  int points = 0;
  for (char c : text) {
    if (c == '.') {
      ++points;
    } else if (c < '0' || c > '9') {
      return std::nan("");
    }
  }
  if (points > 1 || text == ".") return std::nan("");
  return std::strtod(text.c_str(), nullptr);
}

bool PowerOfTwo(int v) { return v > 0 && (v & (v - 1)) == 0; }

}  // namespace

void SpectrumChoices::ApplyTo(SpectrumOptions& options) const {
  if (fftSize >= 0) options.fftSize = fftSize;
  if (scale >= 0) options.scale = scale;
  if (logAxis >= 0) options.logAxis = logAxis != 0;
  if (average >= 0) {
    options.average = average;
    if (average == 1) options.averageSeconds = averageSeconds;
    if (average == 2) options.averageCount = averageCount;
  }
  if (peakHold) options.peakHold = true;
}

bool IsSpectrumValueOption(const std::string& name) {
  return name == "--fft-size" || name == "--spectrum-scale" || name == "--frequency-axis" ||
         name == "--average";
}

std::string ApplySpectrumValue(SpectrumChoices& choices, const std::string& name,
                               const std::string& value) {
  if (name == "--fft-size") {
    if (value == "described") {
      choices.fftSize = SpectrumOptions::kDescribed;
      return std::string();
    }
    const int size = Whole(value, SpectrumOptions::kMinSize, SpectrumOptions::kMaxSize);
    if (size < 0 || !PowerOfTwo(size)) {
      return "--fft-size needs described or a power of two from 1024 to 65536, not \"" + value +
             "\"";
    }
    choices.fftSize = size;
  } else if (name == "--spectrum-scale") {
    choices.scale = value == "linear" ? 0 : value == "dbfs" ? 1 : value == "dbv" ? 2 : -1;
    if (choices.scale < 0) {
      return "--spectrum-scale needs linear, dbfs or dbv, not \"" + value + "\"";
    }
  } else if (name == "--frequency-axis") {
    choices.logAxis = value == "linear" ? 0 : value == "log" ? 1 : -1;
    if (choices.logAxis < 0) return "--frequency-axis needs linear or log, not \"" + value + "\"";
  } else if (name == "--average") {
    const std::string error =
        "--average needs off, exp:SECONDS (0.1 to 10) or lin:N (2 to 1000), "
        "not \"" +
        value + "\"";
    if (value == "off") {
      choices.average = 0;
    } else if (value.rfind("exp:", 0) == 0) {
      const double seconds = Decimal(value.substr(4));
      if (!(seconds >= 0.1 && seconds <= 10)) return error;
      choices.average = 1;
      choices.averageSeconds = seconds;
    } else if (value.rfind("lin:", 0) == 0) {
      const int n = Whole(value.substr(4), 2, 1000);
      if (n < 0) return error;
      choices.average = 2;
      choices.averageCount = n;
    } else {
      return error;
    }
  }
  return std::string();
}

std::string SpectrumUsageText() {
  return "\n"
         "Spectrum analyser (spectrum, phase and power spectrum displays; kept for this start\n"
         "only, the Spectrum menu keeps its choices in the per-user profile):\n"
         "  --fft-size N      transform N points of the undecimated input (a power of two,\n"
         "                    1024..65536), or described (the default)\n"
         "  --spectrum-scale S  amplitude scale: linear, dbfs or dbv (volts calibration)\n"
         "  --frequency-axis A  frequency axis: linear or log (20 Hz or one bin to rate/2)\n"
         "  --average M       off, exp:SECONDS (time constant 0.1..10) or lin:N (2..1000\n"
         "                    transforms), averaged in power\n"
         "  --peak-hold       show the peak hold trace\n";
}
