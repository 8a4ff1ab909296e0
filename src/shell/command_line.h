#pragma once

#include <string>
#include <vector>

#include "shell/spectrum_command_line.h"

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
  bool quit = false;  // end the program after the measurements
  // The spectrum analyser's choices for this start.
  SpectrumChoices spectrum;

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

// The text printed by --help; inputForms lists the valid --input forms.
std::string UsageText(const std::string& programName, const std::string& inputForms);
// The text printed by --version.
std::string VersionText();
