// The input SPEC parser on arbitrary text: a SPEC is accepted, or refused with one line that
// lists the valid forms. SPECs that would open a sound device or a file are left out: they
// reach the system, not the parser.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/wave_in.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string spec(reinterpret_cast<const char*>(data), size);
  if (spec == "default" || spec.rfind("device:", 0) == 0 || spec.rfind("file:", 0) == 0) return 0;
  std::string error;
  if (SelectWaveInput(spec, &error)) {
    if (CurrentWaveInput() != spec) std::abort();
    return 0;
  }
  if (error.empty() || error.find("valid inputs") == std::string::npos) std::abort();
  return 0;
}
