#pragma once

// What a test that played the generator leaves behind for the next: the output stopped, the
// generator silent, and no device to play on.
#include "platform/signal_output.h"

namespace support {

inline OutputSpec NoOutput() {
  OutputSpec none;
  none.kind = OutputSpec::Kind::None;
  return none;
}

inline void SilenceOutput() {
  SignalOutput& out = SignalOutput::Instance();
  out.Stop();
  GeneratorSetup quiet = out.Setup();
  quiet.output = false;
  out.Publish(quiet);
  out.SetDestination(NoOutput());
}

}  // namespace support
