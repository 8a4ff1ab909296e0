// Starts the real application object and saves pictures of the whole main window.
// Usage: tool_shell_screenshot OUTPUT_PREFIX [--power] [--live] [--measurements]
//                              [-- PROGRAM OPTIONS...]
// Writes OUTPUT_PREFIX-splash.png, OUTPUT_PREFIX-2d.png (the start-up mode) and
// OUTPUT_PREFIX-3d.png (3-D spectrum). With the program's own options after "--" (--input,
// --trigger..., --mode, --timebase, --power, --frames...) the run goes as the program's would and
// the one picture OUTPUT_PREFIX-2d.png is taken at its end. Under a real display the pictures are
// taken from the screen, so the window manager's view shows.
#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "controls/control_view.h"
#include "features/measure/measure_feature.h"
#include "features/measure/measurement_panel.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "platform/message_target.h"
#include "platform/wave_in.h"
#include "shell/aurivue_app.h"
#include "shell/main_frame.h"
#include "shell/nav_bar_ctrl.h"
#include "shell/scripted_run.h"
#include "shell/splash_wnd.h"
#include "support/event_pump.h"

namespace {

void Pump(std::chrono::milliseconds time) { support::PumpEvents(time); }

void Save(CMainFrame* frame, const QString& path) {
  QPixmap picture;
  if (QGuiApplication::platformName() == "offscreen") {
    picture = frame->grab();
  } else {
    picture = frame->screen()->grabWindow(0);
  }
  picture.save(path);
  std::printf("%s\n", qPrintable(path));
  // AURIVUE_SHOT_ZOOM=x,y,w,h,factor: also that part of the picture, enlarged, to look at
  // small things (the status bar's panes, a legend).
  const QStringList zoom = qEnvironmentVariable("AURIVUE_SHOT_ZOOM").split(',');
  if (zoom.size() == 5) {
    const QRect part(zoom[0].toInt(), zoom[1].toInt(), zoom[2].toInt(), zoom[3].toInt());
    const int factor = std::max(1, zoom[4].toInt());
    QString zoomed = path;
    zoomed.replace(".png", "-zoom.png");
    picture.copy(part)
        .scaled(part.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .save(zoomed);
    std::printf("%s\n", qPrintable(zoomed));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_PREFIX [--power] [--live] [--measurements]\n", argv[0]);
    return 2;
  }
  const QString prefix = QString::fromLocal8Bit(argv[1]);
  bool power = false, live = false, measurements = false;
  std::vector<std::string> programArgs;
  bool passOn = false;
  for (int i = 2; i < argc; ++i) {
    if (passOn) {
      programArgs.emplace_back(argv[i]);
      continue;
    }
    passOn = std::strcmp(argv[i], "--") == 0;
    power = power || std::strcmp(argv[i], "--power") == 0;
    live = live || std::strcmp(argv[i], "--live") == 0;
    measurements = measurements || std::strcmp(argv[i], "--measurements") == 0;
  }
  std::string error;
  CommandLineOptions options;
  if (passOn) {
    options = ParseCommandLine(programArgs, nullptr);
    if (options.action != CommandLineOptions::Action::Run) {
      std::fprintf(stderr, "%s\n", options.error.c_str());
      return 2;
    }
  }
  SelectWaveInput(options.inputSpec.empty() ? "tone:440" : options.inputSpec, &error);
  QApplication qapp(argc, argv);
  MessageRecorder messages;
  {
    // The splash as start-up shows it.
    CSplashWnd splash;
    splash.Create(119);
    QPixmap picture = QGuiApplication::platformName() == "offscreen"
                          ? splash.grab()
                          : splash.screen()->grabWindow(0);
    picture.save(prefix + "-splash.png");
    std::printf("%s\n", qPrintable(prefix + "-splash.png"));
  }
  CAurivueApp app;
  options.splashMs = 0;
  if (!passOn) {
    options.live = live ? 1 : 0;
  } else if (live) {
    options.live = 1;
  }
  if (!app.InitInstance(qapp, options)) return 1;
  CMainFrame* frame = app.MainFrame();
  // The readout beside the view, with its statistics (the choice goes to the profile, as a
  // user's would).
  if (measurements) {
    if (MeasurePanelOf(frame->Features())->isHidden()) SendCommandTo(frame, ID_VIEW_MEASUREMENTS);
    MeasurePanelOf(frame->Features())->SetStatistics(true);
  }
  if (passOn) {
    // As the program runs them, without the end: the picture shows where the run got to.
    options.quit = false;
    const int status = RunScriptedMeasurements(app, options, nullptr, "tool_shell_screenshot");
    Pump(std::chrono::milliseconds(500));
    Save(frame, prefix + "-2d.png");
    for (const std::string& text : messages.Texts()) std::printf("message: %s\n", text.c_str());
    std::printf("run status: %d\n", status);
    app.ExitInstance();
    return status;
  }
  if (power) frame->ControlView()->OnPower();
  Pump(std::chrono::milliseconds(power ? 2500 : 500));
  Save(frame, prefix + "-2d.png");

  // Open the 3-D folder and click its spectrum item, as the user would.
  frame->NavBar()->SetSelFolder(1);
  SendMessageTo(frame, WM_NAVBAR_NOTIFY, NAVBAR_ITEM_CLICK, 0);
  Pump(std::chrono::milliseconds(power ? 2500 : 500));
  Save(frame, prefix + "-3d.png");
  for (const std::string& text : messages.Texts()) std::printf("message: %s\n", text.c_str());
  return app.ExitInstance();
}
