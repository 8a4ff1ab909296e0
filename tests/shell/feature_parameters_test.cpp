#include <gtest/gtest.h>

#include <QFile>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "features/measure/measure_profile.h"
#include "platform/parameter_profile.h"
#include "platform/user_profile.h"
#include "shell/command_line.h"
#include "shell/feature_parameter_list.h"
#include "shell/instrument_setup.h"
#include "support/private_profile.h"

namespace {

// Every value of a table as text: two settings agree when these do.
std::map<std::string, std::string> Values(const ParameterTable& table, const void* settings) {
  std::map<std::string, std::string> values;
  for (const Parameter& p : table.parameters) values[p.key] = FormatParameter(p, settings);
  return values;
}

// A value at the far edge of what p takes, away from its default, and what the profile gives
// back of it; grammars of their own and values judged with others name theirs.
struct Edge {
  std::string value;
  std::string fromProfile;
};
Edge EdgeValue(const ParameterTable& table, const Parameter& p, const std::string& fallback) {
  static const std::map<std::string, Edge> named = {
      {"Trigger trigger-level", {"-100000", "-100000"}},
      {"Trigger trigger-position", {"100", "100"}},
      {"Trigger trigger-holdoff", {"5000", "5000"}},
      {"Trigger trigger-hysteresis", {"0.00002", "0.00002"}},
      {"Spectrum fft-size", {"65536", "65536"}},
      {"Spectrum average", {"lin:1000", "lin:1000"}},
      {"Spectrum average-seconds", {"0.1", "0.1"}},
      {"Spectrum average-count", {"1000", "1000"}},
      {"Spectrum peak-decay", {"1000", "1000"}},
      {"Spectrum db-bottom", {"-400", "-400"}},
      {"Spectrum db-top", {"100", "100"}},
      {"Measurements quantities", {"thd_db,rms", "thd_db,rms"}},
      {"Response sweep", {"0.5-24000,20", "0.5-24000,20"}},
      {"Response smoothing", {"1/48", "1/48"}},
      // The span's limits and the level range as a pair are judged once the rest is read.
      {"Spectrogram span", {"600", "600"}},
      {"Spectrogram db-bottom", {"-400", "-400"}},
      {"Spectrogram db-top", {"-110", "-110"}},
      // Levels in dBFS and shares of full scale in percent, kept as fractions.
      {"Generator left-level", {"-120", "-120"}},
      {"Generator right-level", {"-0.5", "-0.5"}},
      {"Generator left-dc-offset", {"-100", "-100"}},
      {"Generator right-dc-offset", {"0.07", "0.07"}},
      {"Generator left-tones", {"100, 1000@-6, 5000@-12", "100, 1000@-6, 5000@-12"}},
      {"Generator right-tones", {"1000.5, 96000@-120", "1000.5, 96000@-120"}},
      {"Generator max-level-rise", {"0.1", "0.1"}},
      // The profile keeps whether a cursor is on, not where.
      {"Cursors x1", {"-12.5", "on"}},
      {"Cursors x2", {"on", "on"}},
      {"Cursors y1", {"1e-06", "on"}},
      {"Cursors y2", {"250000", "on"}},
  };
  const auto it = named.find(table.section + " " + p.key);
  if (it != named.end()) return it->second;
  std::string value;
  switch (p.kind) {
    case ParameterKind::kChoice:
      value = p.choices.back().name == fallback ? p.choices.front().name : p.choices.back().name;
      break;
    case ParameterKind::kOnOff:
      value = fallback == "on" ? "off" : "on";
      break;
    case ParameterKind::kNumber:
    case ParameterKind::kWhole:
      value = p.ranged ? ParameterNumberText(p.hi) : "-37.25";
      break;
    case ParameterKind::kCustom:
      break;
  }
  return {value, value};
}

std::string FileText(const std::string& relative) {
  std::ifstream in(std::string(AURIVUE_SOURCE_DIR) + "/" + relative);
  std::stringstream text;
  text << in.rdbuf();
  // The manual page escapes its dashes.
  return std::regex_replace(text.str(), std::regex(R"(\\-)"), "-");
}

bool NamesOption(const std::string& text, const std::string& option) {
  return std::regex_search(text, std::regex(option + R"((?![A-Za-z0-9-]))"));
}

// Each declared parameter, at its default and at an edge, goes from its option into the state
// the program starts with, from there into a setup's text and back, and through the profile,
// and comes out the same every way.
TEST(FeatureParameters, EveryParameterRoundTripsThroughOptionSetupAndProfile) {
  support::PrivateProfile privateProfile;
  ASSERT_FALSE(FeatureParameterTables().empty());
  for (const ParameterTable* table : FeatureParameterTables()) {
    InstrumentState base;
    ASSERT_NE(SettingsIn(base, *table), nullptr) << table->section << " has no place in a setup";
    const std::map<std::string, std::string> defaults = Values(*table, SettingsIn(base, *table));
    for (const Parameter& p : table->parameters) {
      const Edge edge = EdgeValue(*table, p, defaults.at(p.key));
      ASSERT_FALSE(edge.value.empty()) << p.key << ": give the test an edge value of its grammar";
      for (const Edge& e : {Edge{defaults.at(p.key), defaults.at(p.key)}, edge}) {
        const std::string& value = e.value;
        SCOPED_TRACE(table->section + " " + p.key + " = " + value);
        InstrumentState state;
        void* settings = SettingsIn(state, *table);
        if (p.option || (p.flag && value == "on")) {
          const CommandLineOptions o = p.flag ? ParseCommandLine({"--" + p.key}, nullptr)
                                              : ParseCommandLine({"--" + p.key, value}, nullptr);
          ASSERT_EQ(o.action, CommandLineOptions::Action::Run) << o.error;
          ApplyGivenParameters(*table, o.parameters, settings);
        } else {
          ASSERT_EQ(ParseParameter(p, value, settings), "");
        }
        ASSERT_EQ(FormatParameter(p, settings), value);
        // A grammar may set more than its own field (lin:N sets the count the count's key also
        // writes); whatever it set, the setup gives back.
        const std::map<std::string, std::string> want = Values(*table, settings);
        if (p.kind != ParameterKind::kCustom) {
          std::map<std::string, std::string> own = defaults;
          own[p.key] = value;
          EXPECT_EQ(want, own) << "a value of a plain kind sets its own field alone";
        }

        const std::string text = WriteSetupText(state);
        EXPECT_NE(text.find("\n" + p.key + " = " + value + "\n"), std::string::npos) << text;
        const SetupReadResult read = ReadSetupText(text, InstrumentState());
        ASSERT_TRUE(read.ok) << read.error;
        EXPECT_TRUE(read.ignored.empty());
        EXPECT_EQ(Values(*table, SettingsIn(read.state, *table)), want);

        if (p.profile.empty()) continue;
        SaveParameterProfile(*table, settings);
        InstrumentState loaded;
        LoadParameterProfile(*table, SettingsIn(loaded, *table));
        EXPECT_EQ(FormatParameter(p, SettingsIn(loaded, *table)), e.fromProfile);
      }
    }
  }
}

// What a user reads about the options names every one the tables declare.
TEST(FeatureParameters, EveryOptionIsInTheHelpTheReadmeAndTheManualPage) {
  const std::string help = UsageText("aurivue", "default");
  const std::string readme = FileText("README.md");
  const std::string manual = FileText("packaging/aurivue.1");
  ASSERT_FALSE(readme.empty());
  ASSERT_FALSE(manual.empty());
  int options = 0;
  for (const ParameterTable* table : FeatureParameterTables()) {
    for (const Parameter& p : table->parameters) {
      if (!p.option && !p.flag) continue;
      ++options;
      const std::string name = "--" + p.key;
      EXPECT_TRUE(NamesOption(help, p.flag ? name : name + " " + p.metavar)) << name;
      EXPECT_TRUE(NamesOption(readme, name)) << name << " is not in README.md";
      EXPECT_TRUE(NamesOption(manual, name)) << name << " is not in the manual page";
    }
  }
  EXPECT_GT(options, 0);
}

// The lines of --help made from a table keep the layout they were written in: the option and
// its value in a column of 20, a longer one on a line of its own.
TEST(FeatureParameters, TheHelpLinesKeepTheirLayout) {
  std::map<std::string, std::string> want = {
      {"Response",
       "  --response METHOD the response analyser's method (displays 621..623): dual (any\n"
       "                    stimulus, one input the reference) or sweep (a logarithmic sweep\n"
       "                    from the generator, or arriving at the input)\n"
       "  --response-reference CHANNEL\n"
       "                    the input that carries what goes into the device: left or right\n"
       "  --sweep F1-F2,SECONDS\n"
       "                    the sweep of the swept method, as 20-20000,5 (up to 20 seconds)\n"
       "  --smoothing 1/N   smooth the response over 1/N octave (N 1..48), or off\n"},
      {"Spectrum",
       "\n"
       "Spectrum analyser (spectrum, phase and power spectrum displays; kept for this start\n"
       "only, the Spectrum menu keeps its choices in the per-user profile):\n"
       "  --fft-size N      transform N points of the undecimated input (a power of two,\n"
       "                    1024..65536), or described (the default)\n"
       "  --spectrum-scale S  amplitude scale: linear, dbfs or dbv (volts calibration)\n"
       "  --frequency-axis A  frequency axis: linear or log (20 Hz or one bin to rate/2)\n"
       "  --average M       off, exp:SECONDS (time constant 0.1..10) or lin:N (2..1000\n"
       "                    transforms), averaged in power\n"
       "  --peak-hold       show the peak hold trace\n"
       "  --minimum-hold    show the minimum hold trace\n"},
      {"Trigger",
       "\n"
       "  --trigger MODE    trigger of the oscillograph: off, auto, normal or single\n"
       "                    (default: as last set in the Trigger menu, else off)\n"
       "  --trigger-source CHANNEL  left or right\n"
       "  --trigger-slope SLOPE     rising, falling or either\n"
       "  --trigger-level MV        trigger level in mV (the oscillograph's units)\n"
       "  --trigger-position PERCENT  trigger point, 0..100 % of the screen from the left\n"
       "                    (default 10; 50 and 50% alike)\n"
       "  --trigger-holdoff MS      no new trigger for MS ms after one (0..5000)\n"
       "  --trigger-hysteresis DIV  hysteresis, 0..2 vertical divisions of the source\n"
       "                    channel's chart (default 0.1)\n"},
      {"Measurements", ""},
      {"Generator", ""},
      {"Spectrogram", ""},
      {"Cursors", ""},
  };
  for (const ParameterTable* table : FeatureParameterTables()) {
    ASSERT_TRUE(want.count(table->section)) << table->section << ": give the test its lines";
    EXPECT_EQ(ParameterUsageText(*table), want[table->section]) << table->section;
  }
}

// A value out of the grammar is refused by the option and the setup alike, in the same words,
// and a profile holding one keeps the value in force.
TEST(FeatureParameters, AWrongValueIsRefusedAlikeEverywhere) {
  support::PrivateProfile privateProfile;
  struct Case {
    const char* key;
    const char* value;
    const char* error;  // as the option says it ("" for a setting of setups only)
  };
  const Case cases[] = {
      {"response", "swept", "--response needs dual or sweep, not \"swept\""},
      {"response-reference", "both", "--response-reference needs left or right, not \"both\""},
      {"sweep", "20000-20,5",
       "--sweep needs F1-F2,SECONDS with 0 < F1 < F2 hertz and 0 < SECONDS <= 20, as "
       "20-20000,5, not \"20000-20,5\""},
      {"smoothing", "1/0",
       "--smoothing needs 1/N (N from 1 to 48, 1/3 for a third of an octave) or off, not "
       "\"1/0\""},
      {"response-average", "mean", ""},
      {"response-average-seconds", "100.5", ""},
      {"phase-unwrapped", "yes", ""},
      {"trigger", "on", "--trigger needs off, auto, normal or single, not \"on\""},
      {"trigger-level", "1e3",
       "--trigger-level needs a level in mV from -100000 to 100000, not \"1e3\""},
      {"trigger-position", "101%",
       "--trigger-position needs a share of the screen from 0 to 100 %, not \"101%\""},
      {"trigger-roll", "yes", ""},
      {"fft-size", "1000",
       "--fft-size needs described or a power of two from 1024 to 65536, not \"1000\""},
      {"average", "exp:11",
       "--average needs off, exp:SECONDS (0.1 to 10) or lin:N (2 to 1000), not \"exp:11\""},
      {"spectrum-scale", "db", "--spectrum-scale needs linear, dbfs or dbv, not \"db\""},
      {"frequency-axis", "logx", "--frequency-axis needs linear or log, not \"logx\""},
      {"peak-decay", "fast", ""},
      {"color-map", "blue", ""},
      {"overlap", "60", ""},
      {"span", "ten", ""},
      {"x1", "left", ""},
      {"markers", "9", ""},
      {"marker-table", "1", ""},
      {"readout", "maybe", ""},
      {"left-level", "3", ""},
      {"right-waveform", "file", ""},
      {"left-frequency", "0", ""},
      {"right-tones", "1000,,96001", ""},
      {"max-level-rise", "0", ""},
      {"statistics", "yes", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " = " + c.value);
#if !AURIVUE_FEATURE_TRIGGER
    // Built without the trigger, its keys are no option and no setup entry at all.
    if (std::string(c.key).rfind("trigger", 0) == 0) continue;
#endif
    const Parameter* p = nullptr;
    const ParameterTable* table = nullptr;
    for (const ParameterTable* t : FeatureParameterTables()) {
      if ((p = t->Find(c.key)) != nullptr) {
        table = t;
        break;
      }
    }
    ASSERT_NE(p, nullptr);
    if (*c.error != '\0') {
      const CommandLineOptions o = ParseCommandLine({std::string("--") + c.key, c.value}, nullptr);
      EXPECT_EQ(o.action, CommandLineOptions::Action::Error);
      EXPECT_EQ(o.error, c.error);
    } else {
      EXPECT_EQ(ParseCommandLine({std::string("--") + c.key, c.value}, nullptr).action,
                CommandLineOptions::Action::Error)
          << "a setting of setups only is no option";
    }
    const std::string setup =
        "[Aurivue setup]\nformat = 1\n[" + table->section + "]\n" + c.key + " = " + c.value + "\n";
    const SetupReadResult read = ReadSetupText(setup, InstrumentState());
    EXPECT_FALSE(read.ok);
    const std::string said =
        *c.error != '\0'
            ? std::string(c.error)
            : std::string(c.key) + " needs " + ParameterNeeds(*p) + ", not \"" + c.value + "\"";
    EXPECT_EQ(read.error, "line 4: " + said);

    InstrumentState state;
    void* settings = SettingsIn(state, *table);
    const std::string before = FormatParameter(*p, settings);
    {
      // The profile as a hand edit or another version may leave it.
      UserProfile profile;
      profile.beginGroup(QString::fromStdString(table->section));
      for (const ProfileField& f : p->profile) {
        profile.setValue(QString::fromLatin1(f.key),
                         f.type == ProfileType::kText ? c.value : "not a number");
      }
    }
    // Any text reads as a flag; for the rest, text that is no value leaves the value in force.
    bool flag = false;
    for (const ProfileField& f : p->profile) flag = flag || f.type == ProfileType::kBool;
    if (flag) continue;
    LoadParameterProfile(*table, settings);
    EXPECT_EQ(FormatParameter(*p, settings), before);
  }
}

// The section of a setup text, from its name to the blank line before the next.
std::string SectionOf(const std::string& text, const std::string& name) {
  const std::size_t start = text.find("\n[" + name + "]\n");
  if (start == std::string::npos) return "(missing)";
  const std::size_t end = text.find("\n\n", start + 1);
  return text.substr(start + 1, end == std::string::npos ? std::string::npos : end - start);
}

// The line of key in the profile's file, as written there.
std::string ProfileLine(const std::string& key) {
  UserProfile().sync();
  QFile file(UserProfilePath());
  if (!file.open(QIODevice::ReadOnly)) return "(no profile)";
  const std::string text = file.readAll().toStdString();
  const std::regex line("(^|\n)(" + key + "=[^\n]*)");
  std::smatch m;
  return std::regex_search(text, m, line) ? m[2].str() : "(missing)";
}

// The readout's choices keep the lines setups and the profile have always had for them: the
// section after the spectrum analyser's, its keys and values, and the profile's entries of
// the types stored profiles hold (a flag, a list of names).
TEST(FeatureParameters, TheReadoutKeepsItsSetupLinesAndProfileEntries) {
  support::PrivateProfile privateProfile;
  struct Case {
    bool readout, statistics;
    std::vector<Quantity> quantities;
    const char* section;
    const char* visibleLine;
    const char* statisticsLine;
    const char* quantitiesLine;
  };
  const Case cases[] = {
      {false,
       false,
       {},
       "[Measurements]\nreadout = off\nstatistics = off\nquantities = \n",
       "Visible=false",
       "Statistics=false",
       "Quantities=@Invalid()"},
      {true,
       false,
       {Quantity::kSnr},
       "[Measurements]\nreadout = on\nstatistics = off\n"
       "quantities = snr\n",
       "Visible=true",
       "Statistics=false",
       "Quantities=snr"},
      {false,
       true,
       {Quantity::kRms, Quantity::kThdDb, Quantity::kFrequency},
       "[Measurements]\nreadout = off\nstatistics = on\nquantities = rms,thd_db,frequency\n",
       "Visible=false",
       "Statistics=true",
       "Quantities=rms, thd_db, frequency"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.section);
    InstrumentState state;
    state.measure = {c.readout, c.statistics, c.quantities};
    const std::string text = WriteSetupText(state);
    EXPECT_EQ(SectionOf(text, "Measurements"), c.section);
    const std::size_t at = text.find("\n[Measurements]\n");
    EXPECT_LT(text.find("\n[Spectrum]\n"), at) << "the measurements follow the spectrum analyser";
    const std::size_t response = text.find("\n[Response]\n");
    if (response != std::string::npos) {
      EXPECT_GT(response, at);
    }

    SaveMeasureVisible(c.readout);
    SaveMeasureStatistics(c.statistics);
    SaveMeasureQuantities(c.quantities);
    EXPECT_EQ(ProfileLine("Visible"), c.visibleLine);
    EXPECT_EQ(ProfileLine("Statistics"), c.statisticsLine);
    EXPECT_EQ(ProfileLine("Quantities"), c.quantitiesLine);
    const MeasureSettings loaded = LoadMeasureProfile();
    EXPECT_EQ(loaded.readout, c.readout);
    EXPECT_EQ(loaded.statistics, c.statistics);
    EXPECT_EQ(loaded.quantities, c.quantities);
  }
}

// What the profile holds of the quantities, as another version or a hand edit may leave it:
// names it does not know and repeats are passed over, no entry at all gives the defaults.
TEST(FeatureParameters, TheReadoutsProfileListIsReadAsTheReadoutReadsIt) {
  support::PrivateProfile privateProfile;
  struct Case {
    QVariant stored;  // invalid: no entry
    std::vector<Quantity> quantities;
  };
  const Case cases[] = {
      {QVariant(), DefaultReadoutQuantities()},
      {QStringList{"rms", "wobble", "rms", "enob"}, {Quantity::kRms, Quantity::kEnob}},
      {QString("vpp"), {Quantity::kVpp}},
      {QStringList{"wobble"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.toStringList().join(',').toStdString());
    {
      UserProfile profile;
      profile.remove("Measurements/Quantities");
      if (c.stored.isValid()) profile.setValue("Measurements/Quantities", c.stored);
    }
    EXPECT_EQ(LoadMeasureProfile().quantities, c.quantities);
  }
}

// A setup's list of quantities: names this version does not know are reported, once each where
// they stand, and the rest taken.
TEST(FeatureParameters, UnknownQuantitiesOfASetupAreReportedAndPassedOver) {
  struct Case {
    const char* list;
    std::vector<Quantity> quantities;
    std::vector<std::string> ignored;
  };
  const Case cases[] = {
      {"rms, wobble , thd_db", {Quantity::kRms, Quantity::kThdDb}, {"quantity wobble"}},
      {"snr,snr,,flutter,drift", {Quantity::kSnr}, {"quantity flutter", "quantity drift"}},
      {"", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list);
    const SetupReadResult read =
        ReadSetupText(std::string("[Aurivue setup]\n[Measurements]\nquantities = ") + c.list + "\n",
                      InstrumentState());
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.state.measure.quantities, c.quantities);
    std::vector<std::string> ignored;
    for (const std::string& name : c.ignored)
      ignored.push_back("[Measurements] " + name + " (line 3)");
    EXPECT_EQ(read.ignored, ignored);
  }
}

}  // namespace
