// The generator end to end: the built program measures its own generator through the loopback
// and through a real sound server; bad SPECs end the start; in the application object the
// Generator panel, its OUTPUT switch beside POWER and the status pane.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <cmath>

#include "analysis/generator_texts.h"
#include "e2e_reliability_support.h"
#include "features/generator/generator_feature.h"
#include "features/instrument_feature.h"
#include "features/stimulus_output.h"
#include "instrument_support.h"
#include "platform/command_ids.h"
#include "platform/signal_output.h"
#include "platform/user_profile.h"
#include "support/file_bytes.h"
#include "support/needs_environment.h"
#include "support/private_profile.h"
#include "support/private_program.h"
#include "support/profile_lock.h"
#include "view/open_file_dialog.h"
#include "view/view_dialogs.h"

using namespace e2e;
using namespace instrument;

namespace {

QStringList OwnLines(const QString& err) {
  QStringList own;
  for (const QString& line : err.split('\n', Qt::SkipEmptyParts)) {
    if (line.startsWith("aurivue: ")) own << line;
  }
  return own;
}

class GeneratorProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(m_program.ok(), "the program is not built (build/src/aurivue)");
    ASSERT_TRUE(m_program.WriteSettings(kKnownSettings));
    m_program.SetEnv("XDG_CONFIG_HOME", m_program.Path("config"));
  }
  PrivateProgram m_program;
};

QAction* MenuItem(QMenuBar* bar, const QString& menu, const QString& text) {
  QMenu* m = MenuNamed(bar, menu);
  if (m == nullptr) return nullptr;
  for (QAction* a : m->actions()) {
    if (a->text().remove('&') == text) return a;
  }
  return nullptr;
}

}  // namespace

