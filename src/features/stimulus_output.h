#pragma once

#include <cstdint>
#include <string>

// What an analyser that needs a stimulus asks of the generator: a logarithmic sweep (the
// analysis layer's LogSweep: f1 L whole, so that it deconvolves exactly) on the card's output.
struct SweepRequest {
  double startHz = 20;
  double stopHz = 20000;
  double seconds = 5;
  double levelDbfs = -6;
  bool repeat = false;
  bool left = true;  // the channels it plays on
  bool right = true;
};

// The seam between the instruments that need a stimulus and the generator that plays it; the
// generator feature registers itself, so an analyser never includes the generator.
class StimulusOutput {
 public:
  virtual ~StimulusOutput() = default;
  // Starts the sweep, turning OUTPUT on; false with a message naming why it cannot.
  virtual bool PlaySweep(const SweepRequest& request, std::string& error) = 0;
  virtual bool Playing() const = 0;
  virtual void StopOutput() = 0;
  // The capture frame (counted as the input's capture ring counts) at which the first sample of
  // the sweep now playing reached the input, where the output and input share one clock
  // (loopback, or a duplex device); false where only correlation can find it.
  virtual bool SweepStartFrame(uint64_t& frame) const = 0;
};

// The generator of this program, or nullptr when it has none (or is not yet made).
StimulusOutput* CurrentStimulusOutput();
void SetStimulusOutput(StimulusOutput* output);
