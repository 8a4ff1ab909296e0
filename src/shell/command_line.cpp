#include "shell/command_line.h"

#include <algorithm>
#include <cstdlib>

#include "shell/feature_parameter_list.h"
#include "shell/generator_command_line.h"
#include "view/display_modes.h"

namespace {

constexpr int kMaxSplashMs = 60000;

// A whole decimal number in 0..kMaxSplashMs, or -1.
int ParseSplashMs(const std::string& text) {
  if (text.empty() || text.size() > 6) return -1;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
  }
  int value = std::atoi(text.c_str());
  return value <= kMaxSplashMs ? value : -1;
}

// Options of the toolkit itself (single dash) that take a value; they are left to it.
bool IsToolkitOptionWithValue(const std::string& a) {
  static const char* const kOptions[] = {"-platform",
                                         "-platformpluginpath",
                                         "-platformtheme",
                                         "-plugin",
                                         "-qwindowgeometry",
                                         "-qwindowicon",
                                         "-qwindowtitle",
                                         "-style",
                                         "-stylesheet",
                                         "-display",
                                         "-geometry",
                                         "-session",
                                         "-name",
                                         "-title"};
  for (const char* o : kOptions) {
    if (a == o) return true;
  }
  return false;
}

CommandLineOptions Fail(const std::string& error) {
  CommandLineOptions o;
  o.action = CommandLineOptions::Action::Error;
  o.error = error;
  return o;
}

}  // namespace

bool WantsHelpOrVersion(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h" || a == "--version") return true;
  }
  return false;
}

bool CommandLineOptions::IsScripted() const {
  return displayMode != 0 || timeBaseMs != 0 || leftMv != 0 || rightMv != 0 || power ||
         !exportPath.empty() || !bmpPath.empty() || !pdfPath.empty() || !csvPath.empty() ||
         !recordPath.empty() || quit || !measurePath.empty() || !expectations.empty() ||
         !logPath.empty() || !saveSetupPath.empty() || cursorsGiven || markers != 0;
}

const std::vector<int>& TimeBaseFigures() {
  static const std::vector<int> figures = {1, 2, 5, 10, 20, 50};
  return figures;
}

const std::vector<int>& ChannelFigures() {
  static const std::vector<int> figures = {5, 10, 20, 50, 100, 200, 500};
  return figures;
}

namespace {

// A whole decimal number in lo..hi, or -1.
int ParseWhole(const std::string& text, int lo, int hi) {
  if (text.empty() || text.size() > 9) return -1;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
  }
  const int value = std::atoi(text.c_str());
  return value >= lo && value <= hi ? value : -1;
}

// One of figures, or -1.
int ParseFigure(const std::string& text, const std::vector<int>& figures) {
  const int value = ParseWhole(text, 1, 1000000);
  return std::find(figures.begin(), figures.end(), value) != figures.end() ? value : -1;
}

std::string FigureList(const std::vector<int>& figures) {
  std::string list;
  for (size_t i = 0; i < figures.size(); ++i) {
    if (i > 0) list += i + 1 == figures.size() ? " or " : ", ";
    list += std::to_string(figures[i]);
  }
  return list;
}

// Options that take a value, as --name VALUE or --name=VALUE.
bool TakesValue(const std::string& name) {
  if (FindFeatureOption(name) != nullptr) return true;
  static const char* const kNames[] = {"--input",    "--splash-ms", "--mode",       "--timebase",
                                       "--left-mv",  "--right-mv",  "--frames",     "--export",
                                       "--save-bmp", "--print-pdf", "--export-csv", "--record",
                                       "--setup",    "--save-setup"};
  for (const char* n : kNames) {
    if (name == n) return true;
  }
  return IsMeasureOption(name) || IsCursorOption(name) || IsGeneratorOption(name);
}

// Checks a feature's option on settings of its own and keeps it as given: the settings it
// goes into are made later, from the profile or a setup.
std::string ApplyFeatureOption(CommandLineOptions& o, const Parameter& p,
                               const std::string& value) {
  for (const ParameterTable* table : FeatureParameterTables()) {
    if (table->Find(p.key) != &p) continue;
    const std::shared_ptr<void> trial = table->clone(table->defaults.get());
    const std::string error = ParseParameter(p, value, trial.get());
    if (error.empty()) o.parameters.emplace_back(p.key, value);
    return error;
  }
  return std::string();
}

