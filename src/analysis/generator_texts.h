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
// The reverse: the level (fraction of full scale, at most 1) of a sine of millivolts rms; 0
// without a calibration.
double LevelFromSineRmsMillivolts(double millivolts, double fullScaleMv);

// A multitone's list as the panel writes it: "FREQ[@DB], ..." (hertz, and each tone's level in
// dB against the others, 0 when left out), e.g. "100, 1000@-6, 5000@-12".
std::string ToneListText(const ChannelSetup& channel);
// Reads such a list (commas, semicolons or spaces between the tones) into channel's tones: 1 to
// 32 of them, each above 0 Hz and at most maxHz, levels from -120 to 0 dB. False with a
// one-line reason, channel untouched.
bool ParseToneList(const std::string& text, double maxHz, ChannelSetup* channel,
                   std::string* error);

// The name of a waveform as --generate and the panel spell it ("sine", "pulse", "noise" for
// white noise, "pink", "multitone", "sweep").
const char* WaveformWord(Waveform waveform);

// The status-bar pane of the running output, short so that it crowds no other pane: each
// channel's level (or "off") and the device's underruns, e.g. "OUT L -1.0 R off dBFS | 0
// underruns".
std::string OutputPaneText(const GeneratorSetup& setup, uint64_t underruns);
// What each channel plays, for the pane's tip: "L sine 1000 Hz -1.0 dBFS, R off".
std::string OutputPaneDetail(const GeneratorSetup& setup);
