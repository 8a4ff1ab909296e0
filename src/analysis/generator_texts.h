#pragma once

#include <cstdint>
#include <string>

#include "analysis/signal_generator.h"

// A level as a fraction of full scale in dBFS (of the peak), -inf for 0.
double LevelDbfs(double level);
// A level in dBFS as a fraction of full scale, 0 below -200 dBFS.
double LevelFromDbfs(double dbfs);

// The rms in millivolts of a sine of level (fraction of full scale) where full scale is
// fullScaleMv millivolts at its peak.
double SineRmsMillivolts(double level, double fullScaleMv);

// The name of a waveform as --generate and the panel spell it ("sine", "pulse", "noise" for
// white noise, "pink", "multitone", "sweep").
const char* WaveformWord(Waveform waveform);

// The status-bar pane of the running output, short so that it crowds no other pane: each
// channel's level (or "off") and the device's underruns, e.g. "OUT L -1.0 R off dBFS | 0
// underruns".
std::string OutputPaneText(const GeneratorSetup& setup, uint64_t underruns);
// What each channel plays, for the pane's tip: "L sine 1000 Hz -1.0 dBFS, R off".
std::string OutputPaneDetail(const GeneratorSetup& setup);
