// The command line parser on arbitrary arguments (NUL-separated in the input; the first one is
// $AURIVUE_SPLASH_MS): no crash, and every result is one the program can act on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/command_line.h"
#include "view/display_modes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      parts.emplace_back();
    else
      parts.back() += static_cast<char>(data[i]);
  }
  const std::string splash = parts.front();
  const std::vector<std::string> args(parts.begin() + 1, parts.end());
  WantsHelpOrVersion(args);
  const CommandLineOptions o = ParseCommandLine(args, splash.empty() ? nullptr : splash.c_str());
  using Action = CommandLineOptions::Action;
  bool newlineGiven = splash.find('\n') != std::string::npos;
  for (const std::string& a : args)
    newlineGiven = newlineGiven || a.find('\n') != std::string::npos;
  if (o.action == Action::Error) {
    // One line that says what is wrong (a value quoted in it may bring its own line breaks).
    if (o.error.empty() || (!newlineGiven && o.error.find('\n') != std::string::npos)) std::abort();
    return 0;
  }
  if (o.action != Action::Run) return 0;
  if (o.splashMs < 0 || o.splashMs > 60000) std::abort();
  if (o.frames < 1 || o.frames > 10000) std::abort();
  // The analyser's displays (620..) are modes too, in the one table of them.
  if (o.displayMode != 0 && !IsDisplayMode(o.displayMode)) std::abort();
  // A value that looks like an option was given with '=', never taken from the next argument.
  const struct {
    const char* name;
    const std::string* value;
  } values[] = {{"--export", &o.exportPath},
                {"--save-bmp", &o.bmpPath},
                {"--print-pdf", &o.pdfPath},
                {"--input", &o.inputSpec}};
  for (const auto& v : values) {
    if (v.value->rfind("--", 0) != 0) continue;
    bool explicitValue = false;
    for (const std::string& a : args)
      explicitValue = explicitValue || a == v.name + ("=" + *v.value);
    if (!explicitValue) std::abort();
  }
  return 0;
}
