#include "shell/response_command_line.h"

#include <charconv>
#include <cmath>

namespace {

// A whole positive decimal number, or NaN: digits with at most one point or an exponent, as
// from_chars reads them, and nothing after.
double Number(const std::string& text) {
  double v = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, v);
  if (text.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) return NAN;
  return v;
}

// The longest sweep a record can hold at the common rates, seconds.
constexpr double kLongestSweep = 20;

}  // namespace

void ResponseChoices::ApplyTo(ResponseSettings& s) const {
  if (method >= 0) s.method = method;
  if (referenceRight >= 0) s.referenceRight = referenceRight != 0;
  if (sweepGiven) {
    s.sweepStartHz = sweepStartHz;
    s.sweepStopHz = sweepStopHz;
    s.sweepSeconds = sweepSeconds;
  }
  if (smoothing >= 0) s.smoothing = smoothing;
}

bool IsResponseValueOption(const std::string& name) {
  return name == "--response" || name == "--response-reference" || name == "--sweep" ||
         name == "--smoothing";
}

std::string ApplyResponseValue(ResponseChoices& c, const std::string& name,
                               const std::string& value) {
  if (name == "--response") {
    if (value == "dual") {
      c.method = ResponseSettings::kDual;
    } else if (value == "sweep") {
      c.method = ResponseSettings::kSweep;
    } else {
      return "--response needs dual or sweep, not \"" + value + "\"";
    }
  } else if (name == "--response-reference") {
    if (value != "left" && value != "right") {
      return "--response-reference needs left or right, not \"" + value + "\"";
    }
    c.referenceRight = value == "right" ? 1 : 0;
  } else if (name == "--sweep") {
    const std::size_t dash = value.find('-', 1);
    const std::size_t comma = value.find(',');
    const std::string error =
        "--sweep needs F1-F2,SECONDS with 0 < F1 < F2 hertz and 0 < SECONDS "
        "<= 20, as 20-20000,5, not \"" +
        value + "\"";
    if (dash == std::string::npos || comma == std::string::npos || comma < dash) return error;
    const double f1 = Number(value.substr(0, dash));
    const double f2 = Number(value.substr(dash + 1, comma - dash - 1));
    const double seconds = Number(value.substr(comma + 1));
    if (!(f1 > 0) || !(f2 > f1) || !(seconds > 0) || seconds > kLongestSweep) return error;
    c.sweepGiven = true;
    c.sweepStartHz = f1;
    c.sweepStopHz = f2;
    c.sweepSeconds = seconds;
  } else {
    const std::string error =
        "--smoothing needs 1/N (N from 1 to 48, 1/3 for a third of an octave) or off, not \"" +
        value + "\"";
    if (value == "off") {
      c.smoothing = 0;
      return std::string();
    }
    if (value.rfind("1/", 0) != 0) return error;
    const std::string n = value.substr(2);
    int v = 0;
    const auto r = std::from_chars(n.data(), n.data() + n.size(), v);
    if (n.empty() || r.ec != std::errc() || r.ptr != n.data() + n.size() || v < 1 || v > 48) {
      return error;
    }
    c.smoothing = v;
  }
  return std::string();
}

std::string ResponseUsageText() {
  return "  --response METHOD the response analyser's method (displays 621..623): dual (any\n"
         "                    stimulus, one input the reference) or sweep (a logarithmic sweep\n"
         "                    from the generator, or arriving at the input)\n"
         "  --response-reference CHANNEL\n"
         "                    the input that carries what goes into the device: left or right\n"
         "  --sweep F1-F2,SECONDS\n"
         "                    the sweep of the swept method, as 20-20000,5 (up to 20 seconds)\n"
         "  --smoothing 1/N   smooth the response over 1/N octave (N 1..48), or off\n";
}
