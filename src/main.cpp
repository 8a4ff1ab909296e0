#include <QApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/app_state.h"
#include "platform/file_services.h"
#include "platform/wave_in.h"
#include "shell/aurivue_app.h"
#include "shell/command_line.h"
#include "shell/generator_command_line.h"
#include "shell/main_frame.h"
#include "shell/scripted_run.h"
#include "shell/setup_commands.h"

namespace {

// --help and --version answer without a display.
int AnswerWithoutWindow(const CommandLineOptions& options, const char* program) {
  switch (options.action) {
    case CommandLineOptions::Action::ShowHelp: {
      const std::string dir = ProgramDirectory();
      const bool beside = !IsInstalledProgramDirectory(dir) && DirectoryWritable(dir);
      std::fputs(UsageText(program, kWaveInputForms, beside).c_str(), stdout);
      return 0;
    }
    case CommandLineOptions::Action::ShowVersion:
      std::fputs(VersionText().c_str(), stdout);
      return 0;
    case CommandLineOptions::Action::Error:
      std::fprintf(stderr, "%s: %s\n", program, options.error.c_str());
      return 2;
    default:
      return -1;
  }
}

// For the start-up benchmark and smoke tests (AURIVUE_QUIT_AFTER_FIRST_PAINT=1): ends the
// program once the main window has painted for the first time.
class FirstPaintQuitter : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !m_bQuitting) {
      m_bQuitting = true;
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool m_bQuitting = false;
};

QtMessageHandler g_qtMessages = nullptr;

// The offscreen platform (headless runs, scripts) says on every start that it cannot pass size
// hints on, which means nothing to a user; every other message goes on as before.
void QuietPlatformNotices(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text == QLatin1String("This plugin does not support propagateSizeHints()")) return;
  if (g_qtMessages != nullptr) g_qtMessages(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
  const char* program = "aurivue";
  // A pipe whose reader went away (--log /dev/stdout | head) is a failed write like a full disk:
  // that output stops with a message and everything else goes on, instead of the whole program
  // ending on the signal.
  std::signal(SIGPIPE, SIG_IGN);
  // Everything that can end the start with a message is settled before any window exists.
  const std::vector<std::string> raw(argv + 1, argv + argc);
  const CommandLineOptions options =
      ParseCommandLine(raw, WantsHelpOrVersion(raw) ? nullptr : std::getenv("AURIVUE_SPLASH_MS"));
  if (int code = AnswerWithoutWindow(options, program); code >= 0) return code;
  std::vector<std::string> setupNotes;
  if (const std::string error = CheckStartSetup(options, setupNotes); !error.empty()) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 2;
  }
  for (const std::string& note : setupNotes)
    std::fprintf(stderr, "%s: %s\n", program, note.c_str());

  std::string error;
  const bool selected = options.inputSpec.empty() ? SelectWaveInputFromEnvironment(&error)
                                                  : SelectWaveInput(options.inputSpec, &error);
  if (!selected) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 2;
  }
  ApplyGeneratorStart(options, CurrentWaveInput());

  g_qtMessages = qInstallMessageHandler(QuietPlatformNotices);
  QApplication qapp(argc, argv);
  // A run that ends by itself has nobody to press OK: its messages are printed instead.
  std::optional<PrintedMessages> printed;
  if (options.quit) printed.emplace(program);
  CAurivueApp app;
  if (!app.InitInstance(qapp, options)) {
    const int exitCode = app.ExitInstance();
    if (!app.StartRefusal().empty()) {
      std::fprintf(stderr, "%s: %s\n", program, app.StartRefusal().c_str());
      return 2;
    }
    if (!options.IsScripted()) return exitCode;
    // A script must not take a start that ended early (another instance is running, most
    // likely) for measurements that were made.
    std::fprintf(
        stderr,
        "%s: the program did not start (is Aurivue already running?); nothing was measured\n",
        program);
    return 1;
  }
  if (options.IsScripted()) {
    const int status =
        RunScriptedMeasurements(app, options, printed ? &*printed : nullptr, program);
    if (options.quit) {
      const int exitCode = app.ExitInstance();
      return status != 0 ? status : exitCode;
    }
  }
  FirstPaintQuitter quitter;
  if (const char* quit = std::getenv("AURIVUE_QUIT_AFTER_FIRST_PAINT"); quit && *quit == '1') {
    app.MainFrame()->installEventFilter(&quitter);
    app.MainFrame()->update();
  }
  qapp.exec();
  return app.ExitInstance();
}
