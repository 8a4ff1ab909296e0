#include "analysis/generator_spec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

struct Expect {
  Waveform waveform;
  double frequency, level, duty;
  bool on;
};

TEST(GeneratorSpecTest, ReadsEveryForm) {
  const Expect sine{Waveform::Sine, 1000, 0.5, 50, true};
  const Expect off{Waveform::Sine, 1000, 0.0, 50, false};
  struct Case {
    const char* spec;
    Expect left, right;
  } cases[] = {
      {"1000", sine, sine},
      {"440Hz,square",
       {Waveform::Square, 440, 0.5, 50, true},
       {Waveform::Square, 440, 0.5, 50, true}},
      {"50,triangle,0.25",
       {Waveform::Triangle, 50, 0.25, 50, true},
       {Waveform::Triangle, 50, 0.25, 50, true}},
      {"noise",
       {Waveform::WhiteNoise, 1000, 0.5, 50, true},
       {Waveform::WhiteNoise, 1000, 0.5, 50, true}},
      {"pink,-6dBFS",
       {Waveform::PinkNoise, 1000, std::pow(10.0, -0.3), 50, true},
       {Waveform::PinkNoise, 1000, std::pow(10.0, -0.3), 50, true}},
      {"1000.001,pulse:10,0.3",
       {Waveform::Pulse, 1000.001, 0.3, 10, true},
       {Waveform::Pulse, 1000.001, 0.3, 10, true}},
      {"1000,pulse",
       {Waveform::Pulse, 1000, 0.5, 25, true},
       {Waveform::Pulse, 1000, 0.5, 25, true}},
      {"left=1000,sine,0.5;right=440,sawtooth,-20dbfs",
       sine,
       {Waveform::Sawtooth, 440, 0.1, 50, true}},
      {"right=300", off, {Waveform::Sine, 300, 0.5, 50, true}},
      {"1000;2000", sine, {Waveform::Sine, 2000, 0.5, 50, true}},
      {"sweep:20-20000,10",
       {Waveform::Sweep, 1000, 0.5, 50, true},
       {Waveform::Sweep, 1000, 0.5, 50, true}},
      {"left=sweep:20Hz-20000Hz,5s,0.25;right=1000", {Waveform::Sweep, 1000, 0.25, 50, true}, sine},
  };
  for (const Case& c : cases) {
    GenerateSpec spec;
    std::string error;
    ASSERT_TRUE(ParseGenerateSpec(c.spec, &spec, &error)) << c.spec << ": " << error;
    EXPECT_FALSE(spec.file);
    for (int ch = 0; ch < 2; ++ch) {
      const Expect& e = ch == 0 ? c.left : c.right;
      const ChannelSetup& got = spec.channels[ch];
      EXPECT_EQ(got.waveform, e.waveform) << c.spec << " channel " << ch;
      EXPECT_DOUBLE_EQ(got.frequency, e.frequency) << c.spec << " channel " << ch;
      EXPECT_NEAR(got.level, e.level, 1e-12) << c.spec << " channel " << ch;
      EXPECT_DOUBLE_EQ(got.dutyPercent, e.duty) << c.spec << " channel " << ch;
      EXPECT_EQ(got.on, e.on) << c.spec << " channel " << ch;
    }
  }
  GenerateSpec spec;
  std::string error;
  ASSERT_TRUE(ParseGenerateSpec("sweep:20-20000,10", &spec, &error));
  EXPECT_EQ(spec.channels[0].sweepStartHz, 20);
  EXPECT_EQ(spec.channels[0].sweepStopHz, 20000);
  EXPECT_EQ(spec.channels[0].sweepSeconds, 10);
  ASSERT_TRUE(ParseGenerateSpec("file:/tmp/a b.wav", &spec, &error));
  EXPECT_TRUE(spec.file);
  EXPECT_EQ(spec.path, "/tmp/a b.wav");
}

TEST(GeneratorSpecTest, BadSpecsGetOneLineNamingTheOption) {
  struct Case {
    const char* spec;
    const char* reason;
  } cases[] = {
      {"", "one channel for both"},
      {"abc", "\"abc\" is neither a frequency nor a shape"},
      {"1000,saw", "\"saw\" is neither"},
      {"1000,sine,1.5", "level \"1.5\" is not within 0..1"},
      {"1000,sine,3dBFS", "at or below 0 dBFS"},
      {"-5", "frequency \"-5\" is not within"},
      {"100000", "not within 0..96000 Hz"},
      {"1000,pulse:0", "pulse duty \"0\" is not within 1..99 %"},
      {"1000,pulse:100%", "pulse duty"},
      {"sweep:20000-20,5", "needs 0 < F1 < F2"},
      {"sweep:20-20000", "a sweep is sweep:F1-F2,SECONDS[,LEVEL]"},
      {"sweep:20,5", "is not F1-F2"},
      {"sweep:20-20000,0", "sweep length \"0\""},
      {"left=1;left=2", "a channel is given twice"},
      {"1;2;3", "one channel for both"},
      {"1000,sine,0.5,9", "a channel is FREQ[,SHAPE[,LEVEL]]"},
      {"file:", "file: needs a path"},
  };
  for (const Case& c : cases) {
    GenerateSpec spec;
    std::string error;
    EXPECT_FALSE(ParseGenerateSpec(c.spec, &spec, &error)) << c.spec;
    EXPECT_EQ(error.rfind("--generate \"", 0), 0u) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.spec << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(GeneratorSpecTest, OutputForms) {
  struct Case {
    const char* spec;
    bool ok;
    OutputSpec::Kind kind;
    const char* name;
  } cases[] = {
      {"default", true, OutputSpec::Kind::Default, ""},
      {"none", true, OutputSpec::Kind::None, ""},
      {"device:USB Audio", true, OutputSpec::Kind::Device, "USB Audio"},
      {"device:2", true, OutputSpec::Kind::Device, "2"},
      {"file:/tmp/out.wav", true, OutputSpec::Kind::File, "/tmp/out.wav"},
      {"", false, OutputSpec::Kind::Default, "unknown output"},
      {"speaker", false, OutputSpec::Kind::Default, "unknown output"},
      {"device:", false, OutputSpec::Kind::Default, "needs a device name"},
      {"file:", false, OutputSpec::Kind::Default, "needs a path"},
  };
  for (const Case& c : cases) {
    OutputSpec spec;
    std::string error;
    ASSERT_EQ(ParseOutputSpec(c.spec, &spec, &error), c.ok) << c.spec;
    if (c.ok) {
      EXPECT_EQ(spec.kind, c.kind) << c.spec;
      EXPECT_EQ(spec.name, c.name) << c.spec;
    } else {
      EXPECT_EQ(error.rfind("--output \"", 0), 0u) << error;
      EXPECT_NE(error.find(c.name), std::string::npos) << error;
      EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
  }
}

}  // namespace
