// Whole setups through the built program: a state saved by one run is the state another run
// starts from, the command line wins over a setup, a setup leaves the profile alone, and a
// broken setup stops the start with one line.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>

#include "e2e_reliability_support.h"
#include "features/live/live_profile.h"
#include "features/trigger_profile.h"
#include "platform/command_ids.h"
#include "platform/user_profile.h"
#include "shell/feature_parameter_list.h"
#include "shell/main_frame.h"
#include "shell/setup_commands.h"
#include "support/file_bytes.h"
#include "support/needs_environment.h"
#include "support/private_profile.h"
#include "support/private_program.h"
#include "view/open_file_dialog.h"
#include "view/view_dialogs.h"

using instrument::PrivateProgram;

namespace {

class SetupE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(m_program.ok(), "the program is not built (build/src/aurivue)");
    // A profile of its own, so that what a run keeps there is seen by this test alone.
    m_program.SetEnv("XDG_CONFIG_HOME", m_program.Path("config"));
  }

  // Runs the program with args and a tone input; returns the setup it saved to name.
  std::string SavedBy(const QStringList& args, const QString& name) {
    const auto r = m_program.Run(QStringList{"--input", "tone:1000"} + args +
                                 QStringList{"--save-setup", m_program.Path(name), "--quit"});
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return ReadFileBytes(m_program.PathStd(name));
  }

  bool Write(const QString& name, const std::string& text) {
    QFile f(m_program.Path(name));
    return f.open(QIODevice::WriteOnly) && f.write(text.data(), static_cast<qint64>(text.size())) ==
                                               static_cast<qint64>(text.size());
  }

  PrivateProgram m_program;
};

bool Has(const std::string& text, const std::string& line) {
  return text.find("\n" + line + "\n") != std::string::npos;
}

TEST_F(SetupE2eTest, ASavedSetupIsWhereTheNextStartBegins) {
  const std::string a = SavedBy({"--mode", "613", "--timebase", "5", "--left-mv", "50", "--trigger",
                                 "normal", "--trigger-level", "25", "--fft-size", "8192",
                                 "--spectrum-scale", "dbfs", "--minimum-hold", "--live"},
                                "a.aurivue");
  for (const char* line :
       {"mode = 613", "display = live", "timebase = 5", "left-mv = 50", "trigger = normal",
        "trigger-level = 25", "fft-size = 8192", "spectrum-scale = dbfs", "peak-hold = off",
        "minimum-hold = on", "rate = 44100"}) {
    EXPECT_TRUE(Has(a, line)) << line << " is not in\n" << a;
  }
  // Started from it, the program is in the same state to the last entry.
  EXPECT_EQ(SavedBy({"--setup", m_program.Path("a.aurivue")}, "b.aurivue"), a);
  // The command line wins over the setup, entry by entry.
  const std::string c = SavedBy(
      {"--setup", m_program.Path("a.aurivue"), "--trigger", "auto", "--mode", "602", "--classic"},
      "c.aurivue");
  EXPECT_TRUE(Has(c, "trigger = auto") && Has(c, "mode = 602") && Has(c, "display = classic")) << c;
  EXPECT_TRUE(Has(c, "trigger-level = 25") && Has(c, "left-mv = 50")) << c;
  // Neither the setup nor the options were kept: a plain start is as the empty profile says.
  const std::string d = SavedBy({}, "d.aurivue");
  EXPECT_TRUE(Has(d, "trigger = off") && Has(d, "mode = 602") && Has(d, "fft-size = described"))
      << d;
}

