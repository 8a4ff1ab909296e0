#pragma once

#include "features/spectrogram/spectrogram_options.h"
#include "platform/parameter.h"

// The spectrogram's parameters over SpectrogramOptions: its setup entries and profile values.
const ParameterTable& SpectrogramParameters();
