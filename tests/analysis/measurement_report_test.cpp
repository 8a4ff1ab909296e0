// Statistics, the measurement file, the expectations, the log rows and the readout's texts.
#include "analysis/measurement_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "analysis/measurement_stats.h"

namespace {

std::vector<std::string> Split(const std::string& text, char by) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, by)) parts.push_back(part);
  if (!text.empty() && text.back() == by) parts.push_back(std::string());
  return parts;
}

// A channel with every value valid: value i is 100 * i + 0.125.
ChannelMeasurement AllValid() {
  ChannelMeasurement m;
  for (std::size_t i = 0; i < kQuantityCount; ++i) {
    m.value[i] = 100.0 * static_cast<double>(i) + 0.125;
    m.valid[i] = true;
  }
  return m;
}

double At(const ChannelMeasurement& m, Quantity q) { return m.Value(q); }

}  // namespace

TEST(MeasurementStats, WelfordAgreesWithTheTwoPassFormulas) {
  std::mt19937 gen(7);
  std::normal_distribution<double> d(1e6, 3.0);  // large mean, small spread
  std::vector<double> v(1000);
  RunningStats s;
  for (double& x : v) {
    x = d(gen);
    s.Add(x);
  }
  double mean = 0;
  for (double x : v) mean += x;
  mean /= static_cast<double>(v.size());
  double ss = 0;
  for (double x : v) ss += (x - mean) * (x - mean);
  EXPECT_EQ(s.Count(), v.size());
  EXPECT_NEAR(s.Mean(), mean, 1e-9);
  EXPECT_NEAR(s.StdDev(), std::sqrt(ss / static_cast<double>(v.size() - 1)), 1e-9);
  EXPECT_EQ(s.Min(), *std::min_element(v.begin(), v.end()));
  EXPECT_EQ(s.Max(), *std::max_element(v.begin(), v.end()));
  s.Add(NAN);
  EXPECT_EQ(s.Count(), v.size()) << "not a number is no value";
  s.Reset();
  EXPECT_EQ(s.Count(), 0u);
  s.Add(-4);
  EXPECT_EQ(s.StdDev(), 0);
  EXPECT_EQ(s.Min(), -4);
  EXPECT_EQ(s.Max(), -4);
}

TEST(MeasurementStats, OnlyValidValuesCountButEveryUpdateIsCounted) {
  ChannelStats stats;
  ChannelMeasurement m = AllValid();
  stats.Add(m);
  m.valid[static_cast<std::size_t>(Quantity::kThdDb)] = false;
  m.value[static_cast<std::size_t>(Quantity::kThdDb)] = 1e9;
  stats.Add(m);
  EXPECT_EQ(stats.Updates(), 2u);
  EXPECT_EQ(stats.Of(Quantity::kThdDb).Count(), 1u);
  EXPECT_EQ(stats.Of(Quantity::kThdDb).Max(), At(AllValid(), Quantity::kThdDb));
  EXPECT_EQ(stats.Of(Quantity::kRms).Count(), 2u);
  stats.Reset();
  EXPECT_EQ(stats.Updates(), 0u);
  EXPECT_EQ(stats.Of(Quantity::kRms).Count(), 0u);
}

