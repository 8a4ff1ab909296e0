#pragma once

#include <portaudio.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

#include "platform/output_block_writer.h"
#include "platform/wave_out.h"

// The capture side of a PortAudio stream, called on the audio thread with each input block.
class CaptureEnd {
 public:
  virtual ~CaptureEnd() = default;
  // Takes the block; returns the capture frame number the block's first frame was given, or -1
  // when the capture kept none of it (not recording).
  virtual int64_t Captured(const void* input, unsigned long frames, bool overflowed) = 0;
};

// The playing side of a PortAudio stream, called on the audio thread for each output block.
class PlaybackEnd {
 public:
  virtual ~PlaybackEnd() = default;
  // Fills out (frames frames in the writer's format). captureFrame: the capture frame number of
  // the input frame taken with the block's first frame, where the input runs on the same clock
  // (PlaybackLoopFrames later still until it is put out); -1 where nothing ties the two.
  virtual void Play(OutputBlockWriter& writer, void* out, unsigned long frames, bool underflowed,
                    int64_t captureFrame) = 0;
};

// The process's PortAudio streams for the sound-card input and the generator's output. While both
// run at one rate, one duplex stream carries them where the devices allow it, so both share one
// clock; otherwise each has a stream of its own. A duplex stream outlives the side that leaves
// first (the other goes on without a gap; the idle output plays silence), and is opened again only
// when what the sides ask for changes. Ends are attached and detached from any thread but the
// audio one; the callback takes no lock and allocates nothing.
class PortAudioStreams {
 public:
  static PortAudioStreams& Instance();

  // The input at rate into end, from now until DetachCapture. paNoError, or why it cannot record.
  PaError AttachCapture(const PaStreamParameters& in, uint32_t rate, CaptureEnd* end);
  // After this returns end is never called again.
  void DetachCapture(CaptureEnd* end);

  // The output device (out.sampleFormat is chosen here: float, else 24 bits, else 16) at rate
  // from end, until DetachPlayback. paNoError with the format in *format, or why it cannot play.
  PaError AttachPlayback(const PaStreamParameters& out, uint32_t rate, PlaybackEnd* end,
                         OutputSampleFormat* format);
  void DetachPlayback(PlaybackEnd* end);
  // The sample format the attached output plays in now (it may change when its stream is made
  // anew for a duplex one).
  OutputSampleFormat PlaybackFormat() const;
  OutputClock PlaybackClock() const;
  // Frames from an input frame's arrival to the output frame handed over with it leaving the
  // converter, on a duplex stream (0 otherwise).
  int64_t PlaybackLoopFrames() const;

  // Test seam: false keeps input and output on streams of their own, as on devices that refuse a
  // duplex stream.
  static void SetDuplexAllowed(bool allowed);

  class Stream;

 private:
  PortAudioStreams();
  ~PortAudioStreams();

  struct CaptureWish {
    CaptureEnd* end = nullptr;
    PaStreamParameters in{};
    uint32_t rate = 0;
  };
  struct PlaybackWish {
    PlaybackEnd* end = nullptr;
    PaStreamParameters out{};
    uint32_t rate = 0;
  };
  using DuplexKey = std::tuple<PaDeviceIndex, int, PaSampleFormat, PaDeviceIndex, int, uint32_t>;

  // With m_mutex held: brings the streams to what the wishes ask for; the errors of a side that
  // found no stream.
  void Reconcile(PaError* captureError, PaError* playbackError);
  void CloseLocked(std::unique_ptr<Stream>& stream);
  OutputSampleFormat PlaybackFormatLocked() const;
  bool DuplexCandidate() const;
  DuplexKey KeyOf() const;

  mutable std::mutex m_mutex;
  CaptureWish m_capture;
  PlaybackWish m_playback;
  std::unique_ptr<Stream> m_duplex;
  std::unique_ptr<Stream> m_inputOnly;
  std::unique_ptr<Stream> m_outputOnly;
  std::set<DuplexKey> m_refused;  // pairs found not to open together: not tried again
};
