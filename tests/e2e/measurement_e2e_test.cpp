// The measurements end to end: the built program's measurement file, expectations and exit
// status, its log; and the readout beside the scope view in the real application object.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <complex>
#include <map>

#include "analysis/measurements.h"
#include "e2e_reliability_support.h"
#include "features/measure/measure_feature.h"
#include "features/measure/measurement_panel.h"
#include "instrument_support.h"
#include "platform/command_ids.h"
#include "platform/user_profile.h"
#include "support/file_bytes.h"
#include "support/needs_environment.h"
#include "support/private_program.h"
#include "support/profile_lock.h"
#include "view/measurement_log.h"
#include "view/measurement_station.h"
#include "view/view_dialogs.h"

using namespace e2e;
using namespace instrument;

namespace {

// The built generator's sine at level 0.5: its peak in counts.
constexpr double kToneAmplitude = 0.5 * 32767;

std::vector<QStringList> CsvRows(const QString& path) {
  QFile f(path);
  std::vector<QStringList> rows;
  if (!f.open(QIODevice::ReadOnly)) return rows;
  for (const QByteArray& line : f.readAll().split('\n')) {
    if (!line.isEmpty()) rows.push_back(QString::fromUtf8(line).split(','));
  }
  return rows;
}

// "left.frequency" -> its row of a measurement file.
std::map<QString, QStringList> ByName(const std::vector<QStringList>& rows) {
  std::map<QString, QStringList> out;
  for (size_t i = 1; i < rows.size(); ++i) {
    if (rows[i].size() >= 2) out[rows[i][0] + "." + rows[i][1]] = rows[i];
  }
  return out;
}

QStringList OwnLines(const QString& err) {
  QStringList own;
  for (const QString& line : err.split('\n', Qt::SkipEmptyParts)) {
    if (line.startsWith("aurivue: ")) own << line;
  }
  return own;
}

class MeasureProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(m_program.ok(), "the program is not built (build/src/aurivue)");
    ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  }
  PrivateProgram m_program;
};

}  // namespace

