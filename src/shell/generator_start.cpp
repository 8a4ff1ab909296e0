// Kept apart from the option parser, which stays free of the output engine (the command-line
// fuzzer builds the parser alone).
#include "analysis/generator_spec.h"
#include "platform/signal_output.h"
#include "shell/command_line.h"
#include "shell/generator_command_line.h"

void ApplyGeneratorStart(const CommandLineOptions& o, const std::string& inputSpec) {
  GeneratorStartChoices choices;
  std::string unused;  // both were checked when the command line was read
  if (!o.outputSpec.empty()) {
    choices.outputGiven = ParseOutputSpec(o.outputSpec, &choices.output, &unused);
  } else if (inputSpec == "loopback") {
    // The loopback alone plays nothing on a device.
    choices.outputGiven = true;
    choices.output.kind = OutputSpec::Kind::None;
  }
  if (!o.generateSpec.empty()) {
    choices.generateGiven = ParseGenerateSpec(o.generateSpec, &choices.generate, &unused);
  }
  SignalOutput::Instance().SetStartChoices(choices);
}
