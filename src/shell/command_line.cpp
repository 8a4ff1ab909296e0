#include "shell/command_line.h"

#include <algorithm>
#include <cstdlib>

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
  bool inputGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (onlyFiles || a.empty() || a[0] != '-' || a == "-") {
      o.files.push_back(a);
      continue;
    }
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
    } else if (a == "--input" || a == "--splash-ms") {
      if (i + 1 >= args.size()) return Fail("option " + a + " needs a value");
      const std::string& value = args[++i];
      if (a == "--input") {
        o.inputSpec = value;
        inputGiven = true;
      } else if ((o.splashMs = ParseSplashMs(value)) < 0) {
        return Fail("--splash-ms needs a whole number of milliseconds from 0 to 60000");
      }
    } else if (a.rfind("--input=", 0) == 0) {
      o.inputSpec = a.substr(8);
      inputGiven = true;
    } else if (a.rfind("--splash-ms=", 0) == 0) {
      if ((o.splashMs = ParseSplashMs(a.substr(12))) < 0) {
        return Fail("--splash-ms needs a whole number of milliseconds from 0 to 60000");
      }
    } else {
      return Fail("unknown option " + a + " (try --help)");
    }
  }
  if (inputGiven && o.inputSpec.empty()) return Fail("--input needs a SPEC");
  return o;
}

std::string UsageText(const std::string& programName, const std::string& inputForms) {
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
         "  --help            show this help and exit\n"
         "  --version         show the version and exit\n"
         "\n"
         "A FILE is accepted for the document and not read.\n"
         "Settings are kept in Aurivue.ini beside the program. Only one instance runs per\n"
         "user: a second start brings the running window to the front and ends.\n";
}

std::string VersionText() { return "Aurivue Version 2.0\n"; }
