#include "analysis/response_quantity.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "analysis/measurement_report.h"
#include "analysis/spectrum_levels.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Named {
  std::string_view name;
  ResponseQuantityKind kind;
};
constexpr Named kNames[] = {{"gain_db", ResponseQuantityKind::kGainDb},
                            {"phase_deg", ResponseQuantityKind::kPhaseDeg},
                            {"coherence", ResponseQuantityKind::kCoherence},
                            {"delay_ms", ResponseQuantityKind::kDelayMs},
                            {"thd_db", ResponseQuantityKind::kThdDb}};
constexpr std::string_view kPrefix = "response.";

std::string Cell(double v) { return std::isfinite(v) ? FormatMeasurementNumber(v) : ""; }

}  // namespace

bool ParseResponseQuantity(std::string_view text, ResponseQuantity& q, std::string& error) {
  if (text.substr(0, kPrefix.size()) != kPrefix) {
    error = "\"" + std::string(text) + "\" is not a response quantity";
    return false;
  }
  std::string_view rest = text.substr(kPrefix.size());
  const std::size_t at = rest.find('@');
  const std::string_view name = rest.substr(0, at);
  const Named* found = nullptr;
  for (const Named& n : kNames) {
    if (n.name == name) found = &n;
  }
  if (found == nullptr) {
    error = "unknown response quantity \"" + std::string(name) +
            "\" (gain_db, phase_deg, coherence, delay_ms, thd_db)";
    return false;
  }
  const bool wantsFrequency = found->kind != ResponseQuantityKind::kDelayMs;
  if (wantsFrequency != (at != std::string_view::npos)) {
    error = wantsFrequency ? "response." + std::string(name) + " needs @FREQ (hertz)"
                           : "response.delay_ms takes no @FREQ";
    return false;
  }
  q.kind = found->kind;
  q.frequencyHz = 0;
  if (wantsFrequency) {
    const std::string_view figure = rest.substr(at + 1);
    double f = 0;
    const auto result = std::from_chars(figure.data(), figure.data() + figure.size(), f);
    if (result.ec != std::errc() || result.ptr != figure.data() + figure.size() || !(f > 0) ||
        !std::isfinite(f)) {
      error = "\"" + std::string(figure) + "\" is not a frequency in hertz";
      return false;
    }
    q.frequencyHz = f;
  }
  return true;
}

std::string ResponseQuantityName(const ResponseQuantity& q) {
  std::string name(kPrefix);
  for (const Named& n : kNames) {
    if (n.kind == q.kind) name += n.name;
  }
  if (q.kind != ResponseQuantityKind::kDelayMs)
    name += "@" + FormatMeasurementNumber(q.frequencyHz);
  return name;
}

double ResponseQuantityValue(const ResponseQuantity& q, const ResponseResults& r) {
  const double f = q.frequencyHz;
  switch (q.kind) {
    case ResponseQuantityKind::kDelayMs:
      return r.rate > 0 && r.response != nullptr ? 1000.0 * r.delaySamples / r.rate : kNaN;
    case ResponseQuantityKind::kThdDb:
      return r.distortion ? ValueAtFrequency(r.distortion->frequencyHz, r.distortion->thdDb, f)
                          : kNaN;
    default:
      break;
  }
  if (r.response == nullptr) return kNaN;
  const ResponseTrace& t = *r.response;
  switch (q.kind) {
    case ResponseQuantityKind::kGainDb:
      return ValueAtFrequency(t.frequencyHz, t.gainDb, f);
    case ResponseQuantityKind::kPhaseDeg:
      return WrapDegrees(ValueAtFrequency(t.frequencyHz, t.phaseUnwrappedDeg, f));
    case ResponseQuantityKind::kCoherence:
      return ValueAtFrequency(t.frequencyHz, t.coherence, f);
    default:
      return kNaN;
  }
}

std::string ResponseCsv(const ResponseTrace& trace) {
  std::string out = "frequency_hz,gain_db,phase_deg,coherence\n";
  for (int k = 0; k < trace.Points(); ++k) {
    if (!(trace.frequencyHz[k] > 0)) continue;
    out += Cell(trace.frequencyHz[k]) + "," + Cell(trace.gainDb[k]) + "," +
           Cell(trace.phaseDeg[k]) + "," + Cell(trace.coherence[k]) + "\n";
  }
  return out;
}

std::string DistortionCsv(const DistortionTrace& d) {
  std::string out = "frequency_hz,thd_db,thd_percent,h2_db,h3_db,h4_db,h5_db\n";
  for (std::size_t i = 0; i < d.frequencyHz.size(); ++i) {
    out += Cell(d.frequencyHz[i]) + "," + Cell(d.thdDb[i]) + "," + Cell(d.thdPercent[i]);
    for (int k = 2; k <= DistortionTrace::kMaxHarmonic; ++k) {
      const std::vector<double>& h = d.harmonicDb[k];
      out += "," + (i < h.size() ? Cell(h[i]) : std::string());
    }
    out += "\n";
  }
  return out;
}

std::string ImpulseCsv(const std::vector<double>& impulse, int zero, double rate) {
  std::string out = "time_ms,amplitude,level_db\n";
  if (!(rate > 0)) return out;
  const double peak =
      zero >= 0 && zero < static_cast<int>(impulse.size()) ? std::fabs(impulse[zero]) : 0.0;
  for (std::size_t i = 0; i < impulse.size(); ++i) {
    const double level =
        peak > 0 && impulse[i] != 0
            ? std::max(kLevelFloorDb, 20.0 * std::log10(std::fabs(impulse[i]) / peak))
            : kNaN;
    out += Cell(1000.0 * (static_cast<double>(i) - zero) / rate) + "," + Cell(impulse[i]) + "," +
           Cell(level) + "\n";
  }
  return out;
}
