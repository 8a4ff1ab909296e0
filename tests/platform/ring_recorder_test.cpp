// The recorder against counter frames: every frame the rings were given is in the file, in
// order, exactly once, across rings that follow one another, in every format, and a full disk
// leaves a valid file of what was written until then.
#include "platform/ring_recorder.h"

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/capture_ring.h"
#include "support/needs_environment.h"

namespace {

// Frame i of a counter: the low 16 bits in the left sample and the high ones in the right (two
// channels of 16 bits), or i mod 256 as an 8-bit sample of one channel.
std::vector<uint8_t> Counter(uint64_t first, size_t count, int channels, int bits) {
  const size_t frameBytes = static_cast<size_t>(channels * bits / 8);
  std::vector<uint8_t> bytes(count * frameBytes);
  for (size_t i = 0; i < count; ++i) {
    const uint64_t v = first + i;
    uint8_t* p = &bytes[i * frameBytes];
    if (bits == 8) {
      p[0] = static_cast<uint8_t>(v & 0xFF);
    } else {
      p[0] = static_cast<uint8_t>(v & 0xFF);
      p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
      p[2] = static_cast<uint8_t>((v >> 16) & 0xFF);
      p[3] = static_cast<uint8_t>((v >> 24) & 0xFF);
    }
  }
  return bytes;
}

// What the file holds, as 16-bit samples, and its rate and channels.
struct Recording {
  bool opened = false;
  int rate = 0;
  int channels = 0;
  int format = 0;
  std::vector<short> samples;
};

Recording ReadBack(const std::string& path) {
  Recording r;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return r;
  r.opened = true;
  r.rate = info.samplerate;
  r.channels = info.channels;
  r.format = info.format;
  r.samples.resize(static_cast<size_t>(info.frames * info.channels));
  r.samples.resize(static_cast<size_t>(sf_readf_short(file, r.samples.data(), info.frames)) *
                   static_cast<size_t>(info.channels));
  sf_close(file);
  return r;
}

// The counter value of frame i of a two-channel 16-bit recording.
uint32_t CounterAt(const Recording& r, size_t i) {
  return static_cast<uint16_t>(r.samples[2 * i]) |
         static_cast<uint32_t>(static_cast<uint16_t>(r.samples[2 * i + 1])) << 16;
}

// A device's ring with its producer (the audio thread) and its consumer (the pump), which takes
// everything at once, as the lent buffers do.
class FakeDevice {
 public:
  FakeDevice(size_t capacity, int channels, int bits)
      : ring(std::make_shared<CaptureRing>(capacity, static_cast<size_t>(channels * bits / 8))),
        m_nChannels(channels),
        m_nBits(bits) {}

  // Writes count counter frames in blocks of block, starting with value first.
  void Produce(uint64_t first, size_t count, size_t block, bool pause) {
    for (size_t done = 0; done < count;) {
      const size_t n = std::min(block, count - done);
      const std::vector<uint8_t> bytes = Counter(first + done, n, m_nChannels, m_nBits);
      ASSERT_TRUE(ring->Write(bytes.data(), n, 0));
      ring->AdvanceReadPosition(ring->WritePosition());
      done += n;
      if (pause) std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  }

  std::shared_ptr<CaptureRing> ring;

 private:
  int m_nChannels;
  int m_nBits;
};

class RingRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  std::string Path(const char* name) const { return m_dir.filePath(name).toStdString(); }
  QTemporaryDir m_dir;
};

}  // namespace

TEST_F(RingRecorderTest, EveryFrameOfFollowingRingsIsInTheFileInOrder) {
  const std::string path = Path("take.wav");
  RingRecorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.Start(path, 2, 44100, 16, &error)) << error;
  EXPECT_TRUE(recorder.IsRecording());
  // Three POWER cycles: each device counts from 0 again, the second one starts recording late.
  const size_t lengths[] = {30000, 12345, 20000};
  std::vector<uint32_t> expected;
  for (int run = 0; run < 3; ++run) {
    FakeDevice device(1 << 16, 2, 16);
    uint64_t first = 0;
    if (run == 1) {
      device.Produce(0, 700, 441, false);  // before the recording took this ring
      first = 700;
    }
    recorder.Follow(device.ring, first);
    recorder.Follow(device.ring, 0);  // the same ring again changes nothing
    device.Produce(first, lengths[run], 441, true);
    for (size_t i = 0; i < lengths[run]; ++i) expected.push_back(static_cast<uint32_t>(first + i));
  }
  recorder.Stop();
  EXPECT_FALSE(recorder.IsRecording());
  EXPECT_FALSE(recorder.Failed());
  EXPECT_EQ(recorder.FramesLost(), 0u);
  EXPECT_EQ(recorder.FramesWritten(), expected.size());
  const Recording r = ReadBack(path);
  ASSERT_TRUE(r.opened);
  EXPECT_EQ(r.rate, 44100);
  EXPECT_EQ(r.channels, 2);
  EXPECT_EQ(r.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  ASSERT_EQ(r.samples.size(), 2 * expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(CounterAt(r, i), expected[i]) << "frame " << i;
  }
}