// Stores one option's value; an empty result, or the error line.
std::string ApplyValue(CommandLineOptions& o, const std::string& name, const std::string& value) {
  if (IsMeasureOption(name)) return ApplyMeasureOption(o, name, value);
  if (IsCursorOption(name)) return ApplyCursorOption(o, name, value);
  if (const Parameter* p = FindFeatureOption(name)) return ApplyFeatureOption(o, *p, value);
  if (IsGeneratorOption(name)) return ApplyGeneratorOption(o, name, value);
  if (name == "--input") {
    if (value.empty()) return "--input needs a SPEC";
    o.inputSpec = value;
  } else if (name == "--splash-ms") {
    if ((o.splashMs = ParseSplashMs(value)) < 0) {
      return "--splash-ms needs a whole number of milliseconds from 0 to 60000";
    }
  } else if (name == "--mode") {
    o.displayMode = ParseWhole(value, 600, 699);
    if (!IsDisplayMode(o.displayMode)) {
      return "--mode needs a display mode (" + DisplayModeRanges() + "), not \"" + value + "\"";
    }
  } else if (name == "--timebase") {
    if ((o.timeBaseMs = ParseFigure(value, TimeBaseFigures())) < 0) {
      return "--timebase needs a figure of the time-base switch in ms/div: " +
             FigureList(TimeBaseFigures()) + ", not \"" + value + "\"";
    }
  } else if (name == "--left-mv" || name == "--right-mv") {
    int& figure = name == "--left-mv" ? o.leftMv : o.rightMv;
    if ((figure = ParseFigure(value, ChannelFigures())) < 0) {
      return name +
             " needs a figure of the channel switch in mV/div: " + FigureList(ChannelFigures()) +
             ", not \"" + value + "\"";
    }
  } else if (name == "--frames") {
    if ((o.frames = ParseWhole(value, 1, 10000)) < 0) {
      return "--frames needs a whole number of buffers from 1 to 10000, not \"" + value + "\"";
    }
  } else {
    if (value.empty()) return name + " needs a FILE";
    std::string& path = name == "--export"       ? o.exportPath
                        : name == "--save-bmp"   ? o.bmpPath
                        : name == "--export-csv" ? o.csvPath
                        : name == "--record"     ? o.recordPath
                        : name == "--setup"      ? o.setupPath
                        : name == "--save-setup" ? o.saveSetupPath
                                                 : o.pdfPath;
    path = value;
  }
  return std::string();
}

}  // namespace

CommandLineOptions ParseCommandLine(const std::vector<std::string>& args, const char* splashEnv) {
  CommandLineOptions o;
  if (splashEnv != nullptr && *splashEnv != '\0') {
    int ms = ParseSplashMs(splashEnv);
    if (ms < 0) {
      return Fail("AURIVUE_SPLASH_MS must be a whole number of milliseconds from 0 to 60000");
    }
    o.splashMs = ms;
  }
  bool onlyFiles = false;
  bool framesGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (onlyFiles || a.empty() || a[0] != '-' || a == "-") {
      o.files.push_back(a);
      continue;
    }
    const size_t equals = a.find('=');
    const std::string name = a.rfind("--", 0) == 0 ? a.substr(0, equals) : a;
    if (a == "--") {
      onlyFiles = true;
    } else if (a[1] != '-' && a != "-h") {
      if (IsToolkitOptionWithValue(a)) ++i;
    } else if (a == "--help" || a == "-h") {
      o.action = CommandLineOptions::Action::ShowHelp;
      return o;
    } else if (a == "--version") {
      o.action = CommandLineOptions::Action::ShowVersion;
      return o;
    } else if (a == "--live" || a == "--classic") {
      o.live = a == "--live" ? 1 : 0;
    } else if (const Parameter* flag = FindFeatureFlag(a)) {
      o.parameters.emplace_back(flag->key, "on");
    } else if (a == "--power") {
      o.power = true;
    } else if (a == "--quit") {
      o.quit = true;
    } else if (TakesValue(name)) {
      std::string value;
      if (equals != std::string::npos) {
        value = a.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        // "--export --quit" is a forgotten FILE, not a file named --quit; --name=VALUE still
        // takes any value.
        if (args[i + 1].rfind("--", 0) == 0) {
          return Fail("option " + a + " needs a value, not the option " + args[i + 1]);
        }
        value = args[++i];
      } else {
        return Fail("option " + a + " needs a value");
      }
      const std::string error = ApplyValue(o, name, value);
      if (!error.empty()) return Fail(error);
      framesGiven = framesGiven || name == "--frames";
    } else {
      return Fail("unknown option " + a + " (try --help)");
    }
  }
  // Without POWER no buffer is ever processed, so the wait could not end.
  if (framesGiven && !o.power)
    return Fail("--frames needs --power: no buffer is processed while POWER is off");
  return o;
}

