#pragma once

#include <string>

struct CommandLineOptions;

// --generate SPEC and --output SPEC: true for their names, and the value stored into o (an
// empty result) or the one error line, which names the option.
bool IsGeneratorOption(const std::string& name);
std::string ApplyGeneratorOption(CommandLineOptions& o, const std::string& name,
                                 const std::string& value);
// Their lines of --help.
std::string GeneratorUsageText();
// Hands the generator's choices of this start to the output before any window exists: where the
// samples go (--output; with the loopback input and no --output, nowhere) and, with
// --generate, the signal to start with OUTPUT on.
void ApplyGeneratorStart(const CommandLineOptions& o, const std::string& inputSpec);
