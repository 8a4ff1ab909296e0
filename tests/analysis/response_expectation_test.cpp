#include "analysis/response_expectation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Checks are written as the channels' are, and pass or fail on the value the analyser gives.
TEST(AnalysisResponseExpectationTest, ParsesAndChecksAsTheChannelChecksDo) {
  struct Case {
    const char* text;
    double value;
    bool holds;
  };
  const Case cases[] = {
      {"response.gain_db@1000=-3.01+-0.1", -3.05, true},
      {"response.gain_db@1000=-3.01+-0.1", -3.2, false},
      {"response.gain_db@1000=-3.01", -3.014, true},  // a figure alone: the precision written
      {"response.gain_db@1000=-3.01", -3.016, false},
      {"response.delay_ms=0.8458+-1%", 0.85, true},
      {" response.coherence@100>0.999 ", 0.9995, true},
      {"response.coherence@100>0.999", kNaN, false},  // nothing measured never passes
      {"response.thd_db@440<-60", -61, true},
      {"response.phase_deg@20000<0", 0, false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(IsResponseExpectation(c.text)) << c.text;
    ResponseExpectation e;
    std::string error;
    ASSERT_TRUE(ParseResponseExpectation(c.text, e, error)) << c.text << ": " << error;
    const std::string failure = CheckResponseExpectation(e, c.value);
    EXPECT_EQ(failure.empty(), c.holds) << c.text << " " << c.value << ": " << failure;
    if (!c.holds) {
      EXPECT_NE(failure.find(e.text), std::string::npos) << failure;
    }
  }
}

TEST(AnalysisResponseExpectationTest, MalformedChecksSayWhy) {
  struct Case {
    const char* text;
    const char* mentions;
  };
  const Case cases[] = {{"response.gain_db@1000", "response.QUANTITY"},
                        {"response.gain_db=1", "@FREQ"},
                        {"response.delay_ms@5=1", "no @FREQ"},
                        {"response.level@5=1", "unknown response quantity"},
                        {"response.gain_db@-5=1", "frequency"},
                        {"response.gain_db@1000=x", "comparison"},
                        {"response.gain_db@1000=1+-y", "comparison"}};
  for (const Case& c : cases) {
    ResponseExpectation e;
    std::string error;
    EXPECT_FALSE(ParseResponseExpectation(c.text, e, error)) << c.text;
    EXPECT_NE(error.find(c.mentions), std::string::npos) << c.text << ": " << error;
  }
  EXPECT_FALSE(IsResponseExpectation("left.frequency=1000"));
}

// The measurement file's rows: the delay, then each octave's numbers below half the rate, then
// the checks' own frequencies; a value not measured is left empty and marked invalid.
TEST(AnalysisResponseExpectationTest, MeasurementRowsNameEachQuantity) {
  const auto value = [](const ResponseQuantity& q) {
    if (q.kind == ResponseQuantityKind::kDelayMs) return 0.5;
    if (q.kind == ResponseQuantityKind::kCoherence && q.frequencyHz > 10000) return kNaN;
    return q.frequencyHz / 1000;
  };
  const std::vector<ResponseQuantity> extra = {{ResponseQuantityKind::kGainDb, 1000},
                                               {ResponseQuantityKind::kGainDb, 440}};
  const std::string rows = ResponseMeasurementRows(value, false, 22050, extra);
  std::map<std::string, std::string> byName;
  std::size_t lines = 0;
  for (std::size_t at = 0; at < rows.size();) {
    const std::size_t end = rows.find('\n', at);
    ASSERT_NE(end, std::string::npos);
    const std::string line = rows.substr(at, end - at);
    const std::size_t a = line.find(','), b = line.find(',', a + 1);
    EXPECT_EQ(line.substr(0, a), "response");
    byName[line.substr(a + 1, b - a - 1)] = line.substr(b + 1);
    at = end + 1;
    ++lines;
  }
  EXPECT_EQ(byName["delay_ms"], "0.5,ms,1,,,,,");
  EXPECT_EQ(byName["gain_db@440"], "0.44,dB,1,,,,,");
  EXPECT_EQ(byName["coherence@8000"], "8,,1,,,,,");
  // 16 kHz lies above half the rate of 22050 Hz; no THD without distortion.
  EXPECT_EQ(byName.count("gain_db@16000"), 0u);
  EXPECT_EQ(byName.count("thd_db@1000"), 0u);
  // Delay, three quantities at nine octaves, and the one extra frequency.
  EXPECT_EQ(lines, 1u + 3 * 9 + 1);
  const std::string full = ResponseMeasurementRows(value, true, 48000, {});
  EXPECT_NE(full.find("response,coherence@16000,,,0,,,,,\n"), std::string::npos);
  EXPECT_NE(full.find("response,thd_db@31.5,0.0315,dB,1,,,,,\n"), std::string::npos);
}

}  // namespace
