#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/generator_spec.h"
#include "analysis/signal_generator.h"
#include "platform/wave_out.h"

class GeneratorFileOutput;

// Where the loopback input takes the generator's frames: two-channel floats, on the thread that
// renders them. Returns the capture frame number of the first frame taken, or -1 when they were
// not taken (not recording, or no room: counted as a lost block).
class LoopbackTap {
 public:
  virtual ~LoopbackTap() = default;
  virtual int64_t Take(const float* frames, size_t count) = 0;
};

// What the command line chose for this start, read once by the generator's controls.
struct GeneratorStartChoices {
  bool generateGiven = false;  // --generate: play this with OUTPUT on from the start
  GenerateSpec generate;
  bool outputGiven = false;  // --output, or none for the loopback input: over the profile's
  OutputSpec output;
};

// The generator of the process and where its samples go: a sound card, a WAV file or nowhere,
// and the loopback input beside any of them. One thread renders at a time: the destination's
// (the device callback or the file writer) while it runs, else the loopback input's own.
class SignalOutput {
 public:
  static SignalOutput& Instance();

  // User-interface thread: the setup to play from now on, kept for a generator made later
  // (another rate). Returns it as accepted (levels limited by the safety step).
  GeneratorSetup Publish(const GeneratorSetup& setup);
  GeneratorSetup Setup() const;

  // Where the samples go from the next Start on (the output SPEC).
  void SetDestination(const OutputSpec& spec);
  OutputSpec Destination() const;

  // Opens the destination at rate and starts rendering into it; with none (or only the loopback)
  // there is nothing to open. False with a one-line reason.
  bool Start(uint32_t rate, std::string* error);
  // After this returns the destination renders no more.
  void Stop();
  bool Started() const { return m_started; }
  // Blocks the device ran dry before since it opened: never silent, shown beside lost blocks.
  uint64_t Underruns() const;
  // How the sound-card output stands to the sound-card input now (Alone without a device).
  OutputClock Clock() const;

  // The generator at rate; a new one (with the last setup) when the rate changes, which only
  // happens while nothing renders.
  SignalGenerator* GeneratorFor(uint32_t rate);

  // Audio thread of whoever renders: frames two-channel floats from the generator, handed to
  // the loopback too. captureFrame: the capture frame at which the first of them is put out,
  // where a sound-card input shares the output's clock; -1 where nothing ties them.
  void RenderBlock(float* out, size_t frames, int64_t captureFrame = -1);
  static void RenderInto(void* self, float* out, size_t frames);
  static void RenderAt(void* self, float* out, size_t frames, int64_t captureFrame);

  // The loopback input: attached while its device is open.
  void AttachLoopback(LoopbackTap* tap);
  void DetachLoopback(LoopbackTap* tap);
  // True while the destination's thread renders, so the loopback input must not render itself.
  bool DestinationRenders() const { return m_destinationRenders.load(std::memory_order_acquire); }
  // Held by the loopback input around its own rendering, so a destination starting waits for it.
  std::mutex& LoopbackRenderMutex() { return m_loopbackRender; }

  // Reads an audio file for the generator to play in a loop: both channels set to its first two
  // (a mono file feeds both) at level 1, so it plays as recorded. The samples stay in memory for
  // the life of the process. False with a one-line reason (unreadable, empty, or recorded at
  // another rate than rate).
  bool LoadRecording(const std::string& path, uint32_t rate, std::array<ChannelSetup, 2>* channels,
                     std::string* error);

  void SetStartChoices(const GeneratorStartChoices& choices);
  GeneratorStartChoices StartChoices() const;

  // The capture frame (numbered as the recording's capture ring numbers them) at which the
  // generator's run now playing (its first sample after the output last started) reached the
  // input through the loopback, or was put out by a device sharing the input's clock (the
  // analogue path's delay is then still to come); false when nothing ties the two.
  bool RunStartCaptureFrame(uint64_t* frame) const;

 private:
  SignalOutput();
  ~SignalOutput();

  mutable std::mutex m_mutex;  // the user-interface side: setup, destination, generator
  GeneratorSetup m_setup;
  OutputSpec m_destination;
  std::unique_ptr<SignalGenerator> m_generator;
  std::atomic<SignalGenerator*> m_live{nullptr};  // the one the renderers use
  std::unique_ptr<WaveOutStream> m_device;
  std::unique_ptr<GeneratorFileOutput> m_file;
  bool m_started = false;
  std::atomic<bool> m_destinationRenders{false};
  std::mutex m_loopbackRender;
  std::atomic<LoopbackTap*> m_tap{nullptr};
  std::atomic<int> m_tapUsers{0};
  std::atomic<int64_t> m_runStart{-1};
  std::atomic<bool> m_runOnDevice{false};  // m_runStart still wants the device's loop latency
  uint64_t m_underrunsBefore = 0;
  GeneratorStartChoices m_startChoices;
  std::vector<std::unique_ptr<std::vector<float>>> m_recordings;  // never freed while playing
};
