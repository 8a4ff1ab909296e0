#include "platform/shell_services.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QThread>

#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "shell/aurivue_app.h"

namespace {

// Puts a stand-in program first on PATH for the life of the object.
class FakeProgram {
 public:
  FakeProgram(const QString& name, const QString& logPath) {
    const QString script = m_dir.path() + "/" + name;
    QFile file(script);
    file.open(QIODevice::WriteOnly);
    file.write(QString("#!/bin/sh\necho \"$@\" > '%1'\n").arg(logPath).toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_oldPath = qgetenv("PATH");
    qputenv("PATH", m_dir.path().toUtf8() + ":" + m_oldPath);
  }
  ~FakeProgram() { qputenv("PATH", m_oldPath); }

 private:
  QTemporaryDir m_dir;
  QByteArray m_oldPath;
};

QString WaitForFile(const QString& path) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 10000) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
      const QString text = QString::fromUtf8(file.readAll()).trimmed();
      if (!text.isEmpty()) return text;
    }
    QThread::msleep(20);
  }
  return QString();
}

}  // namespace

TEST(ShellServices, InputDeviceStartsTheRecordingMixerAtItsInputPage) {
  QTemporaryDir logDir;
  const QString log = logDir.path() + "/args";
  FakeProgram mixer("pavucontrol", log);
  CAurivueApp app;
  EXPECT_TRUE(app.OnAppCommand(ID_SETUP_INPUT_DEVICE));
  EXPECT_EQ(WaitForFile(log), "-t 4");
}

TEST(ShellServices, InputDeviceWithoutAnyMixerSaysWhatToInstall) {
  const QByteArray oldPath = qgetenv("PATH");
  QTemporaryDir empty;
  qputenv("PATH", empty.path().toUtf8());
  EXPECT_FALSE(StartRecordingMixer());
  MessageRecorder messages;
  CAurivueApp app;
  EXPECT_TRUE(app.OnAppCommand(ID_SETUP_INPUT_DEVICE));
  qputenv("PATH", oldPath);
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_NE(messages.Texts()[0].find("apt install pavucontrol"), std::string::npos);
  // With a mixer there is nothing to say.
  QTemporaryDir logDir;
  FakeProgram mixer("pavucontrol", logDir.path() + "/args");
  EXPECT_TRUE(app.OnAppCommand(ID_SETUP_INPUT_DEVICE));
  EXPECT_EQ(messages.Texts().size(), 1u);
}

TEST(ShellServices, HelpViewerShowsTheFileAtItsContentsAndNotesAMissingOne) {
  QTemporaryDir dir;
  const QString path = dir.path() + "/Aurivue.hlp";
  QFile help(AURIVUE_SOURCE_DIR "/src/resources/shell/Aurivue.hlp");
  ASSERT_TRUE(help.open(QIODevice::ReadOnly));
  const QByteArray text = help.readAll();
  QFile out(path);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(text);
  out.close();

  ShowHelpFile(path.toStdString(), nullptr);
  QWidget* viewer = HelpViewerWindow();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  auto* browser = viewer->findChild<QTextBrowser*>();
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->toPlainText().contains("Getting started"));
  EXPECT_EQ(browser->textCursor().position(), 0);

  // A second call reuses the one viewer.
  ShowHelpFile((dir.path() + "/missing.hlp").toStdString(), nullptr);
  EXPECT_EQ(HelpViewerWindow(), viewer);
  EXPECT_TRUE(browser->toPlainText().contains("could not be opened"));
  viewer->close();
}