TEST_F(MeasureProgramTest, MeasurementFileOfTheBuiltInToneAndPassingExpectations) {
  const QString csv = m_program.Path("m.csv");
  const auto r = m_program.Run({"--input", "tone:1000", "--power", "--frames", "3", "--measure",
                                csv, "--expect", "left.frequency=1000+-0.01", "--expect",
                                "right.thd_db<-80", "--expect", "left.snr>80", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(OwnLines(r.err).isEmpty()) << r.err.toStdString();
  const std::vector<QStringList> rows = CsvRows(csv);
  ASSERT_EQ(rows.size(), 1 + 2 * kQuantityCount);
  EXPECT_EQ(rows[0].join(','), "channel,quantity,value,unit,valid,mean,min,max,stddev,count");
  std::map<QString, QStringList> m = ByName(rows);
  for (const char* channel : {"left", "right"}) {
    const QString c = channel;
    EXPECT_NEAR(m[c + ".frequency"][2].toDouble(), 1000, 1000 * 1e-5);
    EXPECT_EQ(m[c + ".frequency"][4], "1");
    EXPECT_EQ(m[c + ".frequency"][9], "3") << "one update per buffer";
    const double vpp = 2 * kToneAmplitude * 1000 / 32000;
    EXPECT_NEAR(m[c + ".vpp"][2].toDouble(), vpp, vpp * 1e-3);
    EXPECT_NEAR(m[c + ".rms"][2].toDouble(), vpp / 2 / std::sqrt(2.0), vpp * 1e-3);
    EXPECT_NEAR(m[c + ".dbfs"][2].toDouble(), 20 * std::log10(0.5), 0.01);
    EXPECT_EQ(m[c + ".rms"][3], "mV");
  }
}

TEST_F(MeasureProgramTest, FailedExpectationsArePrintedOneALineAndEndWithStatusThree) {
  const auto r = m_program.Run({"--input", "tone:1000", "--power", "--frames", "2", "--expect",
                                "left.frequency=1010+-1", "--expect", "left.vpp>0", "--expect",
                                "right.thd_db>0", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
  const QStringList own = OwnLines(r.err);
  ASSERT_EQ(own.size(), 2) << r.err.toStdString();
  EXPECT_TRUE(
      own[0].startsWith("aurivue: expectation left.frequency=1010+-1 failed: "
                        "left.frequency is 1000"))
      << own[0].toStdString();
  EXPECT_TRUE(own[1].startsWith("aurivue: expectation right.thd_db>0 failed: right.thd_db is -"))
      << own[1].toStdString();
}

TEST_F(MeasureProgramTest, ABadExpectationIsABadOptionValue) {
  const auto r = m_program.Run({"--input", "tone:1000", "--expect", "left.loudness>3", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 2);
  const QStringList own = OwnLines(r.err);
  ASSERT_EQ(own.size(), 1);
  EXPECT_TRUE(own[0].contains("--expect")) << own[0].toStdString();
}

TEST_F(MeasureProgramTest, DistortionOfARecordingAndAClippingChannel) {
  REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
  // Left: 1 kHz with its 3rd harmonic 60 dB down; right: a sine driven far past full scale.
  const unsigned rate = 44100;
  Stereo s(2 * rate * 2);
  for (size_t i = 0; i < s.size() / 2; ++i) {
    const double a = 2 * kPi * 1000 * static_cast<double>(i) / rate;
    s[2 * i] = static_cast<int16_t>(std::lround(20000 * std::sin(a) + 20 * std::sin(3 * a)));
    s[2 * i + 1] =
        static_cast<int16_t>(std::clamp(std::lround(90000 * std::sin(a)), -32768L, 32767L));
  }
  const std::string wav = m_program.PathStd("dut.wav");
  ASSERT_TRUE(WriteRecording(wav, rate, s));
  const QString csv = m_program.Path("m.csv");
  const auto r =
      m_program.Run({"--input", "file:dut.wav", "--power", "--frames", "2", "--measure", csv,
                     "--expect", "left.thd_db=-60+-0.5", "--expect", "right.vpp>0", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
  const QStringList own = OwnLines(r.err);
  ASSERT_EQ(own.size(), 1) << r.err.toStdString();
  EXPECT_EQ(own[0].toStdString(),
            "aurivue: expectation right.vpp>0 failed: right.vpp is not valid (the input clips)");
  std::map<QString, QStringList> m = ByName(CsvRows(csv));
  EXPECT_NEAR(m["left.thd"][2].toDouble(), 0.1, 0.006);
  for (size_t i = 0; i < kQuantityCount; ++i) {
    const QString name = "right." + QString::fromUtf8(QuantityName(QuantityAt(i)).data());
    EXPECT_EQ(m[name][2], "") << name.toStdString();
    EXPECT_EQ(m[name][4], "0") << name.toStdString();
  }
}

TEST_F(MeasureProgramTest, OneChannelInputHasOnlyLeftRows) {
  ASSERT_TRUE(m_program.WriteSettings(
      "[Card]\nChannels=1\nBits=16\nRateIndex=4\nFFTWindow=1\nVoltValue=16000\nFilterType=1\n"
      "FreqPoint=10000\n"));
  const QString csv = m_program.Path("mono.csv");
  const auto r = m_program.Run({"--input", "tone:440", "--power", "--frames", "2", "--measure", csv,
                                "--expect", "right.rms>0", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_TRUE(r.err.contains("the input has no right channel")) << r.err.toStdString();
  const std::vector<QStringList> rows = CsvRows(csv);
  ASSERT_EQ(rows.size(), 1 + kQuantityCount);
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i][0], "left");
  std::map<QString, QStringList> m = ByName(rows);
  EXPECT_NEAR(m["left.frequency"][2].toDouble(), 440, 440 * 1e-5);
  // The calibration: 16000 counts make a volt.
  const double vpp = 2 * kToneAmplitude * 1000 / 16000;
  EXPECT_NEAR(m["left.vpp"][2].toDouble(), vpp, vpp * 1e-3);
}

TEST_F(MeasureProgramTest, LogHasOneRowPerUpdateWithRisingTimes) {
  const QString log = m_program.Path("log.csv");
  const QString csv = m_program.Path("m.csv");
  const auto r = m_program.Run({"--input", "tone:1000", "--power", "--frames", "4", "--log", log,
                                "--measure", csv, "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  const std::vector<QStringList> rows = CsvRows(log);
  ASSERT_EQ(rows.size(), 5u) << "the header and one row per buffer";
  ASSERT_EQ(rows[0].size(), static_cast<int>(1 + 2 * kQuantityCount));
  EXPECT_EQ(rows[0][0], "time_s");
  EXPECT_EQ(rows[0][1], "left_frequency");
  EXPECT_EQ(rows[0].back(), "right_enob");
  double previous = -1;
  for (size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), rows[0].size());
    const double t = rows[i][0].toDouble();
    EXPECT_GT(t, previous) << "row " << i;
    previous = t;
    EXPECT_NEAR(rows[i][1].toDouble(), 1000, 0.01);
  }
  // Half-second buffers come no faster than the tone is paced: four span at least 1.5 s.
  EXPECT_GE(previous - rows[1][0].toDouble(), 1.0);
  EXPECT_EQ(ByName(CsvRows(csv))["left.frequency"][9], "4");
}

TEST_F(MeasureProgramTest, LogThatCannotBeWrittenFailsTheRun) {
  const auto r = m_program.Run({"--input", "tone:1000", "--power", "--frames", "1", "--log",
                                m_program.Path("no/such/folder/log.csv"), "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("measurement log")) << r.err.toStdString();
}

TEST_F(MeasureProgramTest, LiveMeasuresTheNewestHalfSecondOfTheRing) {
  const QString csv = m_program.Path("live.csv");
  const auto r =
      m_program.Run({"--live", "--input", "tone:2000", "--power", "--frames", "60", "--measure",
                     csv, "--expect", "left.frequency=2000+-0.02", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  std::map<QString, QStringList> m = ByName(CsvRows(csv));
  EXPECT_GE(m["left.frequency"][9].toInt(), 1);
}

namespace {

class MeasurePanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The readout's entries in the shared test profile are this test's until it ends.
    m_profileLock = std::make_unique<support::ProfileLock>();
    QStandardPaths::setTestModeEnabled(true);
    UserProfile().remove("Measurements");
    m_session = std::make_unique<AppSession>("tone:1000");
    ASSERT_TRUE(m_session->ok()) << m_session->error();
    m_session->App().m_nFilterType = 1;
  }
  void TearDown() override {
    if (m_session && m_session->PowerOn()) m_session->ClickPower();
    m_session.reset();
    UserProfile().remove("Measurements");
    m_profileLock.reset();
  }
  MeasurementPanel* Panel() { return MeasurePanelOf(m_session->Frame()->Features()); }
  std::unique_ptr<support::ProfileLock> m_profileLock;
  std::unique_ptr<AppSession> m_session;
};

}  // namespace

TEST_F(MeasurePanelTest, HiddenByDefaultThenBesideTheViewFromTheViewMenuAndKept) {
  CMainFrame* frame = m_session->Frame();
  Pump(50ms);
  ASSERT_NE(Panel(), nullptr);
  EXPECT_FALSE(Panel()->isVisible());
  const QRect viewAlone = frame->ScopeView()->geometry();
  EXPECT_FALSE(MeasurementsOf(frame->Features())->Active()) << "nothing is measured nobody reads";

  SendCommandTo(frame, ID_VIEW_MEASUREMENTS);
  Pump(50ms);
  ASSERT_TRUE(Panel()->isVisible());
  const QRect view = frame->ScopeView()->geometry();
  const QRect panel = Panel()->geometry();
  EXPECT_EQ(view.left(), viewAlone.left());
  EXPECT_LT(view.width(), viewAlone.width());
  EXPECT_GT(panel.left(), view.right()) << "to the right of the view";
  EXPECT_EQ(panel.top(), view.top());
  EXPECT_GT(panel.width(), 100);
  EXPECT_TRUE(UserProfile().value("Measurements/Visible").toBool());

  m_session->ClickPower();
  const uint64_t before = MeasurementsOf(frame->Features())->Updates();
  ASSERT_TRUE(
      PumpUntil([&] { return MeasurementsOf(frame->Features())->Updates() >= before + 2; }, 10s));
  const std::vector<ReadoutRow>& rows = Panel()->Rows();
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0].quantity, Quantity::kFrequency);
  EXPECT_TRUE(rows[0].valid[0]);
  EXPECT_EQ(rows[0].value[0].rfind("1000", 0), 0u) << rows[0].value[0];
  EXPECT_EQ(rows[0].value[0].substr(rows[0].value[0].size() - 3), " Hz");
  EXPECT_EQ(Panel()->Channels(), 2);
  // The panel paints its values (light text on black).
  QImage picture(Panel()->size(), QImage::Format_RGB32);
  Panel()->render(&picture);
  int lit = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) lit += qGreen(picture.pixel(x, y)) > 128;
  }
  EXPECT_GT(lit, 200);

  SendCommandTo(frame, ID_VIEW_MEASURE_RESET);
  EXPECT_EQ(MeasurementsOf(frame->Features())->Stats()[0].Of(Quantity::kFrequency).Count(), 0u);

  SendCommandTo(frame, ID_VIEW_MEASUREMENTS);
  Pump(50ms);
  EXPECT_FALSE(Panel()->isVisible());
  EXPECT_EQ(frame->ScopeView()->geometry(), viewAlone) << "the layout as it was";
  EXPECT_FALSE(UserProfile().value("Measurements/Visible").toBool());
  EXPECT_FALSE(MeasurementsOf(frame->Features())->Active());
}

TEST_F(MeasurePanelTest, StatisticsStartAgainAtPowerOnAndInvalidValuesShowAsDashes) {
  CMainFrame* frame = m_session->Frame();
  SendCommandTo(frame, ID_VIEW_MEASUREMENTS);
  Panel()->SetStatistics(true);
  Panel()->SetQuantities({Quantity::kFrequency, Quantity::kRms});
  MeasurementStation* station = MeasurementsOf(frame->Features());
  m_session->ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return station->Stats()[0].Updates() >= 5; }, 15s));
  const RunningStats& f = station->Stats()[0].Of(Quantity::kFrequency);
  EXPECT_GE(f.Count(), 5u);
  EXPECT_NEAR(f.Mean(), 1000, 0.01);
  EXPECT_LT(f.StdDev(), 0.01);
  EXPECT_EQ(Panel()->Rows().size(), 2u);
  EXPECT_EQ(Panel()->Rows()[0].mean[0].rfind("mean 1000", 0), 0u) << Panel()->Rows()[0].mean[0];
  m_session->ClickPower();
  m_session->ClickPower();
  // The old figures go with POWER on, before the first new buffer.
  ASSERT_TRUE(PumpUntil([&] { return station->Stats()[0].Updates() == 0; }, 2s));
  uint64_t seen = station->Updates();
  ASSERT_TRUE(PumpUntil([&] { return station->Updates() > seen; }, 10s));
  // One update, two when the test was slow to look.
  EXPECT_LE(station->Stats()[0].Updates(), 2u) << "counted again from POWER on";
  m_session->ClickPower();

  // Silence on the left: levels, but no frequency.
  std::string error;
  ASSERT_TRUE(SelectWaveInput("tone:right=1000", &error)) << error;
  seen = station->Updates();
  m_session->ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return station->Updates() > seen; }, 10s));
  EXPECT_FALSE(Panel()->Rows()[0].valid[0]);
  EXPECT_EQ(Panel()->Rows()[0].value[0].rfind("---", 0), 0u) << Panel()->Rows()[0].value[0];
  EXPECT_TRUE(Panel()->Rows()[1].valid[0]);
  EXPECT_TRUE(Panel()->Rows()[0].valid[1]);
}