TEST_F(SetupE2eTest, ABrokenSetupStopsTheStartWithOneLine) {
  ASSERT_TRUE(Write("broken.aurivue", "[Aurivue setup]\nformat = 1\n[Display]\nmode = 699\n"));
  const auto r = m_program.Run(
      {"--input", "tone:1000", "--setup", m_program.Path("broken.aurivue"), "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("aurivue: --setup " + m_program.Path("broken.aurivue") +
                             ": line 4: mode needs a display mode"))
      << r.err.toStdString();
  const auto missing =
      m_program.Run({"--input", "tone:1000", "--setup", m_program.Path("none.aurivue"), "--quit"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_TRUE(missing.err.contains("there is no such file")) << missing.err.toStdString();
}

TEST_F(SetupE2eTest, ANewerSetupOpensWithWhatItKnowsAndNamesTheRest) {
  ASSERT_TRUE(Write("newer.aurivue",
                    "[Aurivue setup]\nformat = 2\n[Generator]\nfrequency = 1000\n"
                    "[Display]\nmode = 600\n"));
  const auto r = m_program.Run({"--input", "tone:1000", "--setup", m_program.Path("newer.aurivue"),
                                "--save-setup", m_program.Path("out.aurivue"), "--quit"});
  ASSERT_TRUE(r.finished);
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("passed over [Generator] frequency (line 4)")) << r.err.toStdString();
  EXPECT_TRUE(Has(ReadFileBytes(m_program.PathStd("out.aurivue")), "mode = 600"));
}

// File > Open Setup... and Save Setup... in the running program, their dialogs answered.
class SetupMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    // Open Setup keeps its choices in the profile: a profile of the test's own, so that the
    // programs other tests run beside it never start with the cursors or a trigger it opened.
    m_profile = std::make_unique<support::PrivateProfile>();
    QStandardPaths::setTestModeEnabled(true);
    SaveLiveMode(false);
    m_session = std::make_unique<e2e::AppSession>("tone:1000");
    ASSERT_TRUE(m_session->ok()) << m_session->error();
  }
  void TearDown() override {
    SetOpenFileDialogHook(nullptr);
    SetSaveFileDialogHook(nullptr);
    m_session.reset();
    m_profile.reset();
  }

  bool OpenSetup(const std::string& text) {
    const QString path = m_dir.filePath("open.aurivue");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text.data(), text.size()) != (qint64)text.size())
      return false;
    f.close();
    SetOpenFileDialogHook([path](const OpenFileRequest&) { return path.toStdString(); });
    return SendCommandTo(m_session->Frame(), ID_FILE_OPEN_SETUP);
  }

  QTemporaryDir m_dir;
  std::unique_ptr<support::PrivateProfile> m_profile;
  std::unique_ptr<e2e::AppSession> m_session;
};

TEST_F(SetupMenuTest, TheFileMenuOffersBothCommands) {
  QMenu* file = MenuNamed(m_session->Frame()->menuBar(), "File");
  ASSERT_NE(file, nullptr);
  QStringList texts;
  for (QAction* a : file->actions()) texts << a->text();
  EXPECT_TRUE(texts.contains("Open Set&up...") && texts.contains("Save Setu&p..."))
      << texts.join('|').toStdString();
  // Exit stays the last item.
  EXPECT_EQ(file->actions().back()->data().toInt(), ID_APP_EXIT);
}

TEST_F(SetupMenuTest, OpenSetupPutsEveryPartIntoForceAndTheProfileKeepsIt) {
  ASSERT_TRUE(
      OpenSetup("[Aurivue setup]\n[Display]\nmode = 600\ndisplay = live\ntimebase = 5\n"
                "left-mv = 20\n[Trigger]\ntrigger = normal\ntrigger-level = 40\n"
                "[Spectrum]\nfft-size = 4096\n"));
  CAurivueApp& app = m_session->App();
  EXPECT_EQ(app.m_nDisplayMode, 600);
  EXPECT_EQ(app.m_bLive, 1);
  EXPECT_EQ(app.m_spectrum.fftSize, 4096);
  EXPECT_TRUE(m_session->Messages().empty());
  const InstrumentState now = CaptureInstrumentState(*m_session->Frame());
  EXPECT_EQ(now.timeBaseMs, 5);
  EXPECT_EQ(now.leftMv, 20);
  EXPECT_EQ(now.trigger.mode, TriggerMode::kNormal);
  EXPECT_EQ(now.trigger.levelMv, 40);
  EXPECT_EQ(LoadTriggerProfile().mode, TriggerMode::kNormal);
  EXPECT_TRUE(LoadLiveProfile().live);
  // What Save Setup writes is that state, and it opens again to the same.
  const QString saved = m_dir.filePath("saved.aurivue");
  SetSaveFileDialogHook([saved](const SaveFileRequest&) { return saved.toStdString(); });
  ASSERT_TRUE(SendCommandTo(m_session->Frame(), ID_FILE_SAVE_SETUP));
  EXPECT_EQ(ReadFileBytes(saved.toStdString()), WriteSetupText(now));
}

