#include "analysis/response_quantity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(AnalysisResponseQuantityTest, ParsesNamesAndRefusesTheMalformed) {
  struct Case {
    const char* text;
    bool ok;
    ResponseQuantityKind kind;
    double f;
    const char* name;  // as written back
  };
  const Case cases[] = {
      {"response.gain_db@1000", true, ResponseQuantityKind::kGainDb, 1000, "response.gain_db@1000"},
      {"response.phase_deg@20.5", true, ResponseQuantityKind::kPhaseDeg, 20.5,
       "response.phase_deg@20.5"},
      {"response.coherence@1e3", true, ResponseQuantityKind::kCoherence, 1000,
       "response.coherence@1000"},
      {"response.thd_db@440", true, ResponseQuantityKind::kThdDb, 440, "response.thd_db@440"},
      {"response.delay_ms", true, ResponseQuantityKind::kDelayMs, 0, "response.delay_ms"},
      {"response.delay_ms@10", false, {}, 0, ""},
      {"response.gain_db", false, {}, 0, ""},
      {"response.gain_db@", false, {}, 0, ""},
      {"response.gain_db@-5", false, {}, 0, ""},
      {"response.gain_db@0", false, {}, 0, ""},
      {"response.gain_db@1k", false, {}, 0, ""},
      {"response.level_db@1000", false, {}, 0, ""},
      {"left.gain_db@1000", false, {}, 0, ""},
  };
  for (const Case& c : cases) {
    ResponseQuantity q;
    std::string error;
    EXPECT_EQ(ParseResponseQuantity(c.text, q, error), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(q.kind, c.kind) << c.text;
      EXPECT_EQ(q.frequencyHz, c.f) << c.text;
      EXPECT_EQ(ResponseQuantityName(q), c.name);
    } else {
      EXPECT_FALSE(error.empty()) << c.text;
    }
  }
}

TEST(AnalysisResponseQuantityTest, ValuesComeFromTheTracesOnTheLogAxis) {
  ResponseTrace t;
  t.Resize(3);
  t.frequencyHz = {0, 100, 400};
  t.gainDb = {9, -1, -7};
  t.phaseDeg = {0, 170, -150};
  t.phaseUnwrappedDeg = {0, 170, 210};
  t.coherence = {1, 0.9, 0.5};
  DistortionTrace d;
  d.frequencyHz = {100, 1000};
  d.thdDb = {-60, -40};
  const ResponseResults results{&t, &d, 96, 48000};
  struct Case {
    const char* text;
    double want;
  };
  const Case cases[] = {{"response.gain_db@200", -4},
                        {"response.phase_deg@200", -170},
                        {"response.coherence@100", 0.9},
                        {"response.delay_ms", 2},
                        {"response.thd_db@316.2277660168379", -50},
                        {"response.gain_db@50", kNaN},
                        {"response.thd_db@2000", kNaN}};
  for (const Case& c : cases) {
    ResponseQuantity q;
    std::string error;
    ASSERT_TRUE(ParseResponseQuantity(c.text, q, error)) << error;
    const double got = ResponseQuantityValue(q, results);
    if (std::isnan(c.want)) {
      EXPECT_TRUE(std::isnan(got)) << c.text;
    } else {
      EXPECT_NEAR(got, c.want, 1e-9) << c.text;
    }
  }
  // The dual-channel method has no distortion; nothing measured has no delay either.
  ResponseQuantity thd{ResponseQuantityKind::kThdDb, 100};
  EXPECT_TRUE(std::isnan(ResponseQuantityValue(thd, {&t, nullptr, 96, 48000})));
  ResponseQuantity delay{ResponseQuantityKind::kDelayMs, 0};
  EXPECT_TRUE(std::isnan(ResponseQuantityValue(delay, {nullptr, nullptr, 96, 48000})));
}

TEST(AnalysisResponseQuantityTest, CsvFilesHaveTheirHeadersAndLeaveUnknownsEmpty) {
  ResponseTrace t;
  t.Resize(3);
  t.frequencyHz = {0, 100, 200.5};
  t.gainDb = {1, -3.5, kNaN};
  t.phaseDeg = {0, 45, kNaN};
  t.coherence = {1, 0.999, kNaN};
  EXPECT_EQ(ResponseCsv(t),
            "frequency_hz,gain_db,phase_deg,coherence\n100,-3.5,45,0.999\n200.5,,,\n");

  DistortionTrace d;
  d.frequencyHz = {50};
  d.thdDb = {-40};
  d.thdPercent = {1};
  d.harmonicDb[2] = {-40.5};
  d.harmonicDb[3] = {kNaN};
  EXPECT_EQ(DistortionCsv(d),
            "frequency_hz,thd_db,thd_percent,h2_db,h3_db,h4_db,h5_db\n50,-40,1,-40.5,,,\n");

  EXPECT_EQ(ImpulseCsv({0.1, -1, 0, 0.5}, 1, 1000),
            "time_ms,amplitude,level_db\n-1,0.1,-20\n0,-1,0\n1,0,\n2,0.5,-6.020599913\n");
  EXPECT_EQ(ImpulseCsv({1}, 0, 0), "time_ms,amplitude,level_db\n");
}

}  // namespace
