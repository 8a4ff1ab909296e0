// Starts the real application object with the given options (as on the program's command line,
// --trigger... included), presses POWER, lets it run and saves the whole main window as a PNG.
// Usage: tool_trigger_screenshot OUTPUT.png [--ms N] [PROGRAM OPTIONS...]
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "controls/control_view.h"
#include "features/trigger/trigger_feature.h"
#include "platform/message_box.h"
#include "platform/wave_in.h"
#include "shell/aurivue_app.h"
#include "shell/command_line.h"
#include "shell/main_frame.h"
#include "shell/scripted_run.h"
#include "support/event_pump.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png [--ms N] [PROGRAM OPTIONS...]\n", argv[0]);
    return 2;
  }
  int ms = 2500;
  std::vector<std::string> args;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ms") == 0 && i + 1 < argc) {
      ms = std::atoi(argv[++i]);
    } else {
      args.emplace_back(argv[i]);
    }
  }
  CommandLineOptions options = ParseCommandLine(args, nullptr);
  if (options.action != CommandLineOptions::Action::Run) {
    std::fprintf(stderr, "%s: %s\n", argv[0], options.error.c_str());
    return 2;
  }
  options.splashMs = 0;
  std::string error;
  if (!SelectWaveInput(options.inputSpec.empty() ? "tone:1001" : options.inputSpec, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 2;
  }
  QApplication qapp(argc, argv);
  MessageRecorder messages;
  CAurivueApp app;
  if (!app.InitInstance(qapp, options)) return 1;
  // Mode and switches as the command line asks; POWER and the wait are ours.
  CommandLineOptions script = options;
  script.power = false;
  RunScriptedMeasurements(app, script, nullptr, argv[0]);
  CMainFrame* frame = app.MainFrame();
  frame->ControlView()->OnPower();
  support::PumpEvents(std::chrono::milliseconds(ms));
  frame->UpdatePanes();
  frame->grab().save(QString::fromLocal8Bit(argv[1]));
  std::printf("%s (trigger %s)\n", argv[1],
              qPrintable(FindFeature<TriggerFeature>(frame->Features())->StatusText()));
  for (const std::string& text : messages.Texts()) std::printf("message: %s\n", text.c_str());
  return app.ExitInstance();
}
