#include "shell/generator_command_line.h"

#include "analysis/generator_spec.h"
#include "shell/command_line.h"

bool IsGeneratorOption(const std::string& name) {
  return name == "--generate" || name == "--output";
}

std::string ApplyGeneratorOption(CommandLineOptions& o, const std::string& name,
                                 const std::string& value) {
  std::string error;
  if (name == "--generate") {
    GenerateSpec spec;
    if (!ParseGenerateSpec(value, &spec, &error)) return error;
    o.generateSpec = value;
  } else {
    OutputSpec spec;
    if (!ParseOutputSpec(value, &spec, &error)) return error;
    o.outputSpec = value;
  }
  return std::string();
}

std::string GeneratorUsageText() {
  // The forms as kGenerateForms and kOutputForms give them, wrapped for a terminal.
  return "  --generate SPEC   start the generator with OUTPUT on, playing SPEC: "
         "FREQ[,SHAPE[,LEVEL]],\n"
         "                    left=...;right=..., sweep:F1-F2,SECONDS[,LEVEL] or file:PATH (SHAPE\n"
         "                    sine|square|triangle|sawtooth|pulse|pulse:DUTY|noise|pink, LEVEL "
         "0..1\n"
         "                    or -NdBFS)\n"
         "  --output SPEC     where the generator plays: " +
         std::string(kOutputForms) +
         "\n"
         "                    (file:PATH writes a WAV file at the real-time pace; default: the\n"
         "                    output chosen in the Generator panel, else the default device;\n"
         "                    none with --input loopback)\n";
}
