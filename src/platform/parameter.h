#pragma once

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

// One setting of a feature, declared once: its key (the command-line option without "--" and
// the setup file's key), the values it takes, where the per-user profile keeps it, its line in
// a CSV file's "#" head and its lines of --help. The command line, setups, profile and CSV
// export are all made from these declarations, so that they can never disagree about a name,
// a spelling or a range.
//
// The settings a parameter reads and writes are a feature's own struct; the declaration holds
// accessors made by the typed builders below, so that tables of different features can be
// looped over alike.

enum class ParameterKind {
  kChoice,  // one of a list of names, each standing for a whole number
  kNumber,  // a decimal number, within a range when one is given
  kWhole,   // a whole number, within a range when one is given
  kOnOff,   // on or off
  kCustom,  // a grammar of its own (F1-F2,SECONDS, 1/N...): parse and format functions
};

// How the profile stores a value. kText stores the value as written in a setup; kTextList the
// comma-separated items of that text as a list of strings (an empty text as an empty list).
enum class ProfileType { kInt, kBool, kDouble, kText, kTextList };

struct ParameterChoice {
  const char* name;
  int value;
};

// One value the profile keeps for a parameter (a custom one may keep several numbers).
struct ProfileField {
  const char* key = nullptr;
  ProfileType type = ProfileType::kDouble;
  std::function<double(const void*)> get;
  std::function<void(void*, double)> set;
  // A stored number outside [lo, hi] is brought to its edge (lo < hi only).
  double lo = 0;
  double hi = 0;
};

struct Parameter {
  std::string key;
  ParameterKind kind = ParameterKind::kNumber;
  std::vector<ParameterChoice> choices;
  bool ranged = false;
  double lo = 0;
  double hi = 0;
  std::string unit;   // "seconds": the error line says "a number of seconds from LO to HI"
  std::string needs;  // what the error line says it needs; made from the kind when empty

  // The value as a number (every kind but custom).
  std::function<double(const void*)> get;
  std::function<void(void*, double)> set;
  // A custom grammar: the text of a value, and reading one (false: not of the grammar).
  std::function<std::string(const void*)> format;
  std::function<bool(const std::string&, void*)> parse;
  // What a value holds that the grammar takes yet passes over (a name another version knows):
  // the value is read, and a setup reports each of these as ignored.
  std::function<std::vector<std::string>(const std::string&)> passedOver;

  // A command-line option --KEY METAVAR with its help (lines after the first indented alike);
  // a flag is an option --KEY without a value that turns an on-off parameter on.
  bool option = false;
  bool flag = false;
  std::string metavar;
  std::string help;

  // Where the profile keeps it; empty: it is not kept.
  std::vector<ProfileField> profile;

  // Its "#" line of a CSV file: the name, when it is written, and its text when not the
  // setup's.
  std::string csvKey;
  std::function<bool(const void*)> csvShown;
  std::function<std::string(const void*)> csvFormat;

  Parameter& Option(std::string metavarText, std::string helpText);
  Parameter& Flag(std::string helpText);
  // One stored value, of the type the kind suits unless told (a choice over a bool is kBool).
  Parameter& Profile(const char* profileKey);
  Parameter& Profile(const char* profileKey, ProfileType type);
  Parameter& ProfileAsText(const char* profileKey);
  Parameter& ProfileAsList(const char* profileKey);
  Parameter& ProfileFields(std::vector<ProfileField> fields);
  Parameter& Range(double low, double high, std::string unitName = std::string());
  Parameter& Needs(std::string text);
  Parameter& PassesOver(std::function<std::vector<std::string>(const std::string&)> what);
  Parameter& Csv(std::string name);
  template <typename S>
  Parameter& CsvWhen(std::function<bool(const S&)> shown) {
    csvShown = [shown](const void* s) { return shown(*static_cast<const S*>(s)); };
    return *this;
  }
  template <typename S>
  Parameter& CsvText(std::function<std::string(const S&)> text) {
    csvFormat = [text](const void* s) { return text(*static_cast<const S*>(s)); };
    return *this;
  }
};

// A feature's parameters, over one settings struct.
struct ParameterTable {
  std::string section;  // the setup file's [section] and the profile's group
  // Where --help lists the options: among the settings of the start, under a heading of their
  // own, or among the measurement options of a scripted run.
  enum class HelpPlace { kSettings, kMeasurements };
  HelpPlace helpPlace = HelpPlace::kMeasurements;
  int helpOrder = 0;  // within the place, before the feature list's order
  std::string helpHeading;
  // A second column for options past the first (0: none); past that too, two spaces.
  std::size_t helpWideColumn = 0;
  const std::type_info* type = nullptr;
  std::vector<Parameter> parameters;
  // The order of the CSV lines by key, when not the table's.
  std::vector<std::string> csvOrder;
  // Settings at their defaults, and a copy of the settings at s, for trying a value without
  // changing anything.
  std::shared_ptr<const void> defaults;
  std::function<std::shared_ptr<void>(const void*)> clone;
  // Puts what only makes sense together (a range as a pair) back in order; may be empty.
  std::function<void(void*)> sanitize;

  const Parameter* Find(const std::string& key) const;
  const Parameter* FindOption(const std::string& name) const;  // "--key" taking a value
  const Parameter* FindFlag(const std::string& name) const;    // "--key" alone
};

