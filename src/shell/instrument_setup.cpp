#include "shell/instrument_setup.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <sstream>

#include "features/live/live_profile.h"
#include "shell/command_line.h"
#include "shell/feature_parameter_list.h"
#include "view/display_modes.h"

namespace {

constexpr char kHeaderSection[] = "Aurivue setup";
constexpr char kFormatVersion[] = "1";

bool ReadWhole(const std::string& text, int& v) {
  const char* first = text.data();
  const char* last = first + text.size();
  int parsed = 0;
  const auto [end, ec] = std::from_chars(first, last, parsed);
  if (ec != std::errc() || end != last) return false;
  v = parsed;
  return true;
}

// One setting of the file: where it stands, how its value is written from a state and read into
// one. Read answers an error text (empty when the value was taken); notes collects what a
// reader should hear of without the file being broken.
struct Entry {
  const char* section;
  const char* key;
  std::function<std::string(const InstrumentState&)> write;
  std::function<std::string(const std::string&, InstrumentState&, std::vector<std::string>&)> read;
};

std::string Needs(const char* key, const std::string& what, const std::string& value) {
  return std::string(key) + " needs " + what + ", not \"" + value + "\"";
}

// A switch figure: one of the figures its detents show.
Entry FigureEntry(const char* key, int InstrumentState::*field, const std::vector<int>& figures,
                  const char* what) {
  return {
      "Display", key, [field](const InstrumentState& s) { return std::to_string(s.*field); },
      [key, field, &figures, what](const std::string& value, InstrumentState& s,
                                   std::vector<std::string>&) {
        int v = 0;
        if (!ReadWhole(value, v) || std::find(figures.begin(), figures.end(), v) == figures.end())
          return Needs(key, what, value);
        s.*field = v;
        return std::string();
      }};
}

Entry CardEntry(const char* key, int InstrumentState::Card::*field) {
  return {"Card", key, [field](const InstrumentState& s) { return std::to_string(s.card.*field); },
          [key, field](const std::string& value, InstrumentState& s, std::vector<std::string>&) {
            int v = 0;
            if (!ReadWhole(value, v) || v < 0) return Needs(key, "a whole number", value);
            s.card.*field = v;
            return std::string();
          }};
}

// A declared parameter of a feature: its setup entry reads and writes it as its option does.
Entry ParameterEntry(const ParameterTable& table, const Parameter& p) {
  return {
      table.section.c_str(), p.key.c_str(),
      [&table, &p](const InstrumentState& s) { return FormatParameter(p, SettingsIn(s, table)); },
      [&table, &p](const std::string& value, InstrumentState& s, std::vector<std::string>& notes) {
        std::string error = ParseParameter(p, value, SettingsIn(s, table));
        if (error.empty() && p.passedOver) notes = p.passedOver(value);
        return error;
      }};
}

std::vector<Entry> MakeEntries() {
  std::vector<Entry> entries = {
      {"Display", "mode", [](const InstrumentState& s) { return std::to_string(s.displayMode); },
       [](const std::string& value, InstrumentState& s, std::vector<std::string>&) {
         int mode = 0;
         if (!ReadWhole(value, mode) || !IsDisplayMode(mode)) {
           return Needs("mode", "a display mode (" + DisplayModeRanges() + ")", value);
         }
         s.displayMode = mode;
         return std::string();
       }},
      {"Display", "display",
       [](const InstrumentState& s) { return std::string(s.live ? "live" : "classic"); },
       [](const std::string& value, InstrumentState& s, std::vector<std::string>&) {
         if (value != "live" && value != "classic")
           return Needs("display", "live or classic", value);
         s.live = value == "live";
         return std::string();
       }},
      FigureEntry("timebase", &InstrumentState::timeBaseMs, TimeBaseFigures(),
                  "a figure of the time-base switch in ms/div"),
      FigureEntry("left-mv", &InstrumentState::leftMv, ChannelFigures(),
                  "a figure of the channel switch in mV/div"),
      FigureEntry("right-mv", &InstrumentState::rightMv, ChannelFigures(),
                  "a figure of the channel switch in mV/div"),
      FigureEntry("curtains", &InstrumentState::curtainRate, CurtainRates(),
                  "a waterfall curtain rate: 2, 5, 10, 20 or 30 a second"),

  };
  // The features' declared parameters, in the order of the feature list.
  for (const ParameterTable* table : FeatureParameterTables()) {
    if (SettingsIn(InstrumentState(), *table) == nullptr) continue;
    for (const Parameter& p : table->parameters) entries.push_back(ParameterEntry(*table, p));
  }
  const Entry rest[] = {
      CardEntry("rate", &InstrumentState::Card::rate),
      CardEntry("channels", &InstrumentState::Card::channels),
      CardEntry("bits", &InstrumentState::Card::bits),
  };
  entries.insert(entries.end(), std::begin(rest), std::end(rest));
  return entries;
}

const std::vector<Entry>& Entries() {
  static const std::vector<Entry> entries = MakeEntries();
  return entries;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

void* SettingsIn(InstrumentState& state, const ParameterTable& table) {
  return const_cast<void*>(SettingsIn(static_cast<const InstrumentState&>(state), table));
}

const void* SettingsIn(const InstrumentState& state, const ParameterTable& table) {
  if (*table.type == typeid(ResponseSettings)) return &state.response;
  if (*table.type == typeid(SpectrogramOptions)) return &state.spectrogram;
  if (*table.type == typeid(CursorSettings)) return &state.cursors;
  if (*table.type == typeid(SpectrumOptions)) return &state.spectrum;
  if (*table.type == typeid(TriggerSettings)) return &state.trigger;
  if (*table.type == typeid(MeasureSettings)) return &state.measure;
  if (*table.type == typeid(GeneratorSettings)) return &state.generator;
  return nullptr;
}

std::string WriteSetupText(const InstrumentState& state) {
  std::string text =
      "# Aurivue setup: the state of the instrument. Open it with File > Open Setup... or\n"
      "# aurivue --setup FILE. Keys are named like the command-line options where one exists;\n"
      "# a key left out keeps the value in force. [Card] only notes the card settings the\n"
      "# setup was made with: Setup changes those.\n";
  text += std::string("[") + kHeaderSection + "]\nformat = " + kFormatVersion + "\n";
  const char* section = nullptr;
  for (const Entry& e : Entries()) {
    if (e.section == std::string("Card") && state.card.rate == 0) continue;
    if (section == nullptr || std::string(section) != e.section) {
      section = e.section;
      text += std::string("\n[") + section + "]\n";
    }
    text += std::string(e.key) + " = " + e.write(state) + "\n";
  }
  return text;
}

SetupReadResult ReadSetupText(const std::string& text, const InstrumentState& base) {
  SetupReadResult result;
  result.state = base;
  std::stringstream lines(text);
  std::string line;
  std::string section;
  bool header = false;
  int number = 0;
  auto fail = [&](const std::string& why) {
    result.ok = false;
    result.error = "line " + std::to_string(number) + ": " + why;
    result.state = base;
    result.ignored.clear();
    return result;
  };
  while (std::getline(lines, line)) {
    ++number;
    const std::string t = Trimmed(line);
    if (t.empty() || t[0] == '#' || t[0] == ';') continue;
    if (t.front() == '[') {
      if (t.back() != ']' || t.size() < 3) return fail("a section needs [NAME]");
      section = Trimmed(t.substr(1, t.size() - 2));
      if (section == kHeaderSection) header = true;
      continue;
    }
    const size_t equals = t.find('=');
    if (equals == std::string::npos) return fail("not a setting (KEY = VALUE): \"" + t + "\"");
    if (!header)
      return fail("this is not an Aurivue setup (its first section is not [" +
                  std::string(kHeaderSection) + "])");
    const std::string key = Trimmed(t.substr(0, equals));
    const std::string value = Trimmed(t.substr(equals + 1));
    if (section == kHeaderSection) {
      if (key != "format")
        result.ignored.push_back("[" + section + "] " + key + " (line " + std::to_string(number) +
                                 ")");
      continue;
    }
    const auto entry = std::find_if(Entries().begin(), Entries().end(), [&](const Entry& e) {
      return section == e.section && key == e.key;
    });
    if (entry == Entries().end()) {
      result.ignored.push_back("[" + section + "] " + key + " (line " + std::to_string(number) +
                               ")");
      continue;
    }
    std::vector<std::string> notes;
    const std::string error = entry->read(value, result.state, notes);
    if (!error.empty()) return fail(error);
    for (const std::string& note : notes) {
      result.ignored.push_back("[" + section + "] " + note + " (line " + std::to_string(number) +
                               ")");
    }
  }
  if (!header) {
    fail("");
    result.error =
        "this is not an Aurivue setup (it has no [" + std::string(kHeaderSection) + "] section)";
    return result;
  }
  // What only makes sense together (a range as a pair) is judged once every entry is in.
  for (const ParameterTable* table : FeatureParameterTables()) {
    if (void* settings = SettingsIn(result.state, *table); settings != nullptr && table->sanitize)
      table->sanitize(settings);
  }
  result.ok = true;
  return result;
}

std::string CardDifferenceText(const InstrumentState::Card& setup,
                               const InstrumentState::Card& current) {
  if (setup.rate == 0 || setup == current) return std::string();
  auto describe = [](const InstrumentState::Card& c) {
    return std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) +
           (c.channels == 1 ? " channel, " : " channels, ") + std::to_string(c.bits) + " bit";
  };
  return "The setup was made with the card at " + describe(setup) + "; it records at " +
         describe(current) + " now. Setup changes that.";
}