namespace {

std::string FeatureUsageText(ParameterTable::HelpPlace place) {
  std::vector<const ParameterTable*> tables;
  for (const ParameterTable* table : FeatureParameterTables()) {
    if (table->helpPlace == place) tables.push_back(table);
  }
  std::stable_sort(
      tables.begin(), tables.end(),
      [](const ParameterTable* a, const ParameterTable* b) { return a->helpOrder < b->helpOrder; });
  std::string text;
  for (const ParameterTable* table : tables) text += ParameterUsageText(*table);
  return text;
}

}  // namespace

std::string UsageText(const std::string& programName, const std::string& inputForms,
                      bool settingsBesideProgram) {
  return "Usage: " + programName +
         " [OPTION]... [FILE]\n"
         "Sound-card oscilloscope and spectrum analyser.\n"
         "\n"
         "  --input SPEC      where the signal comes from: " +
         inputForms +
         "\n"
         "                    (default: $AURIVUE_INPUT, else the preferred recording device)\n"
         "  --splash-ms N     show the start-up picture for N milliseconds (0..60000,\n"
         "                    default 3000; also $AURIVUE_SPLASH_MS)\n"
         "  --setup FILE      start as the setup FILE (File > Save Setup...) says; the other\n"
         "                    options win over it, and the profile keeps its choices\n"
         "  --live            Live display: redrawn with the screen from the newest samples\n"
         "  --classic         Classic display: one frame per half-second buffer\n"
         "                    (without either, as last chosen with View > Live display / F5)\n" +
         FeatureUsageText(ParameterTable::HelpPlace::kSettings) +
         "\n"
         "Measurements, run in this order once the window is up (also headless with\n"
         "QT_QPA_PLATFORM=offscreen):\n"
         "  --mode N          start in display mode N instead of 602: 600..605 two-dimensional,\n"
         "                    610..615 waterfall, each spectrum, phase, oscillograph,\n"
         "                    Lissajous, correlation, power spectrum; 620 spectrogram,\n"
         "                    621 response, 622 impulse response, 623 distortion\n"
         "  --timebase MS     turn the time-base switch to MS ms/div\n"
         "                    (" +
         FigureList(TimeBaseFigures()) +
         ")\n"
         "  --left-mv MV      turn the left-channel switch to MV mV/div\n"
         "                    (" +
         FigureList(ChannelFigures()) +
         ")\n"
         "  --right-mv MV     the same for the right channel\n"
         "  --power           press POWER\n"
         "  --frames K        with --power, wait for K analysis updates (1..10000, default 4;\n"
         "                    one per half-second buffer in Classic, per refresh in Live)\n"
         "  --export FILE     write the current frames as text to FILE, as Export does\n"
         "  --export-csv FILE write what the display shows as CSV to FILE, as Export CSV\n"
         "                    does (after --export)\n"
         "  --record FILE     record every captured sample into FILE (WAV, or FLAC when it\n"
         "                    ends in .flac) from POWER on to the end of the run\n"
         "  --save-setup FILE write the whole state of the instrument to the setup FILE,\n"
         "                    as Save Setup does (after --export)\n"
         "  --save-bmp FILE   save the scope view's picture to FILE, as Save to Bmp does\n"
         "  --print-pdf FILE  print the page to the PDF file FILE, as Print does\n"
         "  --quit            end the program afterwards; the exit status is 1 when a step\n"
         "                    failed (its message is printed instead of shown)\n" +
         MeasureUsageText() + FeatureUsageText(ParameterTable::HelpPlace::kMeasurements) +
         CursorUsageText() + GeneratorUsageText() +
         "\n"
         "  --help            show this help and exit\n"
         "  --version         show the version and exit\n"
         "\n"
         "FILE is a recording (WAV, FLAC or AIFF) opened as the input, as File > Open\n"
         "Recording opens it; POWER then plays it in real time.\n" +
         std::string(
             settingsBesideProgram
                 ? "Settings are kept in Aurivue.ini beside this built program; an installed\n"
                   "program keeps them in $XDG_CONFIG_HOME/aurivue (else ~/.config/aurivue).\n"
                 : "Settings are kept in Aurivue.ini in $XDG_CONFIG_HOME/aurivue (else\n"
                   "~/.config/aurivue).\n") +
         "The other preferences (Live, trigger, spectrum, measurements, recent recordings,\n"
         "last folders) are kept in the profile \"Aurivue 2.0.conf\" in that same user folder.\n"
         "Only one instance runs per user: a second start brings the running window to the\n"
         "front and ends.\n";
}

std::string VersionText() { return "Aurivue Version 2.0\n"; }