// The sine at -1 dBFS through the loopback, by the program's own measurements: THD+N at most
// -90 dB at 16 bits, the frequency within 1e-7 and the level within 0.01 dB of the setting, on
// both channels.
TEST_F(GeneratorProgramTest, LoopbackSineMeetsItsFiguresByTheProgramsOwnMeasurements) {
  const auto r = m_program.Run({"--input",
                                "loopback",
                                "--generate",
                                "1000,sine,-1dBFS",
                                "--power",
                                "--frames",
                                "4",
                                "--expect",
                                "left.thd_n_db<-90",
                                "--expect",
                                "right.thd_n_db<-90",
                                "--expect",
                                "left.frequency=1000+-0.0001",
                                "--expect",
                                "right.frequency=1000+-0.0001",
                                "--expect",
                                "left.dbfs=-1+-0.01",
                                "--expect",
                                "right.dbfs=-1+-0.01",
                                "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(OwnLines(r.err).isEmpty()) << r.err.toStdString();
}

// Two channels set apart: each shows its own frequency and level; a channel left out is silent.
TEST_F(GeneratorProgramTest, LoopbackCarriesEachChannelOnItsOwn) {
  const auto r = m_program.Run(
      {"--input", "loopback", "--generate", "left=440,sine,0.5;right=3000,sine,-20dBFS", "--power",
       "--frames", "3", "--expect", "left.frequency=440+-0.0001", "--expect",
       "right.frequency=3000+-0.0003", "--expect", "left.dbfs=-6.0206+-0.01", "--expect",
       "right.dbfs=-20+-0.01", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

// Without --generate the loopback hears the generator with OUTPUT off: silence.
TEST_F(GeneratorProgramTest, LoopbackWithOutputOffIsSilent) {
  const auto r = m_program.Run(
      {"--input", "loopback", "--power", "--frames", "2", "--expect", "left.vpp<0.001", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

// A bad SPEC ends the start with one line naming the option, and status 2.
TEST_F(GeneratorProgramTest, BadSpecsGetOneLineNamingTheOptionAndStatusTwo) {
  const struct {
    const char* option;
    const char* spec;
  } cases[] = {{"--generate", "loud"},         {"--generate", "1000,sine,2"},
               {"--generate", "1000,wobble"},  {"--generate", "sweep:20-10,1"},
               {"--generate", "1000,pulse:0"}, {"--generate", "file:"},
               {"--output", "speaker"},        {"--output", "device:"},
               {"--output", "file:"}};
  for (const auto& c : cases) {
    const auto r = m_program.Run({"--input", "loopback", c.option, c.spec, "--quit"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 2) << c.option << " " << c.spec;
    const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << r.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QString("aurivue: ") + c.option + " \"" + c.spec + "\": "))
        << lines[0].toStdString();
  }
}

// --output file:PATH writes what the generator plays, at the real-time pace, as a WAV file.
TEST_F(GeneratorProgramTest, OutputToAFileWritesTheGeneratedSamples) {
  const QString wav = m_program.Path("played.wav");
  const auto r = m_program.Run({"--input", "none", "--generate", "1000,sine,0.5", "--output",
                                "file:" + wav, "--power", "--quit"});
  ASSERT_TRUE(r.finished);
  QFile f(wav);
  ASSERT_TRUE(f.exists()) << r.err.toStdString();
  EXPECT_GT(f.size(), 44) << "a header and some samples";
}

// The real output: the generator plays into the test server's null sink, and the program
// measures what arrives at that sink's monitor through its default input.
TEST_F(GeneratorProgramTest, PulseOutputPlaysIntoTheSinkAndIsMeasuredFromItsMonitor) {
  REQUIRE_PULSE_DAEMON();
  m_program.SetEnv("PULSE_SOURCE", "testsink.monitor");
  m_program.SetEnv("PULSE_SINK", "testsink");
  const auto r =
      m_program.Run({"--input", "default", "--output", "default", "--generate", "997,sine,0.5",
                     "--power", "--frames", "6", "--expect", "left.frequency=997+-0.05", "--expect",
                     "left.dbfs=-6.02+-0.1", "--expect", "left.thd_n_db<-60", "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
}

namespace {

class GeneratorAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_lock = std::make_unique<support::ProfileLock>();
    m_profile = std::make_unique<support::PrivateProfile>();
    UserProfile profile;
    profile.remove("Generator");
  }
  void TearDown() override {
    UserProfile profile;
    profile.remove("Generator");
  }
  std::unique_ptr<support::ProfileLock> m_lock;
  std::unique_ptr<support::PrivateProfile> m_profile;
};

}  // namespace

// The panel is hidden at first, shown from the menu, and comes back as it was left; OUTPUT is a
// switch of its own: on with POWER off, and the status pane shows what plays while it does.
TEST_F(GeneratorAppTest, PanelMenuOutputAndPane) {
  {
    AppSession session("loopback");
    ASSERT_TRUE(session.ok()) << session.error();
    CMainFrame* frame = session.Frame();
    auto* panel = frame->findChild<QWidget*>("generatorPanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible()) << "hidden by default";
    QAction* show = MenuItem(frame->menuBar(), "Generator", "Generator Panel");
    QAction* output = MenuItem(frame->menuBar(), "Generator", "Output On");
    ASSERT_NE(show, nullptr);
    ASSERT_NE(output, nullptr);
    show->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(panel->isVisible());
    auto* pane = frame->statusBar()->findChild<QLabel*>("generatorPane");
    ASSERT_NE(pane, nullptr);
    EXPECT_FALSE(pane->isVisible()) << "no pane while OUTPUT is off";
    EXPECT_EQ(session.App().m_bPowerOn, 0);
    auto* button = panel->findChild<QPushButton*>("generatorOutput");
    ASSERT_NE(button, nullptr);
    button->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(button->isChecked());
    EXPECT_TRUE(SignalOutput::Instance().Setup().output) << "OUTPUT on with POWER off";
    EXPECT_EQ(session.App().m_bPowerOn, 0);
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->text(), "OUT L -6.0 R -6.0 dBFS | 0 underruns");
    EXPECT_EQ(pane->toolTip(), "L sine 1000 Hz -6.0 dBFS, R sine 1000 Hz -6.0 dBFS");
    output->trigger();  // off again from the menu
    QCoreApplication::processEvents();
    EXPECT_FALSE(SignalOutput::Instance().Setup().output);
    EXPECT_FALSE(button->isChecked());
    EXPECT_FALSE(pane->isVisible());
  }
  AppSession again("loopback");
  ASSERT_TRUE(again.ok()) << again.error();
  auto* panel = again.Frame()->findChild<QWidget*>("generatorPanel");
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isVisible()) << "kept in the profile";
  EXPECT_FALSE(SignalOutput::Instance().Setup().output) << "a new start has the output off";
}

// The analysers' stimulus: a sweep asked for through the seam plays through the loopback and its
// start is found among the captured frames.
TEST_F(GeneratorAppTest, SweepAskedForThroughTheStimulusSeam) {
  AppSession session("loopback");
  ASSERT_TRUE(session.ok()) << session.error();
  StimulusOutput* stimulus = CurrentStimulusOutput();
  ASSERT_NE(stimulus, nullptr);
  session.ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return session.PowerOn(); }, std::chrono::seconds(5)));
  SweepRequest request;
  request.seconds = 1;
  std::string error;
  ASSERT_TRUE(stimulus->PlaySweep(request, error)) << error;
  EXPECT_TRUE(stimulus->Playing());
  uint64_t frame = 0;
  EXPECT_TRUE(
      PumpUntil([&] { return stimulus->SweepStartFrame(frame); }, std::chrono::seconds(10)));
  stimulus->StopOutput();
  EXPECT_FALSE(stimulus->Playing());
}

// On a sound card (the test server's sink and its monitor) the output and the input run in one
// duplex stream, and the pane's tip says so; a sweep's start is then known among the captured
// frames. OUTPUT off and on while POWER runs, and POWER off and on while OUTPUT plays, lose no
// capture block and hang nothing.
TEST_F(GeneratorAppTest, PulseDuplexThroughOutputAndPower) {
  REQUIRE_PULSE_DAEMON();
  setenv("PULSE_SOURCE", "testsink.monitor", 1);
  setenv("PULSE_SINK", "testsink", 1);
  AppSession session("default");
  ASSERT_TRUE(session.ok()) << session.error();
  CMainFrame* frame = session.Frame();
  auto* pane = frame->statusBar()->findChild<QLabel*>("generatorPane");
  auto* button = frame->findChild<QPushButton*>("generatorOutput");
  ASSERT_NE(pane, nullptr);
  ASSERT_NE(button, nullptr);
  auto blocks = [&] { return session.Tap().m_nHandled; };
  auto lost = [&] {
    const auto ring = session.App().m_capture.GetRing();
    return ring ? ring->Overruns() : 0;
  };
  session.ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return blocks() >= 1; }, std::chrono::seconds(15)));
  button->click();
  ASSERT_TRUE(PumpUntil([&] { return pane->toolTip().contains("share one clock"); },
                        std::chrono::seconds(2)))
      << pane->toolTip().toStdString();

  StimulusOutput* stimulus = CurrentStimulusOutput();
  ASSERT_NE(stimulus, nullptr);
  SweepRequest request;
  request.seconds = 1;
  std::string error;
  ASSERT_TRUE(stimulus->PlaySweep(request, error)) << error;
  uint64_t frame0 = 0;
  EXPECT_TRUE(
      PumpUntil([&] { return stimulus->SweepStartFrame(frame0); }, std::chrono::seconds(5)));

  // OUTPUT off and on with POWER on.
  for (int i = 0; i < 2; ++i) {
    button->click();
    Pump(std::chrono::milliseconds(300));
  }
  EXPECT_TRUE(button->isChecked());
  int before = blocks();
  EXPECT_TRUE(PumpUntil([&] { return blocks() >= before + 2; }, std::chrono::seconds(10)));
  EXPECT_EQ(lost(), 0u);

  // POWER off and on with OUTPUT on: the output plays on alone, then shares the clock again.
  session.ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return !session.PowerOn(); }, std::chrono::seconds(5)));
  EXPECT_TRUE(SignalOutput::Instance().Started());
  EXPECT_TRUE(
      PumpUntil([&] { return !pane->toolTip().contains("clock"); }, std::chrono::seconds(2)));
  session.ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return session.PowerOn(); }, std::chrono::seconds(5)));
  EXPECT_TRUE(PumpUntil([&] { return pane->toolTip().contains("share one clock"); },
                        std::chrono::seconds(2)));
  before = blocks();
  EXPECT_TRUE(PumpUntil([&] { return blocks() >= before + 2; }, std::chrono::seconds(10)));
  EXPECT_EQ(lost(), 0u);
  button->click();
  Pump(std::chrono::milliseconds(300));
  EXPECT_FALSE(SignalOutput::Instance().Started());
}

