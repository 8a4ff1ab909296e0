#include "analysis/measurement_report.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool ParseNumber(std::string_view s, double& value) {
  s = Trim(s);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  const auto result = std::from_chars(s.data(), s.data() + s.size(), value);
  return result.ec == std::errc() && result.ptr == s.data() + s.size() && std::isfinite(value);
}

// Half a unit in the last digit the figure was written with: "362.0386976" is 5e-8, "1e3" 0.5,
// "1.5e-3" 5e-5.
double HalfLastDigit(std::string_view s) {
  s = Trim(s);
  int decimals = 0;
  const std::size_t e = s.find_first_of("eE");
  const std::string_view mantissa = s.substr(0, e);
  const std::size_t point = mantissa.find('.');
  if (point != std::string_view::npos) decimals = static_cast<int>(mantissa.size() - point - 1);
  if (e != std::string_view::npos) {
    std::string_view exponent = s.substr(e + 1);
    if (!exponent.empty() && exponent.front() == '+') exponent.remove_prefix(1);
    int power = 0;
    std::from_chars(exponent.data(), exponent.data() + exponent.size(), power);
    decimals -= power;
  }
  return 0.5 * std::pow(10.0, -decimals);
}

std::string Described(const ChannelMeasurement& m, Quantity q) {
  std::string text = FormatMeasurementNumber(m.Value(q));
  const std::string_view unit = QuantityUnit(q);
  if (!unit.empty()) text += " " + std::string(unit);
  return text;
}

}  // namespace

std::string_view ChannelName(int channel) { return channel == 0 ? "left" : "right"; }

std::string FormatMeasurementNumber(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
  return std::string(buffer, result.ptr);
}

std::string MeasurementCsv(const ChannelMeasurement* last, const ChannelStats* stats,
                           int channels) {
  std::string out = "channel,quantity,value,unit,valid,mean,min,max,stddev,count\n";
  for (int c = 0; c < channels; ++c) {
    for (std::size_t i = 0; i < kQuantityCount; ++i) {
      const Quantity q = QuantityAt(i);
      const bool valid = last[c].Valid(q);
      const RunningStats& s = stats[c].Of(q);
      out += std::string(ChannelName(c)) + "," + std::string(QuantityName(q)) + ",";
      if (valid) out += FormatMeasurementNumber(last[c].Value(q));
      out += "," + std::string(QuantityUnit(q)) + "," + (valid ? "1" : "0") + ",";
      if (s.Count() > 0) {
        out += FormatMeasurementNumber(s.Mean()) + "," + FormatMeasurementNumber(s.Min()) + "," +
               FormatMeasurementNumber(s.Max()) + "," + FormatMeasurementNumber(s.StdDev());
      } else {
        out += ",,,";
      }
      out += "," + std::to_string(s.Count()) + "\n";
    }
  }
  return out;
}

bool ParseExpectation(std::string_view text, Expectation& e, std::string& error) {
  e = Expectation();
  e.text = std::string(Trim(text));
  const std::string_view all = e.text;
  const std::size_t dot = all.find('.');
  const std::size_t op = all.find_first_of("=<>");
  if (dot == std::string_view::npos || op == std::string_view::npos || dot > op) {
    error = "\"" + e.text +
            "\" is not CHANNEL.QUANTITY=FIGURE+-TOLERANCE, CHANNEL.QUANTITY<FIGURE or "
            "CHANNEL.QUANTITY>FIGURE";
    return false;
  }
  const std::string_view channel = Trim(all.substr(0, dot));
  const std::string_view extraName = Trim(all.substr(dot + 1, op - dot - 1));
  if (IsExtraMeasurementName(channel, extraName)) {
    e.extraChannel = std::string(channel);
    e.extraQuantity = std::string(extraName);
    e.channel = channel == "right" ? 1 : 0;
  } else if (channel == "left") {
    e.channel = 0;
  } else if (channel == "right") {
    e.channel = 1;
  } else {
    error =
        "\"" + e.text + "\": the channel is left or right, not \"" + std::string(channel) + "\"";
    return false;
  }
  const std::string_view name = Trim(all.substr(dot + 1, op - dot - 1));
  if (e.extraQuantity.empty() && !QuantityFromName(name, e.quantity)) {
    error = "\"" + e.text + "\": no quantity is called \"" + std::string(name) + "\"";
    return false;
  }
  std::string_view rest = all.substr(op + 1);
  const char sign = all[op];
  if (sign == '=') {
    e.op = Expectation::Op::kNear;
    const std::size_t pm = rest.find("+-");
    std::string_view figure = pm == std::string_view::npos ? rest : rest.substr(0, pm);
    if (!ParseNumber(figure, e.figure)) {
      error = "\"" + e.text + "\": the figure after = is not a number";
      return false;
    }
    // A figure alone is met by every value that rounds to it at the precision written, so a
    // value copied from the measurement file passes.
    e.tolerance = HalfLastDigit(figure);
    if (pm != std::string_view::npos) {
      std::string_view tolerance = Trim(rest.substr(pm + 2));
      const bool percent = !tolerance.empty() && tolerance.back() == '%';
      if (percent) tolerance.remove_suffix(1);
      if (!ParseNumber(tolerance, e.tolerance) || e.tolerance < 0) {
        error = "\"" + e.text + "\": the tolerance after +- is not a number of 0 or more";
        return false;
      }
      if (percent) e.tolerance *= std::fabs(e.figure) / 100;
    }
  } else {
    e.op = sign == '<' ? Expectation::Op::kBelow : Expectation::Op::kAbove;
    if (!ParseNumber(rest, e.figure)) {
      error = "\"" + e.text + "\": the figure after " + std::string(1, sign) + " is not a number";
      return false;
    }
  }
  return true;
}

