#include "platform/generator_file_output.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <QTemporaryDir>
#include <chrono>
#include <thread>
#include <vector>

namespace {

GeneratorSetup TwoShapes(Waveform left, Waveform right) {
  GeneratorSetup s;
  s.channels[0].waveform = left;
  s.channels[1].waveform = right;
  s.channels[1].frequency = 441.0;
  s.output = true;
  return s;
}

std::vector<float> ReadBack(const std::string& path, SF_INFO* info) {
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, info);
  EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
  if (f == nullptr) return {};
  std::vector<float> v(static_cast<size_t>(info->frames * info->channels));
  sf_readf_float(f, v.data(), info->frames);
  sf_close(f);
  return v;
}

// The file holds exactly what the generator renders, fade-in included, sample for sample.
TEST(GeneratorFileOutputTest, WritesTheGeneratorsSamplesExactly) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  struct Case {
    Waveform left, right;
    uint32_t rate;
    uint64_t frames;
  } cases[] = {{Waveform::Sine, Waveform::Square, 48000, 12345},
               {Waveform::PinkNoise, Waveform::Sweep, 44100, 4410},
               {Waveform::Pulse, Waveform::Triangle, 96000, 1}};
  for (const Case& c : cases) {
    const std::string path = dir.filePath("out.wav").toStdString();
    SignalGenerator written(c.rate), reference(c.rate);
    written.Publish(TwoShapes(c.left, c.right));
    reference.Publish(TwoShapes(c.left, c.right));
    {
      std::string error;
      auto out = GeneratorFileOutput::Open(path, &written, &error);
      ASSERT_NE(out, nullptr) << error;
      ASSERT_TRUE(out->WriteFrames(c.frames));
      EXPECT_EQ(out->FramesWritten(), c.frames);
      EXPECT_EQ(out->Failures(), 0u);
    }
    SF_INFO info{};
    const std::vector<float> got = ReadBack(path, &info);
    EXPECT_EQ(info.samplerate, static_cast<int>(c.rate));
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(got.size(), 2 * c.frames);
    std::vector<float> expected(2 * c.frames);
    reference.Render(expected.data(), c.frames);
    EXPECT_EQ(got, expected) << c.rate;
  }
}

TEST(GeneratorFileOutputTest, RunsAtTheRealTimePaceAndRefusesAnUnwritablePath) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  SignalGenerator gen(8000);
  gen.Publish(TwoShapes(Waveform::Sine, Waveform::Sine));
  std::string error;
  auto out = GeneratorFileOutput::Open(dir.filePath("paced.wav").toStdString(), &gen, &error);
  ASSERT_NE(out, nullptr) << error;
  const auto start = std::chrono::steady_clock::now();
  out->Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  out->Stop();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const uint64_t written = out->FramesWritten();
  EXPECT_EQ(written % 80, 0u);                                     // whole 10 ms chunks
  EXPECT_LE(written, static_cast<uint64_t>(seconds * 8000) + 80);  // never ahead of the clock
  EXPECT_GE(written, 800u);  // and not stalled: at least 100 ms of the 300
  out.reset();

  EXPECT_EQ(GeneratorFileOutput::Open("/nonexistent/folder/x.wav", &gen, &error), nullptr);
  EXPECT_NE(error.find("/nonexistent/folder/x.wav"), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
}

}  // namespace
