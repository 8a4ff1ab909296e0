// The settings file reader on arbitrary bytes: loading, every lookup the program makes, and a
// save of what was read that must read back to the same values.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "acquisition/config_file.h"

namespace {

// The bytes go through a file, as the program reads them; an in-memory one, rewritten per run.
int SettingsFile() {
  static const int fd = memfd_create("Aurivue.ini", 0);
  return fd;
}

std::string Path() { return "/proc/self/fd/" + std::to_string(SettingsFile()); }

void Write(const std::string& bytes) {
  const int fd = SettingsFile();
  if (ftruncate(fd, 0) != 0) std::abort();
  if (!bytes.empty() &&
      pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    std::abort();
}

const char* const kKeys[] = {"Channels",  "Bits",       "RateIndex", "FFTWindow",
                             "VoltValue", "FilterType", "FreqPoint"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (SettingsFile() < 0) return 0;
  Write(std::string(reinterpret_cast<const char*>(data), size));
  ConfigFile config;
  config.SetPath(Path());
  if (!config.Load()) return 0;
  int values[7];
  for (int i = 0; i < 7; ++i) values[i] = config.GetInt("Card", kKeys[i]);
  // A repair as the program makes it: a key set again, then everything written out.
  config.SetInt("Card", "RateIndex", 3, true);
  const std::string saved = config.Serialize();

  // What was saved reads back to what was there.
  Write(saved);
  ConfigFile again;
  again.SetPath(Path());
  if (!again.Load()) std::abort();
  for (int i = 0; i < 7; ++i) {
    if (i == 2) continue;
    if (again.GetInt("Card", kKeys[i]) != values[i]) std::abort();
  }
  if (again.GetInt("Card", "RateIndex") != 3) std::abort();
  return 0;
}