namespace {

template <typename T>
T* Named(QWidget* panel, const QString& name) {
  return panel->findChild<T*>(name);
}

// Types text into a box and finishes it with Return, as a user would.
void TypeInto(QAbstractSpinBox* box, const QString& text) {
  box->clear();
  QTest::keyClicks(box, text);
  QTest::keyClick(box, Qt::Key_Return);
}

}  // namespace

// The multitone's tones and the sweep's settings are set in the panel, played, and kept in the
// profile; with the volts calibration the level is set in mV rms too, and the reverse, through
// the same safety limit as any rise.
TEST_F(GeneratorAppTest, PanelSetsTonesSweepAndMillivolts) {
  auto left = [] { return SignalOutput::Instance().Setup().channels[0]; };
  {
    AppSession session("loopback");
    ASSERT_TRUE(session.ok()) << session.error();
    auto* panel = session.Frame()->findChild<QWidget*>("generatorPanel");
    ASSERT_NE(panel, nullptr);
    panel->show();
    auto* waveform = Named<QComboBox>(panel, "generatorWaveform0");
    auto* tones = Named<QLineEdit>(panel, "generatorTones0");
    auto* level = Named<QDoubleSpinBox>(panel, "generatorLevel0");
    auto* millivolts = Named<QDoubleSpinBox>(panel, "generatorMillivolts0");
    auto* step = Named<QDoubleSpinBox>(panel, "generatorStep");
    auto* note = Named<QLabel>(panel, "generatorNote");
    ASSERT_TRUE(waveform && tones && level && millivolts && step && note);

    waveform->setCurrentIndex(waveform->findText("multitone"));
    EXPECT_TRUE(tones->isVisible());
    tones->setText("100, 1000@-6, 5000 @ -12");
    QTest::keyClick(tones, Qt::Key_Return);
    ASSERT_EQ(left().toneCount, 3);
    EXPECT_EQ(left().toneHz[2], 5000);
    EXPECT_EQ(left().toneDb[1], -6);
    tones->setText("100, 0");  // refused: the tones playing stay, the note says why
    QTest::keyClick(tones, Qt::Key_Return);
    EXPECT_EQ(left().toneCount, 3);
    EXPECT_TRUE(note->text().contains("Left tones")) << note->text().toStdString();

    waveform->setCurrentIndex(waveform->findText("sweep"));
    EXPECT_FALSE(tones->isVisible());
    TypeInto(Named<QDoubleSpinBox>(panel, "generatorSweepStart0"), "100");
    TypeInto(Named<QDoubleSpinBox>(panel, "generatorSweepStop0"), "5000");
    TypeInto(Named<QDoubleSpinBox>(panel, "generatorSweepSeconds0"), "2.5");
    Named<QCheckBox>(panel, "generatorSweepRepeat0")->setChecked(false);
    EXPECT_EQ(left().waveform, Waveform::Sweep);
    EXPECT_EQ(left().sweepStartHz, 100);
    EXPECT_EQ(left().sweepStopHz, 5000);
    EXPECT_EQ(left().sweepSeconds, 2.5);
    EXPECT_FALSE(left().sweepRepeat);

    // The calibration of the known settings: 32000 counts a volt, 1024 mV at full scale.
    ASSERT_TRUE(millivolts->isVisible());
    struct Case {
      const char* typed;
      bool inMillivolts;
      double level;      // fraction of full scale played
      double shownDbfs;  // in the dBFS box
      double shownMv;    // in the mV box
    } cases[] = {
        {"362.039", true, 0.5, -6.02, 362.039},
        {"72.408", true, 0.1, -20.0, 72.408},
        {"-12", false, std::pow(10.0, -12.0 / 20), -12.0, 181.88},
        {"724.077", true, 1.0, 0.0, 724.077},
    };
    for (const Case& c : cases) {
      TypeInto(c.inMillivolts ? millivolts : level, c.typed);
      EXPECT_NEAR(left().level, c.level, 2e-6) << c.typed;
      EXPECT_NEAR(level->value(), c.shownDbfs, 0.006) << c.typed;
      EXPECT_NEAR(millivolts->value(), c.shownMv, 0.01) << c.typed;
    }
    // The safety limit holds for millivolts typed: from -20 dBFS up by at most 10 % of FS.
    TypeInto(level, "-20");
    TypeInto(step, "10");
    TypeInto(millivolts, "362.039");
    EXPECT_NEAR(left().level, 0.2, 1e-9);
    EXPECT_NEAR(millivolts->value(), 144.815, 0.0011);
    EXPECT_TRUE(note->text().contains("rise")) << note->text().toStdString();
  }
  AppSession again("loopback");
  ASSERT_TRUE(again.ok()) << again.error();
  auto* panel = again.Frame()->findChild<QWidget*>("generatorPanel");
  EXPECT_EQ(Named<QLineEdit>(panel, "generatorTones0")->text(), "100, 1000@-6, 5000@-12");
  EXPECT_EQ(Named<QDoubleSpinBox>(panel, "generatorSweepStart0")->value(), 100);
  EXPECT_EQ(Named<QDoubleSpinBox>(panel, "generatorSweepStop0")->value(), 5000);
  EXPECT_EQ(Named<QDoubleSpinBox>(panel, "generatorSweepSeconds0")->value(), 2.5);
  EXPECT_FALSE(Named<QCheckBox>(panel, "generatorSweepRepeat0")->isChecked());
  EXPECT_EQ(left().toneCount, 3);
  EXPECT_EQ(left().sweepSeconds, 2.5);
}