TEST(MeasurementFile, HeaderAndOneRowPerChannelAndQuantity) {
  ChannelMeasurement last[2] = {AllValid(), AllValid()};
  last[1].valid[static_cast<std::size_t>(Quantity::kSnr)] = false;
  ChannelStats stats[2];
  stats[0].Add(last[0]);
  ChannelMeasurement second = AllValid();
  second.value[0] = 1000.000012345;
  stats[0].Add(second);
  const std::string csv = MeasurementCsv(last, stats, 2);
  const std::vector<std::string> lines = Split(csv, '\n');
  ASSERT_EQ(lines.size(), 1 + 2 * kQuantityCount + 1) << "a line feed ends the last row";
  EXPECT_EQ(lines[0], "channel,quantity,value,unit,valid,mean,min,max,stddev,count");
  EXPECT_EQ(lines.back(), "");
  for (std::size_t r = 0; r < 2 * kQuantityCount; ++r) {
    const std::vector<std::string> f = Split(lines[r + 1], ',');
    ASSERT_EQ(f.size(), 10u) << lines[r + 1];
    const Quantity q = QuantityAt(r % kQuantityCount);
    EXPECT_EQ(f[0], r < kQuantityCount ? "left" : "right");
    EXPECT_EQ(f[1], QuantityName(q));
    EXPECT_EQ(f[3], QuantityUnit(q));
  }
  // left,frequency: the last value, then the statistics of the two updates.
  const std::vector<std::string> f = Split(lines[1], ',');
  EXPECT_EQ(f[2], "0.125");
  EXPECT_EQ(f[4], "1");
  EXPECT_NEAR(std::stod(f[5]), (0.125 + 1000.000012345) / 2, 1e-7);
  EXPECT_EQ(f[6], "0.125");
  EXPECT_EQ(f[7], "1000.000012") << "ten significant digits";
  EXPECT_NEAR(std::stod(f[8]), std::sqrt(2.0) / 2 * (1000.000012345 - 0.125), 1e-5);
  EXPECT_EQ(f[9], "2");
  // right,snr: not valid, so no value; the right channel had no update, so no statistics.
  const std::vector<std::string> snr =
      Split(lines[1 + kQuantityCount + static_cast<std::size_t>(Quantity::kSnr)], ',');
  EXPECT_EQ(snr[2], "");
  EXPECT_EQ(snr[4], "0");
  EXPECT_EQ(snr[5] + snr[6] + snr[7] + snr[8], "");
  EXPECT_EQ(snr[9], "0");
}

TEST(MeasurementFile, OneChannelHasOnlyLeftRowsAndNumbersUseAPoint) {
  ChannelMeasurement last = AllValid();
  last.value[2] = -1234567.5;
  last.value[3] = 1.5e-12;
  ChannelStats stats;
  const std::string csv = MeasurementCsv(&last, &stats, 1);
  EXPECT_EQ(csv.find("right"), std::string::npos);
  EXPECT_NE(csv.find("left,vpp,-1234567.5,mV,1"), std::string::npos) << csv;
  EXPECT_NE(csv.find("left,vmax,1.5e-12,mV,1"), std::string::npos) << csv;
  EXPECT_EQ(FormatMeasurementNumber(0.1), "0.1");
  EXPECT_EQ(FormatMeasurementNumber(-92.07604031), "-92.07604031");
  EXPECT_EQ(std::stod(FormatMeasurementNumber(1000.0000123)), 1000.000012);
}