std::string InvalidReason(const ChannelMeasurement& m, Quantity q) {
  if (m.flags.noSamples) return "nothing was measured";
  if (m.flags.clipping) return "the input clips";
  if (!IsLevelQuantity(q)) {
    if (m.flags.noTone) return "no tone stands out";
    if (m.flags.fewPeriods) return "fewer than two periods";
  }
  return "it cannot be computed from this signal";
}

namespace {

bool Holds(const Expectation& e, double v) {
  switch (e.op) {
    case Expectation::Op::kNear:
      // The bound itself passes, also when the figures' binary rounding lands a hair beyond it.
      return std::fabs(v - e.figure) <= e.tolerance + 1e-12 * (std::fabs(e.figure) + e.tolerance);
    case Expectation::Op::kBelow:
      return v < e.figure;
    case Expectation::Op::kAbove:
      return v > e.figure;
  }
  return false;
}

}  // namespace

bool IsExtraMeasurementName(std::string_view channel, std::string_view quantity) {
  if (channel == "cursor") return quantity == "dx" || quantity == "inv_dx" || quantity == "dy";
  if (channel != "left" && channel != "right") return false;
  // peakN_hz, peakN_db with N 1..8.
  return quantity.size() == 8 && quantity.substr(0, 4) == "peak" && quantity[4] >= '1' &&
         quantity[4] <= '8' && (quantity.substr(5) == "_hz" || quantity.substr(5) == "_db");
}

std::string ExtraMeasurementRows(const std::vector<ExtraMeasurement>& extras) {
  std::string out;
  for (const ExtraMeasurement& x : extras) {
    out += x.channel + "," + x.quantity + "," + (x.valid ? FormatMeasurementNumber(x.value) : "") +
           "," + x.unit + "," + (x.valid ? "1" : "0") + ",,,,,0\n";
  }
  return out;
}

std::string CheckExpectation(const Expectation& e, const ChannelMeasurement* last, int channels,
                             const std::vector<ExtraMeasurement>& extras) {
  if (e.extraQuantity.empty()) return CheckExpectation(e, last, channels);
  const std::string what = e.extraChannel + "." + e.extraQuantity;
  for (const ExtraMeasurement& x : extras) {
    if (x.channel != e.extraChannel || x.quantity != e.extraQuantity) continue;
    if (!x.valid) return "expectation " + e.text + " failed: " + what + " is not valid";
    if (Holds(e, x.value)) return std::string();
    return "expectation " + e.text + " failed: " + what + " is " +
           FormatMeasurementNumber(x.value) + (x.unit.empty() ? "" : " " + x.unit);
  }
  return "expectation " + e.text + " failed: " + what + " was not measured" +
         (e.extraChannel == "cursor" ? " (--cursors places the cursors)"
                                     : " (--markers N asks for the N highest peaks)");
}

std::string CheckExpectation(const Expectation& e, const ChannelMeasurement* last, int channels) {
  if (!e.extraQuantity.empty()) return CheckExpectation(e, last, channels, {});
  const std::string what =
      std::string(ChannelName(e.channel)) + "." + std::string(QuantityName(e.quantity));
  if (e.channel >= channels) {
    return "expectation " + e.text + " failed: the input has no right channel";
  }
  const ChannelMeasurement& m = last[e.channel];
  if (!m.Valid(e.quantity)) {
    return "expectation " + e.text + " failed: " + what + " is not valid (" +
           InvalidReason(m, e.quantity) + ")";
  }
  if (Holds(e, m.Value(e.quantity))) return std::string();
  return "expectation " + e.text + " failed: " + what + " is " + Described(m, e.quantity);
}

std::string MeasurementLogHeader(int channels) {
  std::string out = "time_s";
  for (int c = 0; c < channels; ++c) {
    for (std::size_t i = 0; i < kQuantityCount; ++i) {
      out += "," + std::string(ChannelName(c)) + "_" + std::string(QuantityName(QuantityAt(i)));
    }
  }
  return out + "\n";
}

