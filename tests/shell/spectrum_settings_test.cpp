#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "features/spectrum/spectrum_menu.h"
#include "features/spectrum/spectrum_parameters.h"
#include "features/spectrum/spectrum_profile.h"
#include "platform/command_ids.h"
#include "platform/user_profile.h"
#include "shell/command_line.h"
#include "support/private_profile.h"

namespace {

CommandLineOptions Parse(const std::vector<std::string>& args) {
  return ParseCommandLine(args, nullptr);
}

TEST(SpectrumCommandLineTest, EachOptionTakesItsForms) {
  SpectrumOptions o;
  ApplyGivenParameters(SpectrumParameters(),
                       Parse({"--fft-size", "65536", "--spectrum-scale=dbv", "--frequency-axis",
                              "log", "--average", "exp:2.5", "--peak-hold", "--minimum-hold"})
                           .parameters,
                       &o);
  EXPECT_EQ(o.fftSize, 65536);
  EXPECT_EQ(o.scale, 2);
  EXPECT_TRUE(o.logAxis);
  EXPECT_EQ(o.average, 1);
  EXPECT_EQ(o.averageSeconds, 2.5);
  EXPECT_TRUE(o.peakHold);
  EXPECT_TRUE(o.minimumHold);

  o = SpectrumOptions{};
  o.fftSize = 4096;
  o.logAxis = true;
  ApplyGivenParameters(SpectrumParameters(),
                       Parse({"--fft-size=described", "--average", "lin:1000",
                              "--frequency-axis=linear", "--spectrum-scale", "linear"})
                           .parameters,
                       &o);
  EXPECT_EQ(o.fftSize, SpectrumOptions::kDescribed);
  EXPECT_FALSE(o.logAxis);
  EXPECT_EQ(o.average, 2);
  EXPECT_EQ(o.averageCount, 1000);
  EXPECT_EQ(o.scale, 0);

  // Nothing given changes nothing: the profile's choices stand.
  SpectrumOptions profile;
  profile.fftSize = 2048;
  profile.scale = 1;
  SpectrumOptions kept = profile;
  ApplyGivenParameters(SpectrumParameters(), Parse({"--live"}).parameters, &kept);
  EXPECT_EQ(kept, profile);
}

TEST(SpectrumCommandLineTest, BadValuesAreRefusedNamingTheOption) {
  const std::vector<std::vector<std::string>> bad = {
      {"--fft-size", "1000"},       {"--fft-size", "512"},     {"--fft-size", "131072"},
      {"--fft-size", "Described"},  {"--fft-size", "-1024"},   {"--spectrum-scale", "db"},
      {"--frequency-axis", "logx"}, {"--average", "exp:0.05"}, {"--average", "exp:11"},
      {"--average", "exp:1.2.3"},   {"--average", "lin:1"},    {"--average", "lin:1001"},
      {"--average", "on"},          {"--average", "exp:"},     {"--fft-size"},
      {"--average", "--peak-hold"}};
  for (const std::vector<std::string>& args : bad) {
    const CommandLineOptions o = Parse(args);
    EXPECT_EQ(o.action, CommandLineOptions::Action::Error) << args[0] << " " << args.back();
    EXPECT_NE(o.error.find(args[0]), std::string::npos) << o.error;
  }
  EXPECT_EQ(Parse({"--average", "off"}).action, CommandLineOptions::Action::Run);
  EXPECT_EQ(Parse({"--average=exp:10"}).action, CommandLineOptions::Action::Run);
  EXPECT_EQ(Parse({"--average=exp:0.1"}).action, CommandLineOptions::Action::Run);
  EXPECT_EQ(Parse({"--fft-size", "1024"}).action, CommandLineOptions::Action::Run);
}

TEST(SpectrumCommandLineTest, HelpListsEveryOption) {
  const std::string help = UsageText("aurivue", "default");
  for (const char* option : {"--fft-size", "--spectrum-scale", "--frequency-axis", "--average",
                             "--peak-hold", "--minimum-hold"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
}

TEST(SpectrumMenuTest, ChoicesChangeTheOptionsAndShowTheirChecks) {
  SpectrumOptions o;
  std::vector<int> ids;
  for (const SpectrumMenuGroup& g : SpectrumMenuGroups()) {
    for (const SpectrumMenuItem& item : g.items) {
      EXPECT_GE(item.id, ID_SPECTRUM_FIRST);
      EXPECT_LE(item.id, ID_SPECTRUM_LAST);
      for (int seen : ids) EXPECT_NE(seen, item.id) << item.text;
      ids.push_back(item.id);
    }
  }
  // At the defaults exactly one entry of each exclusive group is checked.
  for (const SpectrumMenuGroup& g : SpectrumMenuGroups()) {
    if (g.title.empty()) continue;
    int checked = 0;
    for (const SpectrumMenuItem& item : g.items) checked += SpectrumMenuChecked(item.id, o);
    EXPECT_EQ(checked, 1) << g.title;
  }
  // Every choice checks itself once applied.
  for (int id : ids) {
    if (id == ID_SPECTRUM_RESET_HOLDS) {
      EXPECT_FALSE(ApplySpectrumMenuChoice(id, o));
      continue;
    }
    SpectrumOptions before = o;
    ASSERT_TRUE(ApplySpectrumMenuChoice(id, o)) << id;
    EXPECT_TRUE(SpectrumMenuChecked(id, o) || !SpectrumMenuChecked(id, before)) << id;
    EXPECT_EQ(SanitizedSpectrumOptions(o), o) << id;
  }
  SpectrumOptions d;
  ASSERT_TRUE(ApplySpectrumMenuChoice(ID_SPECTRUM_FIRST + 7, d));
  EXPECT_EQ(d.fftSize, 65536);
  EXPECT_FALSE(ApplySpectrumMenuChoice(ID_SPECTRUM_FIRST - 1, d));
}

TEST(SpectrumProfileTest, ChoicesSurviveTheProfileAndBadEntriesReadAsDefaults) {
  const support::PrivateProfile profile;
  EXPECT_EQ(LoadSpectrumProfile(), SpectrumOptions{});  // nothing stored: described
  SpectrumOptions o;
  o.fftSize = 32768;
  o.scale = 1;
  o.logAxis = true;
  o.average = 2;
  o.averageCount = 64;
  o.peakHold = true;
  o.peakDecayDbPerSecond = 10;
  o.minimumHold = true;
  o.flatTop = true;
  o.dbBottom = -120;
  SaveSpectrumProfile(o);
  EXPECT_EQ(LoadSpectrumProfile(), o);
  UserProfile().setValue("Spectrum/FftSize", 3000);
  UserProfile().setValue("Spectrum/Scale", 7);
  UserProfile().setValue("Spectrum/AverageSeconds", "soon");
  UserProfile().setValue("Spectrum/DbTop", -130);  // a range of 10 dB is the least
  const SpectrumOptions read = LoadSpectrumProfile();
  EXPECT_EQ(read.fftSize, SpectrumOptions::kDescribed);
  EXPECT_EQ(read.scale, 0);
  EXPECT_EQ(read.averageSeconds, 1.0);
  EXPECT_EQ(read.dbBottom, -140);
  EXPECT_EQ(read.dbTop, 0);
  EXPECT_EQ(read.averageCount, 64);
  UserProfile().remove("Spectrum");
}

}  // namespace