template <typename S>
ParameterTable MakeParameterTable(std::string section, std::vector<Parameter> parameters) {
  ParameterTable t;
  t.section = std::move(section);
  t.type = &typeid(S);
  t.parameters = std::move(parameters);
  t.defaults = std::make_shared<const S>();
  t.clone = [](const void* s) -> std::shared_ptr<void> {
    return std::make_shared<S>(*static_cast<const S*>(s));
  };
  return t;
}

namespace parameter_detail {
// v as an F: a whole number out of F's range goes to its edge rather than past it.
template <typename F>
F Narrowed(double v) {
  if constexpr (std::is_integral_v<F> && !std::is_same_v<F, bool>) {
    v = std::clamp(v, static_cast<double>(std::numeric_limits<F>::min()),
                   static_cast<double>(std::numeric_limits<F>::max()));
  }
  if constexpr (std::is_enum_v<F>) {
    return static_cast<F>(static_cast<std::underlying_type_t<F>>(v));
  } else {
    return static_cast<F>(v);
  }
}

// A field as a number: an enumeration by its underlying value.
template <typename F>
double Widened(F v) {
  if constexpr (std::is_enum_v<F>) {
    return static_cast<double>(static_cast<std::underlying_type_t<F>>(v));
  } else {
    return static_cast<double>(v);
  }
}

template <typename S, typename F>
void Access(Parameter& p, F S::*field) {
  p.get = [field](const void* s) { return Widened(static_cast<const S*>(s)->*field); };
  p.set = [field](void* s, double v) { static_cast<S*>(s)->*field = Narrowed<F>(v); };
}
}  // namespace parameter_detail

template <typename S, typename F>
Parameter ChoiceParameter(std::string key, F S::*field, std::vector<ParameterChoice> choices) {
  Parameter p;
  p.key = std::move(key);
  p.kind = ParameterKind::kChoice;
  p.choices = std::move(choices);
  parameter_detail::Access(p, field);
  return p;
}

template <typename S, typename F>
Parameter NumberParameter(std::string key, F S::*field) {
  Parameter p;
  p.key = std::move(key);
  p.kind = ParameterKind::kNumber;
  parameter_detail::Access(p, field);
  return p;
}

template <typename S, typename F>
Parameter WholeParameter(std::string key, F S::*field) {
  Parameter p;
  p.key = std::move(key);
  p.kind = ParameterKind::kWhole;
  parameter_detail::Access(p, field);
  return p;
}

template <typename S>
Parameter OnOffParameter(std::string key, bool S::*field) {
  Parameter p;
  p.key = std::move(key);
  p.kind = ParameterKind::kOnOff;
  parameter_detail::Access(p, field);
  return p;
}

template <typename S>
Parameter CustomParameter(std::string key, std::string needs,
                          std::function<std::string(const S&)> format,
                          std::function<bool(const std::string&, S&)> parse) {
  Parameter p;
  p.key = std::move(key);
  p.kind = ParameterKind::kCustom;
  p.needs = std::move(needs);
  p.format = [format](const void* s) { return format(*static_cast<const S*>(s)); };
  p.parse = [parse](const std::string& text, void* s) { return parse(text, *static_cast<S*>(s)); };
  return p;
}

// A number the profile keeps for a custom parameter.
template <typename S, typename F>
ProfileField StoredField(const char* key, ProfileType type, F S::*field, double lo = 0,
                         double hi = 0) {
  ProfileField f;
  f.key = key;
  f.type = type;
  f.get = [field](const void* s) { return static_cast<double>(static_cast<const S*>(s)->*field); };
  f.set = [field](void* s, double v) {
    static_cast<S*>(s)->*field = parameter_detail::Narrowed<F>(v);
  };
  f.lo = lo;
  f.hi = hi;
  return f;
}

// The text of p's value in settings, as a setup writes it and the option takes it.
std::string FormatParameter(const Parameter& p, const void* settings);
// Reads text into settings: empty, or the error line ("--key needs ..., not \"text\"" for an
// option, "key needs ..." for a setting of setups only). settings is unchanged on an error.
std::string ParseParameter(const Parameter& p, const std::string& text, void* settings);
// What p's error line says it needs.
std::string ParameterNeeds(const Parameter& p);

// The --help lines of the table's options (its heading first, when it has one).
std::string ParameterUsageText(const ParameterTable& table);
// The CSV "#" lines of the table for settings, in their order.
std::vector<std::pair<std::string, std::string>> ParameterCsvLines(const ParameterTable& table,
                                                                   const void* settings);

// Numbers as setups and CSV files write them: the shortest text that reads back the same,
// without the locale.
std::string ParameterNumberText(double v);
// A number as setups read it: decimal, an optional leading '+', finite, nothing after.
bool ReadParameterNumber(const std::string& text, double& v);

// The command line's and a setup's values of options, as given: key (without "--") and text,
// in the order given; each was checked when given.
using GivenParameters = std::vector<std::pair<std::string, std::string>>;
// Puts the values given for the table's keys into settings (those of other tables are passed
// over).
void ApplyGivenParameters(const ParameterTable& table, const GivenParameters& given,
                          void* settings);
