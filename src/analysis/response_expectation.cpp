#include "analysis/response_expectation.h"

#include <cmath>

namespace {

constexpr std::string_view kPrefix = "response.";
constexpr double kOctaves[] = {31.5, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

const char* UnitOf(ResponseQuantityKind kind) {
  switch (kind) {
    case ResponseQuantityKind::kPhaseDeg:
      return "deg";
    case ResponseQuantityKind::kCoherence:
      return "";
    case ResponseQuantityKind::kDelayMs:
      return "ms";
    default:
      return "dB";
  }
}

std::string Row(const ResponseQuantity& q, double v) {
  const std::string name = ResponseQuantityName(q).substr(kPrefix.size());
  const bool valid = std::isfinite(v);
  return "response," + name + "," + (valid ? FormatMeasurementNumber(v) : std::string()) + "," +
         UnitOf(q.kind) + "," + (valid ? "1" : "0") + ",,,,,\n";
}

bool Same(const ResponseQuantity& a, const ResponseQuantity& b) {
  return a.kind == b.kind && a.frequencyHz == b.frequencyHz;
}

}  // namespace

bool IsResponseExpectation(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text.substr(0, kPrefix.size()) == kPrefix;
}

bool ParseResponseExpectation(std::string_view text, ResponseExpectation& e, std::string& error) {
  e = ResponseExpectation();
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  e.text = std::string(text);
  const std::size_t op = text.find_first_of("=<>");
  if (op == std::string_view::npos) {
    error = "\"" + e.text +
            "\" is not response.QUANTITY=FIGURE+-TOLERANCE, response.QUANTITY<FIGURE or "
            "response.QUANTITY>FIGURE";
    return false;
  }
  std::string_view name = text.substr(0, op);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  std::string reason;
  if (!ParseResponseQuantity(name, e.quantity, reason)) {
    error = "\"" + e.text + "\": " + reason;
    return false;
  }
  // The comparison follows the channels' rules exactly (a figure alone is met at the precision
  // written, a tolerance may be a percentage): they parse it.
  Expectation channel;
  if (!ParseExpectation("left.frequency" + std::string(text.substr(op)), channel, reason)) {
    error = "\"" + e.text + "\": the comparison is not =FIGURE+-TOLERANCE, <FIGURE or >FIGURE";
    return false;
  }
  e.op = channel.op;
  e.figure = channel.figure;
  e.tolerance = channel.tolerance;
  return true;
}

std::string CheckResponseExpectation(const ResponseExpectation& e, double v) {
  const std::string what = ResponseQuantityName(e.quantity);
  if (!std::isfinite(v)) {
    return "expectation " + e.text + " failed: " + what +
           " is not valid (the response analyser has not measured it)";
  }
  bool ok = false;
  switch (e.op) {
    case Expectation::Op::kNear:
      ok = std::fabs(v - e.figure) <= e.tolerance + 1e-12 * (std::fabs(e.figure) + e.tolerance);
      break;
    case Expectation::Op::kBelow:
      ok = v < e.figure;
      break;
    case Expectation::Op::kAbove:
      ok = v > e.figure;
      break;
  }
  if (ok) return std::string();
  return "expectation " + e.text + " failed: " + what + " is " + FormatMeasurementNumber(v);
}

std::string ResponseMeasurementRows(const std::function<double(const ResponseQuantity&)>& value,
                                    bool withDistortion, double rate,
                                    const std::vector<ResponseQuantity>& extra) {
  std::vector<ResponseQuantity> all;
  all.push_back({ResponseQuantityKind::kDelayMs, 0});
  for (ResponseQuantityKind kind :
       {ResponseQuantityKind::kGainDb, ResponseQuantityKind::kPhaseDeg,
        ResponseQuantityKind::kCoherence, ResponseQuantityKind::kThdDb}) {
    if (kind == ResponseQuantityKind::kThdDb && !withDistortion) continue;
    for (double f : kOctaves) {
      if (f < rate / 2) all.push_back({kind, f});
    }
  }
  for (const ResponseQuantity& q : extra) {
    bool known = false;
    for (const ResponseQuantity& a : all) known = known || Same(a, q);
    if (!known) all.push_back(q);
  }
  std::string out;
  for (const ResponseQuantity& q : all) out += Row(q, value(q));
  return out;
}