// Setups are kept together: both dialogs open in the folder of the setup last saved or opened.
TEST_F(SetupMenuTest, TheSetupDialogsOpenWhereTheLastSetupWas) {
  ASSERT_TRUE(QDir(m_dir.path()).mkpath("saved") && QDir(m_dir.path()).mkpath("shared"));
  const QString savedFolder = QDir::cleanPath(m_dir.filePath("saved"));
  const QString sharedFolder = QDir::cleanPath(m_dir.filePath("shared"));
  std::vector<SaveFileRequest> saves;
  std::vector<OpenFileRequest> opens;
  std::optional<std::string> saveAnswer, openAnswer;
  SetSaveFileDialogHook([&](const SaveFileRequest& r) {
    saves.push_back(r);
    return saveAnswer;
  });
  SetOpenFileDialogHook([&](const OpenFileRequest& r) {
    opens.push_back(r);
    return openAnswer;
  });
  auto folderOf = [](const std::string& path) {
    return QDir::cleanPath(QFileInfo(QString::fromStdString(path)).absolutePath());
  };
  saveAnswer = (savedFolder + "/mine.aurivue").toStdString();
  ASSERT_TRUE(SendCommandTo(m_session->Frame(), ID_FILE_SAVE_SETUP));
  ASSERT_TRUE(SendCommandTo(m_session->Frame(), ID_FILE_OPEN_SETUP));  // cancelled
  ASSERT_TRUE(SendCommandTo(m_session->Frame(), ID_FILE_SAVE_SETUP));
  ASSERT_EQ(saves.size(), 2u);
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(QFileInfo(QString::fromStdString(saves[1].initialPath)).fileName(), "Setup.aurivue");
  EXPECT_EQ(folderOf(saves[1].initialPath), savedFolder);
  EXPECT_EQ(QDir::cleanPath(QString::fromStdString(opens[0].initialFolder)), savedFolder);
  // A setup opened from a colleague's folder: the next dialogs start there.
  const std::string shared = (sharedFolder + "/theirs.aurivue").toStdString();
  WriteFileBytes(shared, ReadFileBytes(*saveAnswer));
  openAnswer = shared;
  ASSERT_TRUE(SendCommandTo(m_session->Frame(), ID_FILE_OPEN_SETUP));
  EXPECT_TRUE(m_session->Messages().empty());
  saveAnswer.reset();
  ASSERT_TRUE(SendCommandTo(m_session->Frame(), ID_FILE_SAVE_SETUP));
  EXPECT_EQ(folderOf(saves.back().initialPath), sharedFolder);
}

// Every declared table is some feature's part of a setup: none is written without being read
// from the feature in force, or read without being put into force.
TEST_F(SetupMenuTest, EveryDeclaredTableIsAFeaturesPartOfTheSetup) {
  std::vector<const ParameterTable*> parts;
  for (const auto& feature : m_session->Frame()->Features()) {
    if (const ParameterTable* table = feature->SetupTable()) parts.push_back(table);
  }
  EXPECT_EQ(parts, FeatureParameterTables());
}

TEST_F(SetupMenuTest, ABrokenSetupChangesNothingAndSaysWhy) {
  const InstrumentState before = CaptureInstrumentState(*m_session->Frame());
  ASSERT_TRUE(OpenSetup("[Aurivue setup]\n[Display]\nmode = 600\ntimebase = 7\n"));
  EXPECT_EQ(WriteSetupText(CaptureInstrumentState(*m_session->Frame())), WriteSetupText(before));
  const std::vector<std::string> messages = m_session->Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("nothing changed: line 4: timebase needs"), std::string::npos)
      << messages[0];
}

}  // namespace
