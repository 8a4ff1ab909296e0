#pragma once
// The built program run from a folder of its own, so that what it writes beside itself stays
// private to one test.

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

namespace instrument {

// The built program in a folder of its own (a hard link, else a copy), so that its settings
// file, pictures and single-instance claim are private to one test.
class PrivateProgram {
 public:
  PrivateProgram() : m_dir(QStringLiteral(AURIVUE_BINARY_DIR "/tests/instrument-XXXXXX")) {
    const QString built = QStringLiteral(AURIVUE_BINARY_DIR "/src/aurivue");
    if (!m_dir.isValid() || !QFile::exists(built)) return;
    m_program = m_dir.filePath("aurivue");
    m_ok = ::link(built.toLocal8Bit().constData(), m_program.toLocal8Bit().constData()) == 0 ||
           QFile::copy(built, m_program);
    QDir(m_dir.path()).mkdir("instance");
  }

  bool ok() const { return m_ok; }
  // The private copy of the program.
  QString ProgramPath() const { return m_program; }
  QString Path(const QString& name) const { return m_dir.filePath(name); }
  std::string PathStd(const QString& name) const { return Path(name).toStdString(); }

  // Writes the settings file the program reads at start.
  bool WriteSettings(const std::string& text) const {
    QFile f(Path("Aurivue.ini"));
    return f.open(QIODevice::WriteOnly) && f.write(text.data(), static_cast<qint64>(text.size())) ==
                                               static_cast<qint64>(text.size());
  }

  struct Result {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
  };

  // An environment variable of the program's runs (a private profile folder, say).
  void SetEnv(const QString& name, const QString& value) { m_env.insert(name, value); }

  // Runs the program headless with args and waits for it to end.
  Result Run(const QStringList& args, int timeoutMs = 60000) const {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("AURIVUE_SPLASH_MS", "0");
    env.insert("AURIVUE_INSTANCE_DIR", Path("instance"));
    env.remove("AURIVUE_INPUT");
    env.remove("AURIVUE_QUIT_AFTER_FIRST_PAINT");
    env.insert(m_env);
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(m_dir.path());
    program.start(m_program, args);
    Result r;
    r.finished = program.waitForFinished(timeoutMs);
    if (!r.finished) {
      program.kill();
      program.waitForFinished(5000);
    }
    r.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    r.out = QString::fromLocal8Bit(program.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(program.readAllStandardError());
    return r;
  }

 private:
  QTemporaryDir m_dir;
  QString m_program;
  QProcessEnvironment m_env;
  bool m_ok = false;
};

}  // namespace instrument
