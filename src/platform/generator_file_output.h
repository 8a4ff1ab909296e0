#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "analysis/signal_generator.h"

// The `file:PATH` output: what a generator renders, written to a two-channel WAV file of 32-bit
// float samples (so no sample is rounded) at the generator's rate, on a thread of its own at the
// real-time pace, 10 ms at a time, instead of a sound card.
class GeneratorFileOutput {
 public:
  // Creates (or replaces) the file; null with a one-line reason in *error.
  static std::unique_ptr<GeneratorFileOutput> Open(const std::string& path,
                                                   SignalGenerator* generator, std::string* error);
  // The same with frames rendered by render(context, frames, count) at rate, two-channel floats.
  using RenderFn = void (*)(void* context, float* frames, size_t count);
  static std::unique_ptr<GeneratorFileOutput> Open(const std::string& path, uint32_t rate,
                                                   RenderFn render, void* context,
                                                   std::string* error);
  ~GeneratorFileOutput();

  // Writes at the real-time pace until Stop; a late thread catches up by at most a second.
  void Start();
  // After this returns nothing more is written; the file stays open and valid.
  void Stop();
  // Renders and writes frames at once, on the caller's thread (not while started).
  bool WriteFrames(uint64_t frames);
  uint64_t FramesWritten() const { return m_written.load(std::memory_order_relaxed); }
  // Write failures (a full disk): counted, never silent.
  uint64_t Failures() const { return m_failures.load(std::memory_order_relaxed); }

 private:
  GeneratorFileOutput(void* file, uint32_t rate, RenderFn render, void* context);
  void Run();

  void* m_file;  // SNDFILE*
  uint32_t m_rate;
  RenderFn m_render;
  void* m_context;
  const uint32_t m_chunkFrames;
  std::vector<float> m_chunk;
  std::atomic<bool> m_quit{false};
  std::atomic<uint64_t> m_written{0};
  std::atomic<uint64_t> m_failures{0};
  std::thread m_thread;
};
