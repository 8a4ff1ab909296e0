#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "controls/control_view.h"
#include "controls/image_button.h"
#include "platform/command_ids.h"
#include "platform/file_services.h"
#include "platform/message_box.h"
#include "platform/wave_in.h"
#include "shell/aurivue_app.h"
#include "shell/main_frame.h"
#include "support/needs_environment.h"
#include "support/private_program.h"

namespace {

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QStandardPaths::setTestModeEnabled(true);
    ASSERT_TRUE(instanceDir.isValid());
    setenv("AURIVUE_INSTANCE_DIR", instanceDir.path().toLocal8Bit().constData(), 1);
    std::string error;
    ASSERT_TRUE(SelectWaveInput("tone:440", &error)) << error;
    options.splashMs = 0;
  }
  void TearDown() override { unsetenv("AURIVUE_INSTANCE_DIR"); }

  QApplication& Qapp() { return *static_cast<QApplication*>(QApplication::instance()); }

  MessageRecorder messages;
  QTemporaryDir instanceDir;
  CommandLineOptions options;
};

}  // namespace

TEST_F(StartupTest, PathsPointBesideTheExecutableWhateverTheWorkingDirectory) {
  QTemporaryDir elsewhere;
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
  {
    CAurivueApp app;
    ASSERT_TRUE(app.InitInstance(Qapp(), options));
    const std::string dir = ProgramDirectory();
    EXPECT_EQ(app.m_szIniPath, dir + "/Aurivue.ini");
    EXPECT_EQ(app.m_szExportPath, dir + "/ExportData.txt");
    EXPECT_EQ(app.m_szBmpPath, dir + "/Aurivue.bmp");
    EXPECT_EQ(app.m_szTmpBmpPath, dir + "/TmpBMP.tmp");
    EXPECT_EQ(app.m_szHelpPath, dir + "/Aurivue.hlp");
    EXPECT_TRUE(FileExists(app.m_szIniPath));
    EXPECT_TRUE(FileExists(app.m_szHelpPath));
    EXPECT_FALSE(QFileInfo::exists(elsewhere.path() + "/Aurivue.ini"));
    EXPECT_EQ(app.MainFrame()->windowTitle(), "Aurivue Version 2.0");
    EXPECT_EQ(app.m_nDisplayMode, 602);
    EXPECT_EQ(app.m_bPowerOn, 0);
    EXPECT_FALSE(app.m_capture.HasWorker());
    app.ExitInstance();
  }
  QDir::setCurrent(previous);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(StartupTest, ProgramStartedElsewhereCreatesItsSettingsBesideItself) {
  // A private copy of the built program: the settings file beside the developer's build stays.
  instrument::PrivateProgram built;
  REQUIRE_ENVIRONMENT(built.ok(), "the program is not built (build/src/aurivue)");
  const QString ini = built.Path("Aurivue.ini");
  ASSERT_FALSE(QFileInfo::exists(ini));
  QTemporaryDir elsewhere;
  QProcess program;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("AURIVUE_INSTANCE_DIR", instanceDir.path());
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("AURIVUE_INPUT", "none");
  env.insert("AURIVUE_QUIT_AFTER_FIRST_PAINT", "1");
  program.setProcessEnvironment(env);
  program.setWorkingDirectory(elsewhere.path());
  program.start(built.ProgramPath(), {"--splash-ms", "0"});
  ASSERT_TRUE(program.waitForFinished(60000));
  EXPECT_EQ(program.exitCode(), 0);
  QFile file(ini);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "no Aurivue.ini beside the program";
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.startsWith("[Card]")) << text.toStdString();
  EXPECT_TRUE(text.contains("RateIndex=3"));
  EXPECT_FALSE(QFileInfo::exists(elsewhere.path() + "/Aurivue.ini"));
}

TEST_F(StartupTest, ClosingWithPowerOnStopsTheCaptureBeforeExit) {
  CAurivueApp app;
  ASSERT_TRUE(app.InitInstance(Qapp(), options));
  CMainFrame* frame = app.MainFrame();
  QTest::mouseClick(frame->ControlView()->PowerButton(), Qt::LeftButton);
  ASSERT_NE(app.m_bPowerOn, 0);
  ASSERT_TRUE(app.m_capture.HasWorker());
  // Let a few buffers arrive while it runs.
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 700) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  frame->close();
  EXPECT_EQ(app.ExitInstance(), 0);
  EXPECT_FALSE(app.m_capture.HasWorker());
  EXPECT_NE(app.m_bPowerOn, 0);  // the switch stays where the user left it
  EXPECT_TRUE(messages.Texts().empty());
}

TEST_F(StartupTest, ExitMenuItemClosesTheFrame) {
  CAurivueApp app;
  ASSERT_TRUE(app.InitInstance(Qapp(), options));
  ASSERT_TRUE(app.MainFrame()->isVisible());
  EXPECT_TRUE(app.MainFrame()->OnCommand(ID_APP_EXIT));
  EXPECT_FALSE(app.MainFrame()->isVisible());
  app.ExitInstance();
}

TEST_F(StartupTest, RecentFileListKeepsFourInTheProfile) {
  const QDir here = QDir::current();
  const QStringList newest{here.absoluteFilePath("e"), here.absoluteFilePath("d"),
                           here.absoluteFilePath("c"), here.absoluteFilePath("b")};
  {
    CommandLineOptions withFile = options;
    withFile.files = {"a.aur"};
    CAurivueApp app;
    ASSERT_TRUE(app.InitInstance(Qapp(), withFile));
    for (const char* f : {"b", "c", "d", "e"}) app.AddToRecentFileList(f);
    EXPECT_EQ(app.RecentFiles(), newest);
    app.ExitInstance();
  }
  CAurivueApp again;
  ASSERT_TRUE(again.InitInstance(Qapp(), options));
  EXPECT_EQ(again.RecentFiles(), newest);
  again.ExitInstance();
}