TEST(MeasurementExpectation, TheThreeFormsAndTheirMistakes) {
  Expectation e;
  std::string error;
  ASSERT_TRUE(ParseExpectation("left.frequency=1000+-0.5", e, error)) << error;
  EXPECT_EQ(e.channel, 0);
  EXPECT_EQ(e.quantity, Quantity::kFrequency);
  EXPECT_EQ(e.op, Expectation::Op::kNear);
  EXPECT_EQ(e.figure, 1000);
  EXPECT_EQ(e.tolerance, 0.5);
  ASSERT_TRUE(ParseExpectation(" right.thd_db < -60 ", e, error)) << error;
  EXPECT_EQ(e.channel, 1);
  EXPECT_EQ(e.op, Expectation::Op::kBelow);
  EXPECT_EQ(e.figure, -60);
  ASSERT_TRUE(ParseExpectation("left.snr>8e1", e, error));
  EXPECT_EQ(e.op, Expectation::Op::kAbove);
  EXPECT_EQ(e.figure, 80);
  ASSERT_TRUE(ParseExpectation("left.rms=500+-1%", e, error));
  EXPECT_EQ(e.tolerance, 5);
  // A figure alone is met at the precision it is written with.
  struct Precision {
    const char* text;
    double tolerance;
  };
  const Precision precisions[] = {{"left.mean=0", 0.5},           {"left.mean=0.000", 5e-4},
                                  {"left.rms=362.0386976", 5e-8}, {"left.rms=1e3", 500},
                                  {"left.rms=1.25e-3", 5e-6},     {"left.rms=-2.5E+2", 5}};
  for (const Precision& p : precisions) {
    ASSERT_TRUE(ParseExpectation(p.text, e, error)) << p.text;
    EXPECT_NEAR(e.tolerance, p.tolerance, p.tolerance * 1e-12) << p.text;
  }

  for (const char* bad :
       {"frequency=1000", "middle.rms>1", "left.THD<1", "left.rms", "left.rms<", "left.rms<abc",
        "left.rms=1+-", "left.rms=1+--2", "left.rms=1,5+-1", "left.rms>nan", "left.rms<1 2"}) {
    error.clear();
    EXPECT_FALSE(ParseExpectation(bad, e, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
  }
}

TEST(MeasurementExpectation, ChecksTheNewestValueAndNeverPassesAnInvalidOne) {
  ChannelMeasurement m;
  m.value[static_cast<std::size_t>(Quantity::kFrequency)] = 1000.2;
  m.valid[static_cast<std::size_t>(Quantity::kFrequency)] = true;
  m.value[static_cast<std::size_t>(Quantity::kThdDb)] = -62.5;
  m.valid[static_cast<std::size_t>(Quantity::kThdDb)] = true;
  auto check = [&](const char* text, int channels = 1) {
    Expectation e;
    std::string error;
    EXPECT_TRUE(ParseExpectation(text, e, error)) << error;
    return CheckExpectation(e, &m, channels);
  };
  EXPECT_EQ(check("left.frequency=1000+-0.5"), "");
  EXPECT_EQ(check("left.frequency=1000+-0.2"), "") << "the bound itself passes";
  EXPECT_EQ(check("left.thd_db<-60"), "");
  EXPECT_EQ(check("left.thd_db>-70"), "");
  EXPECT_EQ(check("left.frequency=1000+-0.1"),
            "expectation left.frequency=1000+-0.1 failed: left.frequency is 1000.2 Hz");
  EXPECT_EQ(check("left.thd_db<-80"),
            "expectation left.thd_db<-80 failed: left.thd_db is -62.5 dB");
  EXPECT_EQ(check("left.thd_db<-62.5"),
            "expectation left.thd_db<-62.5 failed: left.thd_db is "
            "-62.5 dB")
      << "below is strict";
  // A figure copied from the measurement file passes; one a digit off does not.
  m.value[static_cast<std::size_t>(Quantity::kRms)] = 362.03869764;
  m.valid[static_cast<std::size_t>(Quantity::kRms)] = true;
  EXPECT_EQ(check(("left.rms=" + FormatMeasurementNumber(362.03869764)).c_str()), "");
  EXPECT_EQ(check("left.rms=362.04"), "");
  EXPECT_EQ(check("left.rms=362.0386977"),
            "expectation left.rms=362.0386977 failed: left.rms is 362.0386976 mV");
  m.flags.noTone = true;
  EXPECT_EQ(check("left.snr>0"),
            "expectation left.snr>0 failed: left.snr is not valid (no tone stands out)");
  m.flags.clipping = true;
  EXPECT_EQ(check("left.vpp>0"),
            "expectation left.vpp>0 failed: left.vpp is not valid (the input clips)");
  EXPECT_EQ(check("right.frequency=1000+-1"),
            "expectation right.frequency=1000+-1 failed: the input has no right channel");
}

TEST(MeasurementLogRows, HeaderNamesEveryColumnAndRowsMatchIt) {
  const std::string header = MeasurementLogHeader(2);
  const std::vector<std::string> names = Split(header.substr(0, header.size() - 1), ',');
  ASSERT_EQ(names.size(), 1 + 2 * kQuantityCount);
  EXPECT_EQ(names[0], "time_s");
  EXPECT_EQ(names[1], "left_frequency");
  EXPECT_EQ(names[kQuantityCount], "left_enob");
  EXPECT_EQ(names[kQuantityCount + 1], "right_frequency");
  EXPECT_EQ(names.back(), "right_enob");
  ChannelMeasurement last[2] = {AllValid(), AllValid()};
  last[1].valid[0] = false;
  const std::string row = MeasurementLogRow(12.3456, last, 2);
  ASSERT_EQ(row.back(), '\n');
  const std::vector<std::string> f = Split(row.substr(0, row.size() - 1), ',');
  ASSERT_EQ(f.size(), names.size());
  EXPECT_EQ(f[0], "12.346");
  EXPECT_EQ(f[2], "100.125");
  EXPECT_EQ(f[kQuantityCount + 1], "") << "an invalid value is left empty";
  EXPECT_EQ(MeasurementLogHeader(1),
            "time_s," + std::string(Split(header, ',')[1]) +
                header.substr(header.find(",left_period"),
                              header.find(",right_") - header.find(",left_period")) +
                "\n");
}

TEST(MeasurementReadout, ValuesCarryUnitsAndInvalidOnesTheirReason) {
  ChannelMeasurement m;
  auto set = [&](Quantity q, double v) {
    m.value[static_cast<std::size_t>(q)] = v;
    m.valid[static_cast<std::size_t>(q)] = true;
  };
  set(Quantity::kFrequency, 1000.000123);
  set(Quantity::kThdDb, -92.312345);
  set(Quantity::kMean, 3e-16);
  set(Quantity::kCrest, 1.41421356);
  EXPECT_EQ(ReadoutValue(m, Quantity::kFrequency), "1000.000 Hz");
  EXPECT_EQ(ReadoutValue(m, Quantity::kThdDb), "-92.31 dB");
  EXPECT_EQ(ReadoutValue(m, Quantity::kMean), "0.00 mV");
  EXPECT_EQ(ReadoutValue(m, Quantity::kCrest), "1.414");
  EXPECT_EQ(ReadoutValue(m, Quantity::kSnr), "---");
  m.flags.noTone = true;
  EXPECT_EQ(ReadoutValue(m, Quantity::kSnr), "--- (no tone)");
  m.flags.clipping = true;
  m.valid[static_cast<std::size_t>(Quantity::kThdDb)] = false;
  EXPECT_EQ(ReadoutValue(m, Quantity::kThdDb), "--- (clips)");

  ChannelStats stats[2];
  stats[0].Add(m);
  const std::vector<ReadoutRow> rows =
      BuildReadout(&m, stats, 1, {Quantity::kCrest, Quantity::kThdDb}, true);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].label, "Crest factor");
  EXPECT_TRUE(rows[0].valid[0]);
  EXPECT_EQ(rows[0].mean[0], "mean 1.414 sd 0.000");
  EXPECT_EQ(rows[0].range[0], "1.414 .. 1.414");
  EXPECT_FALSE(rows[1].valid[0]);
  EXPECT_EQ(rows[1].mean[0], "") << "no valid update yet";
  EXPECT_EQ(rows[1].value[1], "") << "one channel";
}

