#pragma once

#include "features/generator/generator_settings.h"
#include "platform/parameter.h"

// The generator's parameters over GeneratorSettings: its setup entries ([Generator], left-... and
// right-... per channel, max-level-rise) and its profile values. It takes no command-line option
// of them: --generate and --output have grammars of their own.
const ParameterTable& GeneratorParameters();