TEST_F(RingRecorderTest, EightBitMonoAndFlacKeepEverySampleValue) {
  for (const char* name : {"mono8.wav", "mono8.flac", "stereo16.flac"}) {
    SCOPED_TRACE(name);
    const bool eight = std::string(name).rfind("mono8", 0) == 0;
    const int channels = eight ? 1 : 2;
    const int bits = eight ? 8 : 16;
    const std::string path = Path(name);
    RingRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.Start(path, channels, 22050, bits, &error)) << error;
    FakeDevice device(1 << 15, channels, bits);
    recorder.Follow(device.ring, 0);
    device.Produce(0, 5000, 220, true);
    recorder.Stop();
    const Recording r = ReadBack(path);
    ASSERT_TRUE(r.opened);
    EXPECT_EQ(r.rate, 22050);
    EXPECT_EQ(r.channels, channels);
    EXPECT_EQ(r.format & SF_FORMAT_TYPEMASK, std::string(name).find(".flac") != std::string::npos
                                                 ? SF_FORMAT_FLAC
                                                 : SF_FORMAT_WAV);
    ASSERT_EQ(r.samples.size(), 5000u * static_cast<size_t>(channels));
    for (size_t i = 0; i < 5000; ++i) {
      if (eight) {
        // An unsigned 8-bit sample v reads back as (v - 128) in the high byte.
        ASSERT_EQ(r.samples[i], static_cast<short>((static_cast<int>(i & 0xFF) - 128) * 256)) << i;
      } else {
        ASSERT_EQ(CounterAt(r, i), i);
      }
    }
  }
}

// Not under ThreadSanitizer: a copy the producer laps is a race by design, which the ring tells
// its reader of after the copy (test.sh leaves this one out there).
TEST_F(RingRecorderTest, AWriterLeftBehindCountsWhatItMissedAndKeepsTheRestInOrder) {
  const std::string path = Path("behind.wav");
  RingRecorder recorder;
  std::string error;
  ASSERT_TRUE(recorder.Start(path, 2, 44100, 16, &error)) << error;
  // A ring of only two blocks, filled far faster than the writer looks.
  FakeDevice device(1024, 2, 16);
  recorder.Follow(device.ring, 0);
  const size_t total = 200 * 512;
  device.Produce(0, total, 512, false);
  recorder.Stop();
  const Recording r = ReadBack(path);
  ASSERT_TRUE(r.opened);
  const size_t frames = r.samples.size() / 2;
  EXPECT_EQ(frames, recorder.FramesWritten());
  EXPECT_EQ(frames + recorder.FramesLost(), total);
  for (size_t i = 1; i < frames; ++i) ASSERT_LT(CounterAt(r, i - 1), CounterAt(r, i)) << i;
  ASSERT_GT(frames, 0u) << "the newest frames at least are kept";
  EXPECT_EQ(CounterAt(r, frames - 1), total - 1);
}

TEST_F(RingRecorderTest, AFileThatCannotBeMadeIsRefusedWithItsErrno) {
  RingRecorder recorder;
  std::string error;
  int number = 0;
  EXPECT_FALSE(recorder.Start(Path("no/such/folder/take.wav"), 2, 44100, 16, &error, &number));
  EXPECT_EQ(number, ENOENT);
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(recorder.IsRecording());
  EXPECT_FALSE(recorder.Start(m_dir.path().toStdString(), 2, 44100, 16, &error, &number))
      << "a folder is no recording";
  EXPECT_FALSE(recorder.Start(Path("odd.wav"), 3, 44100, 16, &error, &number));
}

TEST_F(RingRecorderTest, AFullDiskEndsTheRecordingWithAValidFileOfWholeFrames) {
  REQUIRE_ENVIRONMENT(::geteuid() == 0, "mounting a tiny tmpfs needs root");
  const QString where = m_dir.filePath("disk");
  QDir().mkpath(where);
  const bool mounted = ::mount("aurivue-test", where.toLocal8Bit().constData(), "tmpfs",
                               MS_NOSUID | MS_NODEV, "size=64k,mode=0755") == 0;
  REQUIRE_ENVIRONMENT(mounted, "this root may not mount a tmpfs");
  const std::string path = (where + "/take.wav").toStdString();
  {
    RingRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.Start(path, 2, 44100, 16, &error)) << error;
    FakeDevice device(1 << 16, 2, 16);
    recorder.Follow(device.ring, 0);
    // Four times what the disk takes, in blocks of 1001 frames, which no disk block divides.
    const size_t total = 4 * 64 * 1024 / 4;
    for (size_t done = 0; done < total && !recorder.Failed(); done += 1001) {
      device.Produce(done, std::min<size_t>(1001, total - done), 1001, false);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (int i = 0; i < 200 && !recorder.Failed(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(recorder.Failed());
    EXPECT_EQ(recorder.FailureErrno(), ENOSPC);
    for (int i = 0; i < 200 && recorder.IsRecording(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(recorder.IsRecording()) << "the recording ends by itself";
    recorder.Stop();
    const Recording r = ReadBack(path);
    ASSERT_TRUE(r.opened) << "the file is still a valid recording";
    const size_t frames = r.samples.size() / 2;
    EXPECT_EQ(frames, recorder.FramesWritten());
    EXPECT_GT(frames, 10000u) << "most of the disk holds samples";
    for (size_t i = 0; i < frames; ++i) ASSERT_EQ(CounterAt(r, i), i) << i;
    // The header's sizes agree with the file: RIFF size + 8 and the data chunk of whole frames.
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<unsigned char> bytes(128 * 1024);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    auto le32 = [&](size_t at) {
      return static_cast<uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                   static_cast<uint32_t>(bytes[at + 3]) << 24);
    };
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ(le32(4) + 8, bytes.size());
    size_t at = 12;
    while (at + 8 <= bytes.size() &&
           std::string(bytes.begin() + at, bytes.begin() + at + 4) != "data") {
      at += 8 + le32(at + 4);
    }
    ASSERT_LE(at + 8, bytes.size());
    EXPECT_EQ(le32(at + 4), frames * 4);
  }
  ::umount2(where.toLocal8Bit().constData(), MNT_DETACH);
}
