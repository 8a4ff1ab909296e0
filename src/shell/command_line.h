#pragma once

#include <string>
#include <vector>

#include "acquisition/spectrum_options.h"
#include "features/cursors/cursor_settings.h"
#include "platform/parameter.h"

// What the command line asks of a start.
struct CommandLineOptions {
  enum class Action { Run, ShowHelp, ShowVersion, Error };
  Action action = Action::Run;
  // How long the splash picture blocks the start, in milliseconds.
  int splashMs = 3000;
  // The wave-input SPEC from --input; empty when not given (the environment decides).
  std::string inputSpec;
  // Display: 1 Live (--live), 0 Classic (--classic), -1 as the per-user profile says.
  int live = -1;
  // Document file names; the document reads nothing from them.
  std::vector<std::string> files;
  // One line for Action::Error.
  std::string error;

  // Measurements from the command line, run once the window is up (scripted_run.h). Zero
  // figures and empty paths leave that part of the start as it is.
  int displayMode = 0;  // 600..605 or 610..615 instead of the usual 602
  int timeBaseMs = 0;   // the time-base switch goes to the detent showing this figure
  int leftMv = 0;       // the left-channel switch goes to the detent showing this figure
  int rightMv = 0;      // likewise for the right channel
  bool power = false;   // press POWER
  int frames = 4;       // analysis updates to wait for after POWER (one per buffer in Classic)
  std::string exportPath;
  std::string bmpPath;
  std::string pdfPath;
  std::string csvPath;     // --export-csv: what the display shows, as CSV, after --export
  std::string recordPath;  // --record: every captured sample from POWER on to the run's end
  bool quit = false;       // end the program after the measurements
  // The automatic measurements: their file after the run, the checks made on them (each as
  // given, already parsed once), and the log of every update during the run.
  std::string measurePath;
  std::vector<std::string> expectations;
  std::string logPath;
  // --setup: the setup file to start from; the other options win over it. --save-setup: write
  // the state as a setup file, a step of the run after --export.
  std::string setupPath;
  std::string saveSetupPath;
  // The values given for the features' declared options (feature_parameter_list.h), each
  // checked; they win over the profile and a setup for this start.
  GivenParameters parameters;
  // --cursors: the cursors of the first chart, on at the values given (cursorsGiven); --markers:
  // the N highest peaks of each channel in the measurement file.
  CursorSettings cursors;
  bool cursorsGiven = false;
  int markers = 0;
  // The generator (--generate, --output): the SPECs as given, already checked; empty when not.
  std::string generateSpec;
  std::string outputSpec;

  // True when any measurement option was given.
  bool IsScripted() const;
};

// The figures the control panel's switch labels show: ms/div of the time base and mV/div of
// each channel.
const std::vector<int>& TimeBaseFigures();
const std::vector<int>& ChannelFigures();

// Parses the arguments after the program name. Single-dash options other than -h belong to the
// toolkit and are passed over (with their value where they take one). splashEnv is
// $AURIVUE_SPLASH_MS (nullptr when unset); --splash-ms on the command line wins over it.
CommandLineOptions ParseCommandLine(const std::vector<std::string>& args, const char* splashEnv);

// True when args ask only for --help or --version, which need no display.
bool WantsHelpOrVersion(const std::vector<std::string>& args);

// The measurement options (--measure, --expect, --log): true for their names, and the value
// stored into o (an empty result) or the error line.
bool IsMeasureOption(const std::string& name);
std::string ApplyMeasureOption(CommandLineOptions& o, const std::string& name,
                               const std::string& value);
// Their lines of --help.
std::string MeasureUsageText();

// The cursor options (--cursors, --markers, cursor_command_line.cpp): alike.
bool IsCursorOption(const std::string& name);
std::string ApplyCursorOption(CommandLineOptions& o, const std::string& name,
                              const std::string& value);
std::string CursorUsageText();
// Reads "X1,X2[,Y1,Y2]" into settings: the cursors named turn on at those values. An empty
// result, or the error line.
std::string ParseCursorList(const std::string& text, CursorSettings& settings);

// The text printed by --help; inputForms lists the valid --input forms. settingsBesideProgram
// says where this copy keeps Aurivue.ini: beside itself (a built program) or in the user's folder.
std::string UsageText(const std::string& programName, const std::string& inputForms,
                      bool settingsBesideProgram = false);
// The text printed by --version.
std::string VersionText();
