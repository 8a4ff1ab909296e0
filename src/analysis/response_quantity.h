#pragma once

#include <string>
#include <string_view>

#include "analysis/response_trace.h"
#include "analysis/sweep_analyser.h"

// The response analyser's numbers for measurements and checks: "response.gain_db@1000",
// "response.phase_deg@FREQ", "response.coherence@FREQ", "response.thd_db@FREQ" (FREQ in hertz,
// the value interpolated on the log frequency axis) and "response.delay_ms" (no frequency).
enum class ResponseQuantityKind { kGainDb, kPhaseDeg, kCoherence, kDelayMs, kThdDb };

struct ResponseQuantity {
  ResponseQuantityKind kind = ResponseQuantityKind::kGainDb;
  double frequencyHz = 0;  // unused for the delay
};

// Parses a quantity's name; false with a one-line reason in error for an unknown name, a
// missing or superfluous @FREQ, or a frequency that is not a positive number.
bool ParseResponseQuantity(std::string_view text, ResponseQuantity& q, std::string& error);

// The name as written on the command line and in files ("response.gain_db@1000").
std::string ResponseQuantityName(const ResponseQuantity& q);

// What the analyser's results say of a quantity: response and distortion may be null (no
// distortion from the dual-channel method); the delay is in samples at rate hertz. NaN when
// the results do not cover it. The phase is interpolated unwrapped and given wrapped.
struct ResponseResults {
  const ResponseTrace* response = nullptr;
  const DistortionTrace* distortion = nullptr;
  double delaySamples = 0;
  double rate = 0;
};
double ResponseQuantityValue(const ResponseQuantity& q, const ResponseResults& results);

// Export files, each after the caller's "#" lines: the response ("frequency_hz,gain_db,
// phase_deg,coherence", a row per frequency above 0 Hz), the distortion ("frequency_hz,thd_db,
// thd_percent,h2_db,h3_db,h4_db,h5_db", a row per fundamental) and the impulse response
// ("time_ms,amplitude,level_db", a row per sample, time 0 at the peak, the level relative to
// the peak's). Values that are not known are left empty. Rows end with a line feed.
std::string ResponseCsv(const ResponseTrace& trace);
std::string DistortionCsv(const DistortionTrace& distortion);
std::string ImpulseCsv(const std::vector<double>& impulse, int zero, double rate);