TEST_F(MeasurePanelTest, LogFromTheViewMenuGetsARowPerBufferUntilStopped) {
  CMainFrame* frame = m_session->Frame();
  QTemporaryDir dir;
  const QString path = dir.filePath("menu-log.csv");
  SaveFileDialogHook previous = SetSaveFileDialogHook(
      [&](const SaveFileRequest&) { return std::optional<std::string>(path.toStdString()); });
  SendCommandTo(frame, ID_VIEW_MEASURE_LOG);
  SetSaveFileDialogHook(previous);
  ASSERT_TRUE(MeasureLogOf(frame->Features())->Running());
  EXPECT_TRUE(MeasurementsOf(frame->Features())->Active());
  m_session->ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return MeasureLogOf(frame->Features())->Rows() >= 3; }, 10s));
  SendCommandTo(frame, ID_VIEW_MEASURE_LOG);
  EXPECT_FALSE(MeasureLogOf(frame->Features())->Running());
  const uint64_t rows = MeasureLogOf(frame->Features())->Rows();
  Pump(1200ms);
  EXPECT_EQ(CsvRows(path).size(), rows + 1) << "nothing after the stop";
  EXPECT_FALSE(MeasurementsOf(frame->Features())->Active());
  // The next log is offered in the folder of the last one.
  std::string offered;
  previous = SetSaveFileDialogHook([&](const SaveFileRequest& r) {
    offered = r.initialPath;
    return std::optional<std::string>();
  });
  SendCommandTo(frame, ID_VIEW_MEASURE_LOG);
  SetSaveFileDialogHook(previous);
  EXPECT_FALSE(MeasureLogOf(frame->Features())->Running());
  EXPECT_EQ(QFileInfo(QString::fromStdString(offered)).absolutePath(),
            QFileInfo(path).absolutePath());
}

