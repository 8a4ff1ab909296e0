#pragma once

#include <array>
#include <string>

#include "analysis/signal_generator.h"

// The text forms of a two-channel signal, shared by the tone input and the generator:
//   CHANNEL              both channels alike
//   left=CHANNEL;right=CHANNEL, or CHANNEL;CHANNEL (left first); a channel left out is silent
// where CHANNEL is FREQ[,SHAPE[,LEVEL]] (a SHAPE may stand without FREQ) or
// sweep:F1-F2,SECONDS[,LEVEL]. FREQ is in hertz (optionally suffixed Hz), 0 < FREQ <= 96000;
// SHAPE is sine, square, triangle, sawtooth, pulse (25 % duty), pulse:DUTY (1..99, optionally
// suffixed %), noise or pink; LEVEL is 0..1 of full scale or a level in dBFS such as -6dBFS.
// Unset, a channel is a 1000 Hz sine at 0.5.
// Returns false with a one-line reason in *error.
bool ParseChannelPair(const std::string& text, std::array<ChannelSetup, 2>* channels,
                      std::string* error);

// --generate SPEC: a channel pair as above, or file:PATH (an audio file played in a loop).
struct GenerateSpec {
  bool file = false;
  std::string path;
  std::array<ChannelSetup, 2> channels;
};
// False with one line that names the option in *error.
bool ParseGenerateSpec(const std::string& spec, GenerateSpec* out, std::string* error);

// --output SPEC: default, device:NAME (a name, part of one or a number), none or file:PATH
// (a WAV file written at the real-time pace).
struct OutputSpec {
  enum class Kind { Default, Device, None, File };
  Kind kind = Kind::Default;
  std::string name;  // Device: the name; File: the path
};
bool ParseOutputSpec(const std::string& spec, OutputSpec* out, std::string* error);

// The forms above in a few words, for help and error texts.
extern const char* const kGenerateForms;
extern const char* const kOutputForms;
