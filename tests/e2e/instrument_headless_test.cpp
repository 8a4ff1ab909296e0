// The built program run as a process without a display: measurements from its command line,
// its answers to bad option values and failed steps, and a rate chosen in the wizard taking
// effect at the next start.
#include <gtest/gtest.h>

#include <QTextStream>

#include "e2e_reliability_support.h"
#include "instrument_support.h"
#include "platform/instance_lock.h"
#include "shell/rate_page.h"
#include "shell/single_instance.h"
#include "shell/wizard_commands.h"
#include "support/file_bytes.h"
#include "support/needs_environment.h"

using namespace e2e;
using namespace instrument;

namespace {

// The values of an export file's records, parsed back; false when a line is not a record.
bool ParseExport(const std::string& text, std::vector<double>& left, std::vector<double>& right) {
  QString all = QString::fromStdString(text);
  QTextStream in(&all);
  in.readLine();  // header
  while (!in.atEnd()) {
    const QStringList fields = in.readLine().mid(7).split(' ', Qt::SkipEmptyParts);
    if (fields.size() != 2) return false;
    left.push_back(fields[0].toDouble());
    right.push_back(fields[1].toDouble());
  }
  return true;
}

// Lines of the program's own on stderr (the toolkit may add its own notes).
QStringList OwnLines(const QString& err) {
  QStringList own;
  for (const QString& line : err.split('\n', Qt::SkipEmptyParts)) {
    if (line.startsWith("aurivue: ")) own << line;
  }
  return own;
}

class InstrumentHeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(m_program.ok(), "the program is not built (build/src/aurivue)");
    REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
  }

  // Runs the program on a noise recording made at rate and checks that the export it writes
  // holds a stretch of that recording taken every step frames.
  void ExpectExportOfRecording(unsigned rate, const QStringList& args, int step) {
    const std::string wav = m_program.PathStd("noise.wav");
    ASSERT_TRUE(WriteNoiseRecording(wav, rate, 2.0));
    const Stereo recording = ReadRecording(wav);
    ASSERT_FALSE(recording.empty());
    const QString exportPath = m_program.Path("out.txt");
    const auto r = m_program.Run(QStringList{"--input", "file:noise.wav"} + args +
                                 QStringList{"--export", exportPath, "--quit"});
    ASSERT_TRUE(r.finished) << "the program did not end";
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(OwnLines(r.err).isEmpty()) << r.err.toStdString();
    const std::string text = ReadFileBytes(exportPath.toStdString());
    std::vector<double> left, right;
    ASSERT_TRUE(ParseExport(text, left, right)) << text.substr(0, 200);
    EXPECT_EQ(left.size(), rate / 100) << "one record per sample of a 10-division frame";
    ASSERT_FALSE(left.empty());
    const long at = FindInRecording(recording, left, right, step);
    ASSERT_GE(at, 0) << "the exported frame is not a stretch of the recording";
    // The whole text, laid out as the record format says, from the recording's own samples.
    std::vector<double> fromFile[2];
    const long frames = static_cast<long>(recording.size() / 2);
    for (size_t i = 0; i < left.size(); ++i) {
      const long m = (at + static_cast<long>(i) * step) % frames;
      fromFile[0].push_back(recording[2 * m]);
      fromFile[1].push_back(recording[2 * m + 1]);
    }
    EXPECT_EQ(text, ExpectedExport(fromFile[0], fromFile[1]));
  }

  PrivateProgram m_program;
};

}  // namespace

TEST_F(InstrumentHeadlessTest, MeasurementOptionsRunWithoutADisplay) {
  ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  const QString bmp = m_program.Path("out.bmp");
  const QString pdf = m_program.Path("out.pdf");
  // 2 ms/div: the exported frame takes every second sample.
  ExpectExportOfRecording(44100,
                          {"--mode", "602", "--timebase", "2", "--left-mv", "100", "--power",
                           "--frames", "3", "--save-bmp", bmp, "--print-pdf", pdf},
                          2);
  const std::string picture = ReadFileBytes(bmp.toStdString());
  ASSERT_GE(picture.size(), 54u);
  EXPECT_EQ(picture.substr(0, 2), "BM");
  EXPECT_EQ(Le32(picture, 2), picture.size());
  EXPECT_GT(Le32(picture, 18), 0u);
  QFile page(pdf);
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  EXPECT_EQ(PdfPageCount(page.readAll()), 1);
}

