#include "features/stimulus_output.h"

namespace {
StimulusOutput* g_output = nullptr;
}

StimulusOutput* CurrentStimulusOutput() { return g_output; }
void SetStimulusOutput(StimulusOutput* output) { g_output = output; }