TEST_F(MeasureProgramTest, LevelsAreThoseAfterTheChosenFilter) {
  // Low pass with its corner at 2000 Hz (the settings' design: K = 2 / corner), at 44100 Hz.
  ASSERT_TRUE(m_program.WriteSettings(
      "[Card]\nChannels=2\nBits=16\nRateIndex=3\nFFTWindow=1\nVoltValue=32000\nFilterType=2\n"
      "FreqPoint=2000\n"));
  const QString csv = m_program.Path("filtered.csv");
  const auto r = m_program.Run(
      {"--input", "tone:3000", "--power", "--frames", "2", "--measure", csv, "--quit"});
  ASSERT_TRUE(r.finished);
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  // |H| of y = b (x + x1) - a1 y1 at 3000 Hz.
  const double t = 1.0 / 44100, k = 2.0 / 2000;
  const double b = t / (t + k), a1 = (t - k) / (t + k);
  const double w = 2 * kPi * 3000 / 44100;
  const double gain =
      std::abs(b * (1.0 + std::polar(1.0, -w))) / std::abs(1.0 + a1 * std::polar(1.0, -w));
  std::map<QString, QStringList> m = ByName(CsvRows(csv));
  const double unfiltered = kToneAmplitude / std::sqrt(2.0) * 1000 / 32000;
  EXPECT_NEAR(m["left.ac_rms"][2].toDouble(), unfiltered * gain, unfiltered * gain * 0.01);
  EXPECT_NEAR(m["left.frequency"][2].toDouble(), 3000, 3000 * 1e-5);
}
