#include "features/spectrum/spectrum_parameters.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "features/spectrum/spectrum_profile.h"

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

std::string FftSizeText(const SpectrumOptions& o) {
  return o.fftSize == SpectrumOptions::kDescribed ? "described" : std::to_string(o.fftSize);
}

bool ReadFftSize(const std::string& text, SpectrumOptions& o) {
  if (text == "described") {
    o.fftSize = SpectrumOptions::kDescribed;
    return true;
  }
  const int size = Whole(text, SpectrumOptions::kMinSize, SpectrumOptions::kMaxSize);
  if (size < 0 || !PowerOfTwo(size)) return false;
  o.fftSize = size;
  return true;
}

std::string AverageText(const SpectrumOptions& o) {
  if (o.average == 1) return "exp:" + ParameterNumberText(o.averageSeconds);
  if (o.average == 2) return "lin:" + std::to_string(o.averageCount);
  return "off";
}

bool ReadAverage(const std::string& text, SpectrumOptions& o) {
  if (text == "off") {
    o.average = 0;
  } else if (text.rfind("exp:", 0) == 0) {
    const double seconds = Decimal(text.substr(4));
    if (!(seconds >= 0.1 && seconds <= 10)) return false;
    o.average = 1;
    o.averageSeconds = seconds;
  } else if (text.rfind("lin:", 0) == 0) {
    const int n = Whole(text.substr(4), 2, 1000);
    if (n < 0) return false;
    o.average = 2;
    o.averageCount = n;
  } else {
    return false;
  }
  return true;
}

ParameterTable MakeTable() {
  using S = SpectrumOptions;
  ParameterTable t = MakeParameterTable<S>(
      "Spectrum",
      {
          CustomParameter<S>("fft-size", "described or a power of two from 1024 to 65536",
                             FftSizeText, ReadFftSize)
              .Option("N",
                      "transform N points of the undecimated input (a power of two,\n"
                      "1024..65536), or described (the default)")
              .ProfileFields({StoredField("FftSize", ProfileType::kInt, &S::fftSize)})
              .Csv("spectrum_fft_size"),
          ChoiceParameter("spectrum-scale", &S::scale, {{"linear", 0}, {"dbfs", 1}, {"dbv", 2}})
              .Option("S", "amplitude scale: linear, dbfs or dbv (volts calibration)")
              .Profile("Scale")
              .Csv("spectrum_scale"),
          ChoiceParameter("frequency-axis", &S::logAxis, {{"linear", 0}, {"log", 1}})
              .Option("A", "frequency axis: linear or log (20 Hz or one bin to rate/2)")
              .Profile("LogAxis", ProfileType::kBool)
              .Csv("frequency_axis"),
          // The length of either averaging is kept while the other or none is chosen.
          CustomParameter<S>("average", "off, exp:SECONDS (0.1 to 10) or lin:N (2 to 1000)",
                             AverageText, ReadAverage)
              .Option("M",
                      "off, exp:SECONDS (time constant 0.1..10) or lin:N (2..1000\n"
                      "transforms), averaged in power")
              .ProfileFields({StoredField("Average", ProfileType::kInt, &S::average)})
              .Csv("average"),
          NumberParameter("average-seconds", &S::averageSeconds).Profile("AverageSeconds"),
          NumberParameter("average-count", &S::averageCount)
              .Profile("AverageCount", ProfileType::kInt),
          OnOffParameter("peak-hold", &S::peakHold)
              .Flag("show the peak hold trace")
              .Profile("PeakHold")
              .Csv("peak_hold"),
          NumberParameter("peak-decay", &S::peakDecayDbPerSecond).Profile("PeakDecay"),
          OnOffParameter("minimum-hold", &S::minimumHold)
              .Flag("show the minimum hold trace")
              .Profile("MinimumHold")
              .Csv("minimum_hold"),
          OnOffParameter("flat-top", &S::flatTop).Profile("FlatTop").Csv("flat_top_levels"),
          NumberParameter("db-bottom", &S::dbBottom).Profile("DbBottom"),
          NumberParameter("db-top", &S::dbTop).Profile("DbTop"),
      });
  t.helpPlace = ParameterTable::HelpPlace::kSettings;
  t.helpHeading =
      "\n"
      "Spectrum analyser (spectrum, phase and power spectrum displays; kept for this start\n"
      "only, the Spectrum menu keeps its choices in the per-user profile):\n";
  // A file names the analyser's choices only while a size of its own is in force: with the
  // described transform the displays are as they always were.
  for (Parameter& p : t.parameters) {
    p.CsvWhen<S>([](const S& o) { return o.fftSize != SpectrumOptions::kDescribed; });
  }
  // Lengths, decay and level range are judged against their limits once all are read.
  t.sanitize = [](void* o) {
    auto* options = static_cast<S*>(o);
    *options = SanitizedSpectrumOptions(*options);
  };
  return t;
}

}  // namespace

SpectrumOptions SanitizedSpectrumOptions(SpectrumOptions o) {
  const SpectrumOptions d;
  const bool power = o.fftSize > 0 && (o.fftSize & (o.fftSize - 1)) == 0;
  if (!(power && o.fftSize >= SpectrumOptions::kMinSize &&
        o.fftSize <= SpectrumOptions::kMaxSize)) {
    o.fftSize = SpectrumOptions::kDescribed;
  }
  if (o.scale < 0 || o.scale > 2) o.scale = d.scale;
  if (o.average < 0 || o.average > 2) o.average = d.average;
  if (!(o.averageSeconds >= 0.1 && o.averageSeconds <= 10)) o.averageSeconds = d.averageSeconds;
  if (o.averageCount < 2 || o.averageCount > 1000) o.averageCount = d.averageCount;
  if (!(o.peakDecayDbPerSecond >= 0 && o.peakDecayDbPerSecond <= 1000)) {
    o.peakDecayDbPerSecond = d.peakDecayDbPerSecond;
  }
  const bool range = std::isfinite(o.dbBottom) && std::isfinite(o.dbTop) && o.dbBottom >= -400 &&
                     o.dbTop <= 100 && o.dbTop - o.dbBottom >= 10;
  if (!range) {
    o.dbBottom = d.dbBottom;
    o.dbTop = d.dbTop;
  }
  return o;
}

const ParameterTable& SpectrumParameters() {
  static const ParameterTable table = MakeTable();
  return table;
}