TEST_F(InstrumentHeadlessTest, BadOptionValuesEndWithOneLineAndStatusTwo) {
  const struct {
    QStringList args;
    const char* named;
  } cases[] = {{{"--mode", "606"}, "--mode"},         {{"--mode=1"}, "--mode"},
               {{"--timebase", "3"}, "--timebase"},   {{"--left-mv", "250"}, "--left-mv"},
               {{"--right-mv", "5mv"}, "--right-mv"}, {{"--power", "--frames", "0"}, "--frames"},
               {{"--frames", "2"}, "--power"},        {{"--export"}, "--export"},
               {{"--print-pdf="}, "--print-pdf"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const auto r = m_program.Run(c.args, 20000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 2);
    const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << r.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith("aurivue: ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(c.named)) << lines[0].toStdString();
  }
  const auto help = m_program.Run({"--help"}, 20000);
  EXPECT_EQ(help.exitCode, 0);
  for (const char* option : {"--mode", "--timebase", "--left-mv", "--right-mv", "--power",
                             "--frames", "--export", "--save-bmp", "--print-pdf", "--quit"}) {
    EXPECT_TRUE(help.out.contains(option)) << option;
  }
}

TEST_F(InstrumentHeadlessTest, AFailedStepIsPrintedAndEndsWithStatusOne) {
  ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  // An export into a folder that does not exist: the file error, printed, and status 1.
  const QString nowhere = m_program.Path("missing/out.txt");
  auto r = m_program.Run({"--input", "none", "--export", nowhere, "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 1);
  QStringList own = OwnLines(r.err);
  ASSERT_GE(own.size(), 2) << r.err.toStdString();
  EXPECT_TRUE(own.join('\n').contains(nowhere)) << r.err.toStdString();
  // No input device: POWER's message, printed, and status 1 instead of measurements of nothing.
  r = m_program.Run({"--input", "none", "--power", "--frames", "2", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 1);
  own = OwnLines(r.err);
  EXPECT_TRUE(own.contains("aurivue: System hasn't install input Device!")) << r.err.toStdString();
}

TEST_F(InstrumentHeadlessTest, MeasurementsRefusedByARunningInstanceAreNotReportedAsDone) {
  ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  {
    // This process holds the program's name in the private folder, as a first instance does.
    ScopedEnv folder("AURIVUE_INSTANCE_DIR", m_program.PathStd("instance"));
    ASSERT_TRUE(ClaimInstanceName(SingleInstanceName()));
  }
  const QString exportPath = m_program.Path("out.txt");
  const auto r = m_program.Run({"--input", "none", "--export", exportPath, "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(OwnLines(r.err).size(), 1) << r.err.toStdString();
  EXPECT_FALSE(QFile::exists(exportPath));
}

TEST_F(InstrumentHeadlessTest, RateChosenInTheWizardTakesEffectAtTheNextStart) {
  ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
  {
    AppSession session("tone:1000");
    ASSERT_TRUE(session.ok()) << session.error();
    CAurivueApp& app = session.App();
    const unsigned rateNow = app.m_nSampleRate;
    // The wizard reads and writes the private program's settings.
    app.m_szIniPath = m_program.PathStd("Aurivue.ini");
    auto wizard = CreateSetupWizardForCommand(ID_PANEL_SETUP_WIZARD, session.Frame());
    ASSERT_NE(wizard, nullptr);
    CSetupWizard& dialog = wizard->Wizard();
    dialog.show();
    auto* rates = dynamic_cast<CRatePage*>(wizard->Page(0));
    ASSERT_NE(rates, nullptr);
    EXPECT_EQ(rates->RateSwitch()->GetDetent(rates->RateSwitch()->GetPosition()).label, "44.1K");
    Click(rates->RateSwitch(), Qt::LeftButton);
    EXPECT_EQ(rates->RateSwitch()->GetDetent(rates->RateSwitch()->GetPosition()).label, "48K");
    for (int step = 1; step < dialog.GetPageCount(); ++step) {
      Click(dialog.NextButton(), Qt::LeftButton);
      EXPECT_EQ(dialog.GetActiveIndex(), step);
    }
    EXPECT_EQ(dialog.NextButton()->text(), "End(&E)");
    Click(dialog.NextButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(QString::fromStdString(ReadFileBytes(app.m_szIniPath)).contains("RateIndex=4"));
    EXPECT_EQ(app.m_nSampleRate, rateNow) << "the running program keeps its rate";
    EXPECT_TRUE(session.Messages().empty());
  }
  // The next start records at 48000 Hz: a recording at that rate is accepted and a frame is
  // 480 samples.
  ExpectExportOfRecording(48000, {"--power", "--frames", "2"}, 1);
}