// Each quantity with the digits it resolves and the name a person reads; the files keep the
// keys.
TEST(MeasurementReadout, DigitsFollowTheQuantityAndItsUnit) {
  struct Case {
    Quantity q;
    double value;
    const char* text;
  };
  const Case cases[] = {
      {Quantity::kDbfs, -6.020899, "-6.02 dBFS"},
      {Quantity::kDbfs, -0.004, "0.00 dBFS"},
      {Quantity::kThdNDb, -80.1234, "-80.12 dB"},
      {Quantity::kSnr, 96.3349, "96.33 dB"},
      {Quantity::kRms, 353.553390, "353.55 mV"},
      {Quantity::kVpp, 1999.9876, "1999.99 mV"},
      {Quantity::kFrequency, 997.0001234, "997.000 Hz"},
      {Quantity::kFrequency, 15000.123456, "15000.12 Hz"},
      {Quantity::kFrequency, 20.5, "20.500 Hz"},
      {Quantity::kPeakFrequency, 1000.4567, "1000.46 Hz"},
      {Quantity::kPeriod, 1.00300903, "1.00301 ms"},
      {Quantity::kThd, 0.00123456, "0.00123 %"},
      {Quantity::kThdN, 12.3456, "12.3 %"},
      {Quantity::kDuty, 50.004, "50.00 %"},
      {Quantity::kRise, 0.0212345, "0.0212 ms"},
      {Quantity::kEnob, 15.678, "15.68 bits"},
      {Quantity::kCrest, 3.0, "3.000"},
  };
  for (const Case& c : cases) {
    ChannelMeasurement m;
    m.value[static_cast<std::size_t>(c.q)] = c.value;
    m.valid[static_cast<std::size_t>(c.q)] = true;
    EXPECT_EQ(ReadoutValue(m, c.q), c.text) << QuantityName(c.q) << " " << c.value;
  }
  const std::pair<Quantity, const char*> names[] = {{Quantity::kThdNDb, "THD+N (dB)"},
                                                    {Quantity::kThdN, "THD+N (%)"},
                                                    {Quantity::kRms, "Vrms (mV)"},
                                                    {Quantity::kSnr, "SNR (dB)"},
                                                    {Quantity::kCrest, "Crest factor"}};
  for (const auto& [q, text] : names) EXPECT_EQ(QuantityMenuText(q), text);
  // Every quantity has a title, and the keys stay what the files and the command line use.
  for (std::size_t i = 0; i < kQuantityCount; ++i) {
    EXPECT_FALSE(QuantityTitle(QuantityAt(i)).empty());
    EXPECT_NE(QuantityTitle(QuantityAt(i)), QuantityName(QuantityAt(i)));
  }
  EXPECT_EQ(QuantityName(Quantity::kThdNDb), "thd_n_db");
}

