// The loopback input: the generator's samples reach the capture sample for sample, from its own
// thread or from the destination that renders them.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "analysis/log_sweep.h"
#include "platform/signal_output.h"
#include "platform/wave_in.h"
#include "support/silent_output.h"

namespace {

constexpr uint32_t kRate = 44100;

WaveFormat Stereo16(uint32_t rate) { return PcmWaveFormat(2, rate, 16); }

// Selects the loopback for one test, with no destination, and puts everything back.
class LoopbackScope {
 public:
  explicit LoopbackScope(bool paced = false) : m_previous(CurrentWaveInput()) {
    std::string error;
    EXPECT_TRUE(SelectWaveInput("loopback", &error)) << error;
    SetWaveInRealTimePacing(paced);
    SignalOutput::Instance().SetDestination(support::NoOutput());
  }
  ~LoopbackScope() {
    support::SilenceOutput();
    SetWaveInRealTimePacing(true);
    SelectWaveInput(m_previous, nullptr);
  }

 private:
  std::string m_previous;
};

// Publishes setup as a fresh run: it starts from its first sample at the next block rendered.
void PlayAfresh(GeneratorSetup setup) {
  SignalOutput& out = SignalOutput::Instance();
  setup.output = true;
  setup.fadeSeconds = 0;
  setup.rampSeconds = 0;
  setup.maxLevelStep = 1;
  setup.run = out.Setup().run + 1;
  out.Publish(setup);
}

// Records count buffers of frames frames (stereo 16 bit) and returns the samples interleaved;
// after(k) runs once buffer k has been taken.
std::vector<int16_t> Record(size_t frames, int count, const std::function<void(int)>& after = {}) {
  const WaveFormat fmt = Stereo16(kRate);
  EventHandle event = CreateAutoResetEvent("loopback");
  WaveInHandle h = 0;
  EXPECT_EQ(WaveInOpen(&h, WAVE_MAPPER, &fmt, event), MMSYSERR_NOERROR);
  event->Wait();
  std::vector<std::vector<int16_t>> data(2, std::vector<int16_t>(2 * frames));
  WaveHeader headers[2];
  for (int i = 0; i < 2; ++i) {
    headers[i].lpData = reinterpret_cast<uint8_t*>(data[i].data());
    headers[i].dwBufferLength = static_cast<uint32_t>(4 * frames);
    EXPECT_EQ(WaveInPrepareHeader(h, &headers[i], kWaveHeaderSize), MMSYSERR_NOERROR);
    EXPECT_EQ(WaveInAddBuffer(h, &headers[i], kWaveHeaderSize), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(WaveInStart(h), MMSYSERR_NOERROR);
  std::vector<int16_t> out;
  for (int n = 0; n < count; ++n) {
    WaveHeader& hd = headers[n % 2];
    while ((hd.dwFlags & WHDR_DONE) == 0) event->Wait();
    out.insert(out.end(), data[n % 2].begin(), data[n % 2].end());
    if (after) after(n);
    hd.dwFlags = WHDR_PREPARED;
    EXPECT_EQ(WaveInAddBuffer(h, &hd, kWaveHeaderSize), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(WaveInClose(h), MMSYSERR_NOERROR);
  return out;
}

}  // namespace

// Every captured sample is the generator's, in order, none lost or repeated: two sines of
// different frequency and level against their closed forms, within the dither's 1 LSB.
TEST(LoopbackInputTest, CapturesTheGeneratorSampleForSample) {
  LoopbackScope scope;
  GeneratorSetup setup;
  setup.channels[0].frequency = 1000.0;
  setup.channels[0].level = 0.5;
  setup.channels[1].frequency = 441.25;
  setup.channels[1].level = 0.25;
  PlayAfresh(setup);
  const size_t frames = 3000;
  const std::vector<int16_t> got = Record(frames, 6);
  ASSERT_EQ(got.size(), 2 * frames * 6);
  for (size_t n = 0; n < frames * 6; ++n) {
    for (int c = 0; c < 2; ++c) {
      const ChannelSetup& ch = setup.channels[c];
      const double want =
          ch.level * 32767.0 * std::sin(2 * std::numbers::pi * ch.frequency * n / kRate);
      ASSERT_LE(std::fabs(got[2 * n + c] - want), 1.5) << "frame " << n << " channel " << c;
    }
  }
}

// A run started while recording (as a sweep is asked for) is found at its capture frame, and the
// samples from there on are the sweep's from its first.
TEST(LoopbackInputTest, FindsTheCaptureFrameWhereASweepStarts) {
  LoopbackScope scope;
  GeneratorSetup setup;
  setup.channels[0].level = 0.5;
  setup.channels[1].level = 0.5;
  PlayAfresh(setup);
  GeneratorSetup sweep = setup;
  for (ChannelSetup& ch : sweep.channels) {
    ch.waveform = Waveform::Sweep;
    ch.sweepStartHz = 20;
    ch.sweepStopHz = 20000;
    ch.sweepSeconds = 1;
    ch.sweepRepeat = false;
  }
  const std::vector<int16_t> got = Record(2048, 12, [&](int k) {
    if (k == 2) PlayAfresh(sweep);
  });
  uint64_t start = 0;
  ASSERT_TRUE(SignalOutput::Instance().RunStartCaptureFrame(&start));
  EXPECT_GE(start, 3u * 2048) << "the sweep cannot start before it was asked for";
  const LogSweep reference(20, 20000, 1, kRate);
  const size_t frames = got.size() / 2;
  ASSERT_LT(start + 4096, frames);
  for (size_t n = 0; n < 4096; ++n) {
    const double want = 0.5 * 32767.0 * reference.Value(n);
    ASSERT_LE(std::fabs(got[2 * (start + n)] - want), 1.5) << "sweep sample " << n;
  }
}

// With a destination rendering (here the WAV file, at the real-time pace), the loopback takes
// what that destination is handed: the same samples in the same order.
TEST(LoopbackInputTest, TakesWhatTheDestinationPlays) {
  LoopbackScope scope(true);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath("out.wav").toStdString();
  OutputSpec file;
  file.kind = OutputSpec::Kind::File;
  file.name = path;
  SignalOutput& out = SignalOutput::Instance();
  out.SetDestination(file);
  GeneratorSetup setup;
  setup.channels[0].waveform = Waveform::WhiteNoise;  // no two stretches alike
  setup.channels[0].level = 0.5;
  setup.channels[1].level = 0.25;
  PlayAfresh(setup);
  std::string error;
  ASSERT_TRUE(out.Start(kRate, &error)) << error;
  const std::vector<int16_t> got = Record(kRate / 20, 4);
  out.Stop();
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr);
  std::vector<float> played(static_cast<size_t>(info.frames) * 2);
  sf_readf_float(f, played.data(), info.frames);
  sf_close(f);
  // Where the capture starts in what was played: the one offset where the first 64 frames match.
  const size_t frames = got.size() / 2;
  ASSERT_GE(played.size() / 2, frames);
  long offset = -1;
  for (size_t k = 0; k + frames <= played.size() / 2 && offset < 0; ++k) {
    bool match = true;
    for (size_t n = 0; n < 64 && match; ++n)
      match = std::fabs(got[2 * n] - played[2 * (k + n)] * 32767.0) <= 1.5;
    if (match) offset = static_cast<long>(k);
  }
  ASSERT_GE(offset, 0) << "the capture is not what was played";
  for (size_t n = 0; n < frames; ++n) {
    for (int c = 0; c < 2; ++c) {
      ASSERT_LE(std::fabs(got[2 * n + c] - played[2 * (offset + n) + c] * 32767.0), 1.5)
          << "frame " << n << " channel " << c;
    }
  }
}

// A change of level while playing glides over the ramp: captured sample to sample, nothing moves
// by more than the sine's own steepest slope plus the ramp's step (and the dither's two LSB),
// where a jump would move by most of the change at once.
TEST(LoopbackInputTest, LevelChangesGlideWithoutAStep) {
  LoopbackScope scope;
  GeneratorSetup setup;
  setup.channels[0].frequency = 100.0;
  setup.channels[0].level = 0.1;
  setup.channels[1].level = 0.0;
  PlayAfresh(setup);
  GeneratorSetup louder = SignalOutput::Instance().Setup();
  louder.channels[0].level = 0.9;
  louder.rampSeconds = 0.005;
  const std::vector<int16_t> got = Record(1000, 10, [&](int k) {
    if (k == 3) SignalOutput::Instance().Publish(louder);
  });
  const double slope = 2 * std::numbers::pi * 100.0 / kRate * 0.9;
  const double rampStep = 0.8 / (0.005 * kRate);
  const double limit = (slope + rampStep) * 32767.0 + 3.0;
  double largest = 0;
  int peak = 0;
  for (size_t n = 1; n < got.size() / 2; ++n) {
    largest = std::max(largest, std::fabs(static_cast<double>(got[2 * n]) - got[2 * (n - 1)]));
    peak = std::max(peak, std::abs(int{got[2 * n]}));
  }
  EXPECT_LE(largest, limit);
  EXPECT_GT(peak, 0.85 * 32767) << "the new level is reached";
}
