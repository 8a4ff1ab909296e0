#include "platform/shell_services.h"

#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QVBoxLayout>

bool StartCommandLine(const std::string& commandLine) {
  QStringList parts = QProcess::splitCommand(QString::fromStdString(commandLine));
  if (parts.isEmpty()) return false;
  const QString program = parts.takeFirst();
  return QProcess::startDetached(program, parts);
}

std::vector<std::string> RecordingMixerCommands() {
  // The mixers open at their input-device page, where the recording source and level are set.
  return {"pavucontrol -t 4", "pavucontrol-qt -t 4", "gnome-control-center sound"};
}

std::string NoRecordingMixerText() {
  return "No recording mixer is installed, so the recording device and its level cannot be set "
         "here. Install one, for example with: sudo apt install pavucontrol. Setup > Input "
         "Device List chooses the device by name meanwhile.";
}

bool StartRecordingMixer() {
  for (const std::string& command : RecordingMixerCommands()) {
    const QStringList parts = QProcess::splitCommand(QString::fromStdString(command));
    if (!QStandardPaths::findExecutable(parts.first()).isEmpty()) {
      return StartCommandLine(command);
    }
  }
  return false;
}

namespace {

QPointer<QDialog>& Viewer() {
  static QPointer<QDialog> viewer;
  return viewer;
}

}  // namespace

void ShowHelpFile(const std::string& path, QWidget* owner) {
  QPointer<QDialog>& viewer = Viewer();
  if (viewer == nullptr) {
    viewer = new QDialog(owner, Qt::Window);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setWindowTitle("Aurivue 2.0 Help");
    auto* layout = new QVBoxLayout(viewer);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browser = new QTextBrowser(viewer);
    browser->setObjectName("helpBrowser");
    browser->setOpenExternalLinks(true);
    layout->addWidget(browser);
    viewer->resize(640, 720);
  }
  auto* browser = viewer->findChild<QTextBrowser*>("helpBrowser");
  QFile file(QString::fromStdString(path));
  if (file.open(QIODevice::ReadOnly)) {
    const QString text = QString::fromUtf8(file.readAll());
    if (Qt::mightBeRichText(text)) {
      browser->setHtml(text);
    } else {
      browser->setPlainText(text);
    }
  } else {
    browser->setPlainText(
        QString("The help file %1 could not be opened.").arg(QString::fromStdString(path)));
  }
  browser->moveCursor(QTextCursor::Start);
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

QWidget* HelpViewerWindow() { return Viewer().data(); }