std::string MeasurementLogRow(double seconds, const ChannelMeasurement* last, int channels) {
  char buffer[32];
  const auto r =
      std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 3);
  std::string out(buffer, r.ptr);
  for (int c = 0; c < channels; ++c) {
    for (std::size_t i = 0; i < kQuantityCount; ++i) {
      out += ",";
      if (last[c].valid[i]) out += FormatMeasurementNumber(last[c].value[i]);
    }
  }
  return out + "\n";
}

namespace {

// How a quantity is written in the readout: a fixed number of decimals, or a number of
// significant digits with at most maxDecimals decimals.
struct ReadoutDigits {
  std::string_view title;
  int significant;  // 0: always maxDecimals decimals
  int maxDecimals;
};

// Levels to a hundredth of a millivolt or decibel (a third of a count at the usual calibration);
// the fitted frequency to the millihertz a half-second fit resolves on a clean tone, the
// spectrum's peak to the hundredth its interpolation gives.
constexpr ReadoutDigits kReadout[kQuantityCount] = {
    {"Frequency", 7, 3}, {"Period", 6, 6},       {"Vpp", 0, 2},        {"Vmax", 0, 2},
    {"Vmin", 0, 2},      {"Mean", 0, 2},         {"Vrms", 0, 2},       {"AC Vrms", 0, 2},
    {"Level", 0, 2},     {"Crest factor", 0, 3}, {"Duty cycle", 0, 2}, {"Rise time", 3, 4},
    {"Fall time", 3, 4}, {"Peak freq.", 6, 2},   {"THD", 3, 5},        {"THD", 0, 2},
    {"THD+N", 3, 5},     {"THD+N", 0, 2},        {"SINAD", 0, 2},      {"SNR", 0, 2},
    {"ENOB", 0, 2},
};

std::string ReadoutNumber(double v, Quantity q) {
  const ReadoutDigits& d = kReadout[static_cast<std::size_t>(q)];
  int decimals = d.maxDecimals;
  if (d.significant > 0 && v != 0 && std::isfinite(v)) {
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    decimals = std::clamp(d.significant - 1 - magnitude, 0, d.maxDecimals);
  }
  // Nothing but a minus sign for a value that rounds to zero ("-0.00").
  const double unit = std::pow(10.0, -decimals);
  if (std::fabs(v) < unit / 2) v = 0;
  char buffer[64];
  const auto r =
      std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
  return std::string(buffer, r.ptr);
}

std::string WithUnit(std::string text, Quantity q) {
  const std::string_view unit = QuantityUnit(q);
  if (!unit.empty()) text += " " + std::string(unit);
  return text;
}

}  // namespace

std::string_view QuantityTitle(Quantity q) { return kReadout[static_cast<std::size_t>(q)].title; }

std::string QuantityMenuText(Quantity q) {
  std::string text(QuantityTitle(q));
  const std::string_view unit = QuantityUnit(q);
  if (!unit.empty()) text += " (" + std::string(unit) + ")";
  return text;
}

std::string ReadoutValue(const ChannelMeasurement& m, Quantity q) {
  if (!m.Valid(q)) {
    if (m.flags.noSamples) return "---";
    if (m.flags.clipping) return "--- (clips)";
    if (!IsLevelQuantity(q) && m.flags.noTone) return "--- (no tone)";
    if (!IsLevelQuantity(q) && m.flags.fewPeriods) return "--- (< 2 periods)";
    return "---";
  }
  return WithUnit(ReadoutNumber(m.Value(q), q), q);
}

std::string ReadoutMeanLine(const RunningStats& s, Quantity q) {
  if (s.Count() == 0) return std::string();
  return "mean " + ReadoutNumber(s.Mean(), q) + " sd " + ReadoutNumber(s.StdDev(), q);
}

std::string ReadoutRangeLine(const RunningStats& s, Quantity q) {
  if (s.Count() == 0) return std::string();
  return ReadoutNumber(s.Min(), q) + " .. " + ReadoutNumber(s.Max(), q);
}

std::vector<ReadoutRow> BuildReadout(const ChannelMeasurement* last, const ChannelStats* stats,
                                     int channels, const std::vector<Quantity>& quantities,
                                     bool statistics) {
  std::vector<ReadoutRow> rows;
  for (Quantity q : quantities) {
    ReadoutRow row;
    row.quantity = q;
    row.label = std::string(QuantityTitle(q));
    for (int c = 0; c < channels && c < 2; ++c) {
      row.value[c] = ReadoutValue(last[c], q);
      row.valid[c] = last[c].Valid(q);
      if (statistics) {
        row.mean[c] = ReadoutMeanLine(stats[c].Of(q), q);
        row.range[c] = ReadoutRangeLine(stats[c].Of(q), q);
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}