// The values measured beside the quantities: the peaks of --markers and the cursors.
TEST(ExtraMeasurementTest, ExpectationsOnPeaksAndCursors) {
  struct Case {
    const char* text;
    bool ok;
    const char* channel;
    const char* quantity;
  };
  const Case cases[] = {
      {"left.peak2_hz=3000+-0.5", true, "left", "peak2_hz"},
      {"right.peak8_db>-20", true, "right", "peak8_db"},
      {"cursor.inv_dx=1000+-0.05%", true, "cursor", "inv_dx"},
      {"cursor.dy<3", true, "cursor", "dy"},
      {"left.peak9_hz=1", false, "", ""},
      {"left.peak0_hz=1", false, "", ""},
      {"left.peak1_khz=1", false, "", ""},
      {"cursor.frequency=1000", false, "", ""},
      {"cursor.dx=abc", false, "", ""},
      {"left.frequency=1000", true, "", ""},
  };
  for (const Case& c : cases) {
    Expectation e;
    std::string error;
    EXPECT_EQ(ParseExpectation(c.text, e, error), c.ok) << c.text << ": " << error;
    if (!c.ok) continue;
    EXPECT_EQ(e.extraChannel, c.channel) << c.text;
    EXPECT_EQ(e.extraQuantity, c.quantity) << c.text;
  }

  const std::vector<ExtraMeasurement> extras = {{"left", "peak2_hz", 3000.2, "Hz", true},
                                                {"left", "peak3_hz", 0, "Hz", false},
                                                {"cursor", "inv_dx", 1000.3, "Hz", true}};
  struct Check {
    const char* text;
    const char* failure;  // a part of the failure line; nullptr when it holds
  };
  const Check checks[] = {
      {"left.peak2_hz=3000+-0.5", nullptr},
      {"left.peak2_hz=3000+-0.1", "left.peak2_hz is 3000.2 Hz"},
      {"left.peak3_hz>1", "left.peak3_hz is not valid"},
      {"right.peak2_hz>1", "right.peak2_hz was not measured (--markers N"},
      {"cursor.inv_dx=1000+-0.05%", nullptr},
      {"cursor.inv_dx=1000+-0.01%", "cursor.inv_dx is 1000.3 Hz"},
      {"cursor.dx>0", "cursor.dx was not measured (--cursors"},
  };
  ChannelMeasurement last[1];
  for (const Check& c : checks) {
    Expectation e;
    std::string error;
    ASSERT_TRUE(ParseExpectation(c.text, e, error)) << c.text;
    const std::string failure = CheckExpectation(e, last, 1, extras);
    if (c.failure == nullptr) {
      EXPECT_EQ(failure, "") << c.text;
    } else {
      EXPECT_NE(failure.find(c.failure), std::string::npos) << c.text << ": " << failure;
    }
  }
}

TEST(ExtraMeasurementTest, RowsInTheMeasurementFilesColumns) {
  EXPECT_EQ(ExtraMeasurementRows({{"left", "peak1_hz", 1000.25, "Hz", true},
                                  {"right", "peak1_db", 0, "dBFS", false}}),
            "left,peak1_hz,1000.25,Hz,1,,,,,0\nright,peak1_db,,dBFS,0,,,,,0\n");
}
