#include "features/response/response_parameters.h"

#include <charconv>
#include <cmath>

namespace {

// The longest sweep a record can hold at the common rates, seconds.
constexpr double kLongestSweep = 20;

// A decimal number with nothing after it, or NaN: the sweep's figures take no sign.
double Figure(const std::string& text) {
  double v = 0;
  const char* end = text.data() + text.size();
  const auto r = std::from_chars(text.data(), end, v);
  if (text.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) return NAN;
  return v;
}

std::string SweepText(const ResponseSettings& s) {
  return ParameterNumberText(s.sweepStartHz) + "-" + ParameterNumberText(s.sweepStopHz) + "," +
         ParameterNumberText(s.sweepSeconds);
}

bool ReadSweep(const std::string& text, ResponseSettings& s) {
  const std::size_t dash = text.find('-', 1);
  const std::size_t comma = text.find(',');
  if (dash == std::string::npos || comma == std::string::npos || comma < dash) return false;
  const double f1 = Figure(text.substr(0, dash));
  const double f2 = Figure(text.substr(dash + 1, comma - dash - 1));
  const double seconds = Figure(text.substr(comma + 1));
  if (!(f1 > 0) || !(f2 > f1) || !(seconds > 0) || seconds > kLongestSweep) return false;
  s.sweepStartHz = f1;
  s.sweepStopHz = f2;
  s.sweepSeconds = seconds;
  return true;
}

std::string SmoothingText(const ResponseSettings& s) {
  return s.smoothing > 0 ? "1/" + std::to_string(s.smoothing) : std::string("off");
}

bool ReadSmoothing(const std::string& text, ResponseSettings& s) {
  if (text == "off") {
    s.smoothing = 0;
    return true;
  }
  if (text.rfind("1/", 0) != 0) return false;
  const std::string n = text.substr(2);
  int v = 0;
  const auto r = std::from_chars(n.data(), n.data() + n.size(), v);
  if (n.empty() || r.ec != std::errc() || r.ptr != n.data() + n.size() || v < 1 || v > 48) {
    return false;
  }
  s.smoothing = v;
  return true;
}

bool Swept(const ResponseSettings& s) { return s.method == ResponseSettings::kSweep; }

ParameterTable MakeTable() {
  using S = ResponseSettings;
  ParameterTable t = MakeParameterTable<S>(
      "Response",
      {
          ChoiceParameter("response", &S::method, {{"dual", S::kDual}, {"sweep", S::kSweep}})
              .Option("METHOD",
                      "the response analyser's method (displays 621..623): dual (any\n"
                      "stimulus, one input the reference) or sweep (a logarithmic sweep\n"
                      "from the generator, or arriving at the input)")
              .Profile("Method")
              .Csv("response_method"),
          ChoiceParameter("response-reference", &S::referenceRight, {{"left", 0}, {"right", 1}})
              .Option("CHANNEL", "the input that carries what goes into the device: left or right")
              .Profile("ReferenceRight", ProfileType::kBool)
              .Csv("response_reference"),
          CustomParameter<S>("sweep",
                             "F1-F2,SECONDS with 0 < F1 < F2 hertz and 0 < SECONDS <= 20, as "
                             "20-20000,5",
                             SweepText, ReadSweep)
              .Option("F1-F2,SECONDS",
                      "the sweep of the swept method, as 20-20000,5 (up to 20 "
                      "seconds)")
              .ProfileFields({StoredField("SweepStartHz", ProfileType::kDouble, &S::sweepStartHz),
                              StoredField("SweepStopHz", ProfileType::kDouble, &S::sweepStopHz),
                              StoredField("SweepSeconds", ProfileType::kDouble, &S::sweepSeconds)})
              .Csv("sweep")
              .CsvWhen<S>(Swept),
          CustomParameter<S>("smoothing",
                             "1/N (N from 1 to 48, 1/3 for a third of an octave) or off",
                             SmoothingText, ReadSmoothing)
              .Option("1/N", "smooth the response over 1/N octave (N 1..48), or off")
              .ProfileFields({StoredField("Smoothing", ProfileType::kInt, &S::smoothing, 0, 48)})
              .Csv("smoothing"),
          ChoiceParameter("response-average", &S::averaging, {{"linear", 0}, {"exponential", 1}})
              .Profile("Averaging")
              .Csv("response_average")
              .CsvWhen<S>([](const S& s) { return !Swept(s); })
              .CsvText<S>([](const S& s) {
                return s.averaging == 1 ? "exp:" + ParameterNumberText(s.averageSeconds)
                                        : std::string("linear");
              }),
          // Kept while the linear average is chosen, as the spectrum's lengths are.
          NumberParameter("response-average-seconds", &S::averageSeconds)
              .Range(0.1, 100, "seconds")
              .Profile("AverageSeconds"),
          OnOffParameter("phase-unwrapped", &S::phaseUnwrapped).Profile("PhaseUnwrapped"),
          OnOffParameter("group-delay", &S::groupDelay).Profile("GroupDelay"),
      });
  t.csvOrder = {"response", "response-reference", "sweep", "response-average", "smoothing"};
  return t;
}

}  // namespace

const ParameterTable& ResponseParameters() {
  static const ParameterTable table = MakeTable();
  return table;
}