// A setup holds the generator's panel: File > Open Setup... puts it into force with the output
// off (whatever played before), the panel shows it and the profile keeps it; Save Setup writes
// what the panel holds, in the panel's units.
TEST_F(GeneratorAppTest, ASetupHoldsThePanelAndOpensWithTheOutputOff) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  AppSession session("loopback");
  ASSERT_TRUE(session.ok()) << session.error();
  CMainFrame* frame = session.Frame();
  auto* generator = FindFeature<GeneratorFeature>(frame->Features());
  ASSERT_NE(generator, nullptr);
  ASSERT_TRUE(generator->SetOutput(true));
  ASSERT_TRUE(SignalOutput::Instance().Setup().output);

  // A broken setup changes nothing: the output plays on.
  const QString broken = dir.filePath("broken.aurivue");
  {
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Aurivue setup]\n[Generator]\nleft-level = 6\n");
  }
  SetOpenFileDialogHook([broken](const OpenFileRequest&) { return broken.toStdString(); });
  ASSERT_TRUE(SendCommandTo(frame, ID_FILE_OPEN_SETUP));
  ASSERT_EQ(session.Messages().size(), 1u);
  EXPECT_NE(session.Messages()[0].find("left-level needs a level in dBFS from -120 to 0"),
            std::string::npos)
      << session.Messages()[0];
  EXPECT_TRUE(generator->OutputOn());
  EXPECT_TRUE(SignalOutput::Instance().Setup().output);

  const QString path = dir.filePath("bench.aurivue");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "[Aurivue setup]\n[Generator]\nleft-waveform = multitone\n"
        "left-tones = 100, 1000@-6\nleft-level = -12\nleft-dc-offset = 2.5\n"
        "right-on = off\nright-waveform = sweep\nright-sweep-start = 50\n"
        "right-sweep-time = 2\nright-sweep-repeat = off\nmax-level-rise = 10\n");
  }
  SetOpenFileDialogHook([path](const OpenFileRequest&) { return path.toStdString(); });
  ASSERT_TRUE(SendCommandTo(frame, ID_FILE_OPEN_SETUP));
  SetOpenFileDialogHook(nullptr);
  EXPECT_EQ(session.Messages().size(), 1u) << "the broken one's alone";
  EXPECT_FALSE(generator->OutputOn());
  EXPECT_FALSE(SignalOutput::Instance().Setup().output);

  const ChannelSetup& left = generator->Setup().channels[0];
  const ChannelSetup& right = generator->Setup().channels[1];
  EXPECT_EQ(left.waveform, Waveform::Multitone);
  EXPECT_EQ(ToneListText(left), "100, 1000@-6");
  EXPECT_EQ(left.level, LevelFromDbfs(-12));
  EXPECT_EQ(left.dcOffset, 0.025);
  EXPECT_FALSE(right.on);
  EXPECT_EQ(right.waveform, Waveform::Sweep);
  EXPECT_EQ(right.sweepStartHz, 50);
  EXPECT_EQ(right.sweepSeconds, 2);
  EXPECT_FALSE(right.sweepRepeat);
  EXPECT_EQ(generator->Setup().maxLevelStep, 0.1);
  auto* panel = frame->findChild<QWidget*>("generatorPanel");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(Named<QComboBox>(panel, "generatorWaveform0")->currentText(), "multitone");
  EXPECT_EQ(Named<QLineEdit>(panel, "generatorTones0")->text(), "100, 1000@-6");
  EXPECT_EQ(Named<QDoubleSpinBox>(panel, "generatorLevel0")->value(), -12);
  EXPECT_EQ(Named<QDoubleSpinBox>(panel, "generatorStep")->value(), 10);
  {
    UserProfile profile;
    EXPECT_EQ(profile.value("Generator/LeftWaveform").toInt(),
              static_cast<int>(Waveform::Multitone));
    EXPECT_EQ(profile.value("Generator/LeftTones").toString(), "100, 1000@-6");
    EXPECT_EQ(profile.value("Generator/RightOn").toBool(), false);
    EXPECT_EQ(profile.value("Generator/MaxLevelStep").toDouble(), 0.1);
  }

  // OUTPUT on again plays the setup, through the safety step from silence.
  ASSERT_TRUE(generator->SetOutput(true));
  EXPECT_EQ(SignalOutput::Instance().Setup().channels[0].waveform, Waveform::Multitone);
  EXPECT_NEAR(SignalOutput::Instance().Setup().channels[0].level, LevelFromDbfs(-12), 1e-12);
  generator->SetOutput(false);

  const QString saved = dir.filePath("saved.aurivue");
  SetSaveFileDialogHook([saved](const SaveFileRequest&) { return saved.toStdString(); });
  ASSERT_TRUE(SendCommandTo(frame, ID_FILE_SAVE_SETUP));
  SetSaveFileDialogHook(nullptr);
  const std::string text = ReadFileBytes(saved.toStdString());
  for (const char* line :
       {"\n[Generator]\nleft-on = on\nleft-waveform = multitone\n", "\nleft-level = -12\n",
        "\nleft-dc-offset = 2.5\n", "\nleft-tones = 100, 1000@-6\n", "\nright-on = off\n",
        "\nright-sweep-start = 50\n", "\nright-sweep-time = 2\n", "\nmax-level-rise = 10\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << " not in\n" << text;
  }
}

