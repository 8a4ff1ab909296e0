#include "platform/wave_in.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "platform/wave_in_backend.h"
#include "support/needs_environment.h"

namespace {

WaveFormat Pcm(int channels, uint32_t rate, int bits) {
  return PcmWaveFormat(channels, rate, bits);
}

// Selects an input for one test, unpaced, and puts the previous one back.
class InputScope {
 public:
  explicit InputScope(const std::string& spec) : m_previous(CurrentWaveInput()) {
    std::string error;
    EXPECT_TRUE(SelectWaveInput(spec, &error)) << error;
    SetWaveInRealTimePacing(false);
  }
  ~InputScope() {
    SetWaveInRealTimePacing(true);
    ClearWaveInFaults();
    SelectWaveInput(m_previous, nullptr);
  }

 private:
  std::string m_previous;
};

// Records `count` whole buffers of `bytes` each through the platform calls and returns them
// concatenated in the order the device filled them. A late consumer waits lateMs before it lends
// each filled buffer again.
std::vector<uint8_t> Record(const WaveFormat& fmt, size_t bytes, int count, int lateMs = 0) {
  EventHandle event = CreateAutoResetEvent("test");
  WaveInHandle h = 0;
  EXPECT_EQ(WaveInOpen(&h, WAVE_MAPPER, &fmt, event), MMSYSERR_NOERROR);
  event->Wait();  // open
  std::vector<std::vector<uint8_t>> data(2, std::vector<uint8_t>(bytes));
  WaveHeader headers[2];
  for (int i = 0; i < 2; ++i) {
    headers[i].lpData = data[i].data();
    headers[i].dwBufferLength = static_cast<uint32_t>(bytes);
    EXPECT_EQ(WaveInPrepareHeader(h, &headers[i], kWaveHeaderSize), MMSYSERR_NOERROR);
    EXPECT_EQ(WaveInAddBuffer(h, &headers[i], kWaveHeaderSize), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(WaveInStart(h), MMSYSERR_NOERROR);
  std::vector<uint8_t> out;
  for (int n = 0; n < count; ++n) {
    WaveHeader& hd = headers[n % 2];
    while ((hd.dwFlags & WHDR_DONE) == 0) event->Wait();
    const size_t whole = bytes - bytes % fmt.nBlockAlign;
    EXPECT_EQ(hd.dwBytesRecorded, whole);
    out.insert(out.end(), data[n % 2].begin(), data[n % 2].begin() + whole);
    if (lateMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(lateMs));
    EXPECT_EQ(WaveInUnprepareHeader(h, &hd, kWaveHeaderSize), MMSYSERR_NOERROR);
    hd.dwFlags = 0;
    EXPECT_EQ(WaveInPrepareHeader(h, &hd, kWaveHeaderSize), MMSYSERR_NOERROR);
    EXPECT_EQ(WaveInAddBuffer(h, &hd, kWaveHeaderSize), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(WaveInClose(h), MMSYSERR_NOERROR);
  return out;
}

int16_t S16(const std::vector<uint8_t>& b, size_t index) {
  return static_cast<int16_t>(b[2 * index] | (b[2 * index + 1] << 8));
}

int16_t Expected(double v) { return static_cast<int16_t>(std::lround(v * 32767.0)); }

// The square's Fourier series, 4/pi sum over odd k of sin(2 pi k p) / k, with the harmonics below
// half the rate only, those above 90 % of it faded linearly to nothing at it.
double BandLimitedSquare(double p, double hertz, double rate) {
  const double nyquist = rate / 2;
  double sum = 0;
  for (int k = 1; k * hertz < nyquist; k += 2) {
    const double weight = std::min(1.0, (nyquist - k * hertz) / (0.1 * nyquist));
    sum += weight * std::sin(2 * std::numbers::pi * k * p) / k;
  }
  return 4 / std::numbers::pi * sum;
}

bool HaveSox() { return std::system("sox --version >/dev/null 2>&1") == 0; }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(WaveInSelectTest, AcceptsEveryFormAndExplainsBadOnes) {
  std::string keep = CurrentWaveInput();
  std::string error;
  for (const char* good :
       {"none", "tone:1000", "tone:440Hz,square", "tone:50,triangle,0.25", "tone:noise",
        "tone:noise,0.1", "tone:left=1000,sine,0.5;right=440,square,0.25", "tone:right=300",
        "tone:1000;2000"}) {
    EXPECT_TRUE(SelectWaveInput(good, &error)) << good << ": " << error;
    EXPECT_EQ(CurrentWaveInput(), good);
  }
  for (const char* bad :
       {"", "bogus", "defaults", "tone:", "tone:abc", "tone:1000,saw", "tone:1000,sine,1.5",
        "tone:-5", "tone:1000,sine,0.5,9", "tone:left=1;left=2", "tone:1;2;3",
        "device:", "file:", "file:/nonexistent/aurivue.wav"}) {
    error.clear();
    EXPECT_FALSE(SelectWaveInput(bad, &error)) << bad;
    EXPECT_NE(error.find("default, device:NAME"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
  EXPECT_EQ(CurrentWaveInput(), "tone:1000;2000");  // a refused SPEC changes nothing
  SelectWaveInput(keep, nullptr);
}

TEST(WaveInSelectTest, NoInputHasNoDevice) {
  InputScope input("none");
  EXPECT_EQ(WaveInGetNumDevs(), 0u);
  WaveInCaps caps;
  EXPECT_NE(WaveInGetDevCaps(0, &caps, sizeof caps), MMSYSERR_NOERROR);
  WaveFormat fmt = Pcm(2, 44100, 16);
  WaveInHandle h = 0;
  EXPECT_NE(WaveInOpen(&h, WAVE_MAPPER, &fmt, CreateAutoResetEvent("x")), MMSYSERR_NOERROR);
}

TEST(WaveInDeviceTest, HeaderFlagsAndQueueRules) {
  InputScope input("tone:1000");
  WaveFormat fmt = Pcm(2, 11025, 16);
  EventHandle event = CreateAutoResetEvent("x");
  WaveInHandle h = 0;
  WaveFormat bad = fmt;
  bad.nBlockAlign = 3;
  EXPECT_EQ(WaveInOpen(&h, WAVE_MAPPER, &bad, event), WAVERR_BADFORMAT);
  EXPECT_FALSE(event->IsSet());
  ASSERT_EQ(WaveInOpen(&h, WAVE_MAPPER, &fmt, event), MMSYSERR_NOERROR);
  EXPECT_TRUE(event->IsSet());  // the open notification

  std::vector<uint8_t> buffer(400);
  WaveHeader hd;
  hd.lpData = buffer.data();
  hd.dwBufferLength = 400;
  EXPECT_EQ(WaveInAddBuffer(h, &hd, kWaveHeaderSize), WAVERR_UNPREPARED);
  hd.dwFlags = WHDR_DONE;  // a returned buffer is prepared again to exactly "prepared"
  EXPECT_EQ(WaveInPrepareHeader(h, &hd, kWaveHeaderSize), MMSYSERR_NOERROR);
  EXPECT_EQ(hd.dwFlags, WHDR_PREPARED);
  EXPECT_EQ(WaveInPrepareHeader(h, &hd, 7), MMSYSERR_INVALPARAM);
  ASSERT_EQ(WaveInAddBuffer(h, &hd, kWaveHeaderSize), MMSYSERR_NOERROR);
  EXPECT_EQ(WaveInAddBuffer(h, &hd, kWaveHeaderSize), WAVERR_STILLPLAYING);
  EXPECT_EQ(WaveInUnprepareHeader(h, &hd, kWaveHeaderSize), WAVERR_STILLPLAYING);

  WaveHeader empty;
  EXPECT_EQ(WaveInPrepareHeader(h, &empty, kWaveHeaderSize), MMSYSERR_INVALPARAM);

  // Closing hands the queued buffer back, done, and the handle dies with the device.
  EXPECT_EQ(WaveInClose(h), MMSYSERR_NOERROR);
  EXPECT_EQ(hd.dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
  EXPECT_EQ(WaveInUnprepareHeader(h, &hd, kWaveHeaderSize), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(WaveInStart(h), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(WaveInStop(h), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(WaveInClose(h), MMSYSERR_INVALHANDLE);
}

TEST(WaveInDeviceTest, FaultPlanFailsTheNthCallOnly) {
  InputScope input("tone:1000");
  WaveFormat fmt = Pcm(1, 11025, 8);
  EventHandle event = CreateAutoResetEvent("x");
  SetWaveInFaults({.failOpen = 2});
  WaveInHandle h1 = 0, h2 = 0, h3 = 0;
  EXPECT_EQ(WaveInOpen(&h1, WAVE_MAPPER, &fmt, event), MMSYSERR_NOERROR);
  EXPECT_NE(WaveInOpen(&h2, WAVE_MAPPER, &fmt, event), MMSYSERR_NOERROR);
  EXPECT_EQ(WaveInOpen(&h3, WAVE_MAPPER, &fmt, event), MMSYSERR_NOERROR);
  WaveInClose(h1);
  WaveInClose(h3);
}

TEST(ToneTest, SineSquareTriangleFromTheFirstSample) {
  InputScope input("tone:left=1000,sine,0.5;right=441,square,0.25");
  const uint32_t rate = 44100;
  const size_t frames = 4410;
  std::vector<uint8_t> data = Record(Pcm(2, rate, 16), frames * 4, 3);
  for (size_t n = 0; n < 3 * frames; ++n) {
    double t = static_cast<double>(n) / rate;
    double p = std::fmod(441.0 * t, 1.0);
    ASSERT_NEAR(S16(data, 2 * n), Expected(0.5 * std::sin(2 * std::numbers::pi * 1000 * t)), 1)
        << "frame " << n;
    ASSERT_NEAR(S16(data, 2 * n + 1), Expected(0.25 * BandLimitedSquare(p, 441, rate)), 1)
        << "frame " << n;
  }

  InputScope triangle("tone:100,triangle,1");
  std::vector<uint8_t> tri = Record(Pcm(1, 8000, 16), 1600, 1);
  for (size_t n = 0; n < 800; ++n) {
    double p = std::fmod(100.0 * n / 8000.0, 1.0);
    double v = p < 0.5 ? 4 * p - 1 : 3 - 4 * p;
    ASSERT_NEAR(S16(tri, n), Expected(v), 1) << n;
  }
}

// Half a second at 11025 Hz, 16 bit, two channels is 22050 bytes: five and a half thousand
// frames. The half frame is left out, so the next buffer still starts with a left sample.
TEST(ToneTest, OddBufferLengthsKeepFramesWhole) {
  InputScope input("tone:left=100,square,0.5;right=100,square,0.25");
  std::vector<uint8_t> data = Record(Pcm(2, 11025, 16), 22050, 3);
  ASSERT_EQ(data.size(), 3u * 22048);
  // Left is right doubled, give or take the rounding of each.
  for (size_t n = 0; n < data.size() / 4; ++n) {
    ASSERT_NEAR(S16(data, 2 * n), 2 * S16(data, 2 * n + 1), 1) << "frame " << n;
  }
}

TEST(ToneTest, EightBitIsUnsignedAroundHundredTwentyEight) {
  InputScope input("tone:50,square,0.5");
  std::vector<uint8_t> data = Record(Pcm(1, 11025, 8), 5512, 2);
  // The top byte of the 16-bit sample, offset by 128: the square starts on its edge, at zero.
  for (size_t n : {0, 30, 55, 110, 165, 200}) {
    const double p = std::fmod(50.0 * n / 11025.0, 1.0);
    const int16_t s = Expected(0.5 * BandLimitedSquare(p, 50, 11025));
    EXPECT_EQ(data[n], (s >> 8) + 128) << n;
  }
  EXPECT_EQ(data[0], 128);
  InputScope silent("tone:right=1000");  // left left out: silence
  std::vector<uint8_t> quiet = Record(Pcm(1, 11025, 8), 1000, 1);
  for (uint8_t b : quiet) ASSERT_EQ(b, 128);
}

TEST(ToneTest, NoiseStaysWithinItsLevelAndVaries) {
  InputScope input("tone:noise,0.25");
  std::vector<uint8_t> data = Record(Pcm(1, 22050, 16), 22050, 1);
  int16_t lo = 0, hi = 0;
  for (size_t n = 0; n < data.size() / 2; ++n) {
    lo = std::min(lo, S16(data, n));
    hi = std::max(hi, S16(data, n));
  }
  EXPECT_GE(lo, -8192);
  EXPECT_LE(hi, 8192);
  EXPECT_LT(lo, -6000);
  EXPECT_GT(hi, 6000);
}

// A 1 kHz square at 44.1 kHz: a sampled ideal square would fold its harmonics above 22.05 kHz
// onto every multiple of 100 Hz (the 23rd to 21.1 kHz at -27 dBFS). The band-limited one has
// nothing there above the rounding of its 16-bit samples.
TEST(ToneTest, SquareFoldsNoHarmonicBack) {
  InputScope input("tone:1000,square,0.5");
  const uint32_t rate = 44100;
  std::vector<uint8_t> data = Record(Pcm(1, rate, 16), 2 * rate, 1);
  const size_t n = rate;
  for (int hundreds = 1; hundreds < 220; ++hundreds) {
    if (hundreds % 10 == 0) continue;  // the square's own harmonics and their absence
    double re = 0, im = 0;
    for (size_t i = 0; i < n; ++i) {
      const double a = 2 * std::numbers::pi * (static_cast<double>(hundreds * i % 441) / 441);
      re += S16(data, i) * std::cos(a);
      im += S16(data, i) * std::sin(a);
    }
    const double amplitude = 2 * std::hypot(re, im) / n / 32767;
    ASSERT_LT(amplitude, 1e-5) << hundreds * 100 << " Hz";  // -100 dBFS
  }
}

class FileInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_ENVIRONMENT(HaveSox(), "sox is not installed (tools/install_deps.sh installs it)");
    ASSERT_TRUE(m_dir.isValid());
  }
  std::string Path(const char* name) { return m_dir.filePath(name).toStdString(); }
  QTemporaryDir m_dir;
};

TEST_F(FileInputTest, StereoFileArrivesExactlyAndLoops) {
  std::string wav = Path("s.wav"), raw = Path("s.raw");
  ASSERT_EQ(std::system(("sox -R -n -r 22050 -c 2 -b 16 " + wav +
                         " synth 0.3 whitenoise vol 0.6 && sox " + wav + " -t raw " + raw)
                            .c_str()),
            0);
  std::vector<uint8_t> expected = ReadAll(raw);
  ASSERT_EQ(expected.size(), 6615u * 4);
  InputScope input("file:" + wav);
  std::vector<uint8_t> got = Record(Pcm(2, 22050, 16), 22050 * 2, 2);  // 1 s from a 0.3 s file
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i], expected[i % expected.size()]) << "byte " << i;
  }
}

TEST_F(FileInputTest, MonoFeedsBothChannelsAndEightBitMatchesSox) {
  std::string wav = Path("m.wav"), raw = Path("m.raw");
  ASSERT_EQ(std::system(("sox -n -r 11025 -c 1 -b 8 -e unsigned " + wav +
                         " synth 0.2 sine 300 vol 0.7 && sox " + wav + " -t raw " + raw)
                            .c_str()),
            0);
  std::vector<uint8_t> expected = ReadAll(raw);
  ASSERT_EQ(expected.size(), 2205u);
  InputScope input("file:" + wav);
  std::vector<uint8_t> got = Record(Pcm(2, 11025, 8), 5512, 1);
  for (size_t i = 0; i < got.size() / 2; ++i) {
    ASSERT_EQ(got[2 * i], expected[i % expected.size()]) << i;
    ASSERT_EQ(got[2 * i + 1], expected[i % expected.size()]) << i;
  }
}

TEST_F(FileInputTest, OtherRateIsRefusedAtOpen) {
  std::string wav = Path("r.wav");
  ASSERT_EQ(
      std::system(("sox -n -r 48000 -c 1 -b 16 " + wav + " synth 0.1 sine 100 vol 0.5").c_str()),
      0);
  InputScope input("file:" + wav);
  WaveFormat fmt = Pcm(1, 44100, 16);
  WaveInHandle h = 0;
  EXPECT_NE(WaveInOpen(&h, WAVE_MAPPER, &fmt, CreateAutoResetEvent("x")), MMSYSERR_NOERROR);
  fmt = Pcm(1, 48000, 16);
  ASSERT_EQ(WaveInOpen(&h, WAVE_MAPPER, &fmt, CreateAutoResetEvent("x")), MMSYSERR_NOERROR);
  WaveInClose(h);
}

// A -6 dBFS sine must show at -6 dBFS whatever the recording's sample format: integer widths
// through the library's scaling, float ones through the program's own.
TEST_F(FileInputTest, SineLevelIsTheSameFromEveryWidthAndFloat) {
  struct Encoding {
    const char* name;
    const char* soxArgs;
  };
  const Encoding encodings[] = {{"u8", "-e unsigned -b 8"},
                                {"s16", "-e signed -b 16"},
                                {"s24", "-e signed -b 24"},
                                {"f32", "-e floating-point -b 32"},
                                {"f64", "-e floating-point -b 64"}};
  const double expectedDb = -6.0;
  for (const Encoding& e : encodings) {
    SCOPED_TRACE(e.name);
    const std::string wav = Path((std::string(e.name) + ".wav").c_str());
    ASSERT_EQ(std::system(("sox -D -n -r 8000 -c 1 " + std::string(e.soxArgs) + " " + wav +
                           " synth 0.5 sine 1000 gain -6 2>/dev/null")
                              .c_str()),
              0);
    InputScope input("file:" + wav);
    const std::vector<uint8_t> got = Record(Pcm(1, 8000, 16), 8000, 1);  // 0.5 s
    ASSERT_EQ(got.size(), 8000u);
    double sumSquares = 0.0;
    int peak = 0;
    for (size_t n = 0; n < got.size() / 2; ++n) {
      const int s = S16(got, n);
      sumSquares += static_cast<double>(s) * s;
      peak = std::max(peak, std::abs(s));
    }
    const double rms = std::sqrt(sumSquares / static_cast<double>(got.size() / 2));
    // A sine's level is its peak, here read from its RMS, which quantisation barely moves.
    EXPECT_NEAR(20.0 * std::log10(rms * std::numbers::sqrt2 / 32767.0), expectedDb, 0.1);
    // The peak of an 8-bit recording is good to one step of 1/128 only.
    EXPECT_NEAR(20.0 * std::log10(peak / 32767.0), expectedDb, 0.2);
  }
}

// Samples beyond full scale, infinities and NaN from a float recording clip or fall silent.
TEST(WaveInSampleTest, FloatValuesOutsideFullScaleClip) {
  EXPECT_EQ(ToSample16(0.5), 16384);
  EXPECT_EQ(ToSample16(-0.5), -16384);
  EXPECT_EQ(ToSample16(1.5), 32767);
  EXPECT_EQ(ToSample16(-1.5), -32768);
  EXPECT_EQ(ToSample16(INFINITY), 32767);
  EXPECT_EQ(ToSample16(-INFINITY), -32768);
  EXPECT_EQ(ToSample16(NAN), 0);
}

// Pipes, devices and folders are refused when chosen, at once and without opening them: a FIFO
// with no writer would otherwise block, and one with a writer would lose it.
TEST_F(FileInputTest, PipesDevicesAndFoldersAreRefusedWithoutBlocking) {
  const std::string fifo = Path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string keep = CurrentWaveInput();
  const struct {
    std::string path;
    const char* kind;
  } cases[] = {{fifo, "pipe"}, {"/dev/null", "character device"}, {Path(""), "folder"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    std::string error;
    EXPECT_FALSE(SelectWaveInput("file:" + c.path, &error));
    EXPECT_NE(error.find(c.kind), std::string::npos) << error;
    EXPECT_NE(error.find("valid inputs"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
  EXPECT_EQ(CurrentWaveInput(), keep);
}

// A recording chosen as the input that becomes a FIFO before POWER: the open fails at once
// instead of waiting for a writer on the caller's thread.
TEST_F(FileInputTest, ARecordingReplacedByAPipeFailsToOpenAtOnce) {
  const std::string wav = Path("t.wav");
  ASSERT_EQ(
      std::system(("sox -n -r 8000 -c 1 -b 16 " + wav + " synth 0.1 sine 100 vol 0.5").c_str()), 0);
  InputScope input("file:" + wav);
  ASSERT_EQ(std::remove(wav.c_str()), 0);
  ASSERT_EQ(mkfifo(wav.c_str(), 0600), 0);
  const WaveFormat fmt = Pcm(1, 8000, 16);
  WaveInHandle h = 0;
  EXPECT_EQ(WaveInOpen(&h, WAVE_MAPPER, &fmt, CreateAutoResetEvent("x")), MMSYSERR_ERROR);
}

TEST_F(FileInputTest, ARecordingAtAnotherRateNamesBothRates) {
  const std::string wav = Path("r.wav");
  ASSERT_EQ(
      std::system(("sox -n -r 48000 -c 1 -b 16 " + wav + " synth 0.1 sine 100 vol 0.5").c_str()),
      0);
  InputScope input("file:" + wav);
  EXPECT_EQ(WaveInputRateProblem(48000), "");
  const std::string problem = WaveInputRateProblem(44100);
  EXPECT_NE(problem.find("48000 Hz"), std::string::npos) << problem;
  EXPECT_NE(problem.find("44100 Hz"), std::string::npos) << problem;
  EXPECT_NE(problem.find(wav), std::string::npos) << problem;
  EXPECT_EQ(problem.find('\n'), std::string::npos) << problem;
  // Inputs that record at any rate have nothing to say.
  for (const char* any : {"tone:1000", "none"}) {
    ASSERT_TRUE(SelectWaveInput(any, nullptr));
    EXPECT_EQ(WaveInputRateProblem(11025), "") << any;
  }
}

// At the real-time pace, a consumer that lends each buffer back only after the other one has
// filled as well (the user-interface thread late by more than a buffer) delays the tone but
// loses and repeats no sample of it.
TEST(ToneTest, ALateConsumerLosesNoSampleAtTheRealTimePace) {
  // Not a whole number of periods in a 10 ms chunk, so that a lost chunk shows.
  InputScope input("tone:1010,sine,0.5");
  SetWaveInRealTimePacing(true);
  const uint32_t rate = 8000;
  const size_t frames = 400;  // 50 ms buffers, 120 ms late each
  std::vector<uint8_t> data = Record(Pcm(1, rate, 16), frames * 2, 6, 120);
  ASSERT_EQ(data.size(), 6 * frames * 2);
  for (size_t n = 0; n < 6 * frames; ++n) {
    const double t = static_cast<double>(n) / rate;
    ASSERT_NEAR(S16(data, n), Expected(0.5 * std::sin(2 * std::numbers::pi * 1010 * t)), 1)
        << "frame " << n;
  }
}

TEST_F(FileInputTest, ALateConsumerLosesNoFrameOfARecordingAtTheRealTimePace) {
  const std::string wav = Path("n.wav"), raw = Path("n.raw");
  ASSERT_EQ(std::system(("sox -R -n -r 8000 -c 1 -b 16 " + wav +
                         " synth 0.5 whitenoise vol 0.5 && sox " + wav + " -t raw " + raw)
                            .c_str()),
            0);
  const std::vector<uint8_t> expected = ReadAll(raw);
  ASSERT_EQ(expected.size(), 8000u);
  InputScope input("file:" + wav);
  SetWaveInRealTimePacing(true);
  const std::vector<uint8_t> got = Record(Pcm(1, 8000, 16), 800, 6, 120);
  ASSERT_EQ(got.size(), 6 * 800u);
  for (size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i], expected[i % expected.size()]) << "byte " << i;
  }
}