// A setup given at the start sets the panel up for that start only, with the output off; a
// --generate given beside it wins over the setup's generator, as every option wins.
TEST_F(GeneratorProgramTest, ASetupGivenAtTheStartSetsThePanelUpForThatStart) {
  const QString setup = m_program.Path("in.aurivue");
  {
    QFile f(setup);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Aurivue setup]\n[Generator]\nleft-waveform = square\nleft-frequency = 440\n");
  }
  struct Case {
    QStringList args;
    const char* waveformLine;
    const char* frequencyLine;
  } cases[] = {
      {{}, "left-waveform = square", "left-frequency = 440"},
      {{"--generate", "2000,triangle"}, "left-waveform = triangle", "left-frequency = 2000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const QString out = m_program.Path("out.aurivue");
    const auto r = m_program.Run(QStringList{"--input", "loopback", "--setup", setup} + c.args +
                                 QStringList{"--save-setup", out, "--quit"});
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const std::string text = ReadFileBytes(out.toStdString());
    EXPECT_NE(text.find(std::string("\n") + c.waveformLine + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("\n") + c.frequencyLine + "\n"), std::string::npos) << text;
  }
  // The setup was for those starts: the profile still has no generator of its own.
  const auto r = m_program.Run(
      {"--input", "loopback", "--save-setup", m_program.Path("plain.aurivue"), "--quit"});
  ASSERT_TRUE(r.finished);
  const std::string plain = ReadFileBytes(m_program.PathStd("plain.aurivue"));
  EXPECT_NE(plain.find("\nleft-waveform = sine\nleft-frequency = 1000\n"), std::string::npos)
      << plain;
}
