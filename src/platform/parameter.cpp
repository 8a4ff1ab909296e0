#include "platform/parameter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// The column where the help of an option begins, and the indent of its further lines; an
// option reaching it keeps its help on its line, two spaces on, when that fits the width.
constexpr std::size_t kHelpColumn = 20;
constexpr std::size_t kHelpWidth = 80;

bool ReadWholeNumber(const std::string& text, int& v) {
  const char* first = text.data();
  const char* last = first + text.size();
  int parsed = 0;
  const auto [end, ec] = std::from_chars(first, last, parsed);
  if (text.empty() || ec != std::errc() || end != last) return false;
  v = parsed;
  return true;
}

bool InRange(const Parameter& p, double v) { return !p.ranged || (v >= p.lo && v <= p.hi); }

}  // namespace

Parameter& Parameter::Option(std::string metavarText, std::string helpText) {
  option = true;
  metavar = std::move(metavarText);
  help = std::move(helpText);
  return *this;
}

Parameter& Parameter::Flag(std::string helpText) {
  flag = true;
  help = std::move(helpText);
  return *this;
}

Parameter& Parameter::Profile(const char* profileKey) {
  return Profile(profileKey, kind == ParameterKind::kOnOff    ? ProfileType::kBool
                             : kind == ParameterKind::kNumber ? ProfileType::kDouble
                             : kind == ParameterKind::kCustom ? ProfileType::kText
                                                              : ProfileType::kInt);
}

Parameter& Parameter::Profile(const char* profileKey, ProfileType type) {
  ProfileField f;
  f.key = profileKey;
  f.type = type;
  f.get = get;
  f.set = set;
  if (ranged) {
    f.lo = lo;
    f.hi = hi;
  }
  profile = {f};
  return *this;
}

Parameter& Parameter::ProfileAsText(const char* profileKey) {
  ProfileField f;
  f.key = profileKey;
  f.type = ProfileType::kText;
  profile = {f};
  return *this;
}

Parameter& Parameter::ProfileAsList(const char* profileKey) {
  ProfileField f;
  f.key = profileKey;
  f.type = ProfileType::kTextList;
  profile = {f};
  return *this;
}

Parameter& Parameter::ProfileFields(std::vector<ProfileField> fields) {
  profile = std::move(fields);
  return *this;
}

Parameter& Parameter::Range(double low, double high, std::string unitName) {
  ranged = true;
  lo = low;
  hi = high;
  unit = std::move(unitName);
  for (ProfileField& f : profile) {
    if (f.type != ProfileType::kText && f.type != ProfileType::kTextList &&
        f.type != ProfileType::kBool) {
      f.lo = lo;
      f.hi = hi;
    }
  }
  return *this;
}

Parameter& Parameter::Needs(std::string text) {
  needs = std::move(text);
  return *this;
}

Parameter& Parameter::PassesOver(std::function<std::vector<std::string>(const std::string&)> what) {
  passedOver = std::move(what);
  return *this;
}

Parameter& Parameter::Csv(std::string name) {
  csvKey = std::move(name);
  return *this;
}

const Parameter* ParameterTable::Find(const std::string& key) const {
  for (const Parameter& p : parameters) {
    if (p.key == key) return &p;
  }
  return nullptr;
}

const Parameter* ParameterTable::FindOption(const std::string& name) const {
  if (name.rfind("--", 0) != 0) return nullptr;
  const Parameter* p = Find(name.substr(2));
  return p != nullptr && p->option ? p : nullptr;
}

const Parameter* ParameterTable::FindFlag(const std::string& name) const {
  if (name.rfind("--", 0) != 0) return nullptr;
  const Parameter* p = Find(name.substr(2));
  return p != nullptr && p->flag ? p : nullptr;
}

std::string ParameterNumberText(double v) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  return ec == std::errc() ? std::string(text, end) : std::string("0");
}

bool ReadParameterNumber(const std::string& text, double& v) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  double parsed = 0;
  const auto [end, ec] = std::from_chars(first, last, parsed);
  if (first == last || ec != std::errc() || end != last || !std::isfinite(parsed)) return false;
  v = parsed;
  return true;
}

std::string ParameterNeeds(const Parameter& p) {
  if (!p.needs.empty()) return p.needs;
  switch (p.kind) {
    case ParameterKind::kChoice: {
      std::string list;
      for (std::size_t i = 0; i < p.choices.size(); ++i) {
        if (i > 0) list += i + 1 == p.choices.size() ? " or " : ", ";
        list += p.choices[i].name;
      }
      return list;
    }
    case ParameterKind::kOnOff:
      return "on or off";
    case ParameterKind::kNumber:
    case ParameterKind::kWhole:
      if (!p.ranged) return p.kind == ParameterKind::kWhole ? "a whole number" : "a number";
      return "a number of " + p.unit + " from " + ParameterNumberText(p.lo) + " to " +
             ParameterNumberText(p.hi);
    case ParameterKind::kCustom:
      break;
  }
  return "a value";
}

std::string FormatParameter(const Parameter& p, const void* settings) {
  switch (p.kind) {
    case ParameterKind::kChoice: {
      const int v = static_cast<int>(p.get(settings));
      for (const ParameterChoice& c : p.choices) {
        if (c.value == v) return c.name;
      }
      return std::string();
    }
    case ParameterKind::kOnOff:
      return p.get(settings) != 0 ? "on" : "off";
    case ParameterKind::kNumber:
      return ParameterNumberText(p.get(settings));
    case ParameterKind::kWhole:
      return std::to_string(static_cast<long long>(p.get(settings)));
    case ParameterKind::kCustom:
      return p.format(settings);
  }
  return std::string();
}

std::string ParseParameter(const Parameter& p, const std::string& text, void* settings) {
  bool ok = false;
  double v = 0;
  switch (p.kind) {
    case ParameterKind::kChoice:
      for (const ParameterChoice& c : p.choices) {
        if (text == c.name) {
          ok = true;
          v = c.value;
        }
      }
      break;
    case ParameterKind::kOnOff:
      ok = text == "on" || text == "off";
      v = text == "on" ? 1 : 0;
      break;
    case ParameterKind::kNumber:
      ok = ReadParameterNumber(text, v) && InRange(p, v);
      break;
    case ParameterKind::kWhole: {
      int whole = 0;
      ok = ReadWholeNumber(text, whole) && InRange(p, whole);
      v = whole;
      break;
    }
    case ParameterKind::kCustom:
      // A custom parser changes nothing when it refuses the text.
      if (p.parse(text, settings)) return std::string();
      break;
  }
  if (ok) {
    p.set(settings, v);
    return std::string();
  }
  return (p.option ? "--" : "") + p.key + " needs " + ParameterNeeds(p) + ", not \"" + text + "\"";
}

std::string ParameterUsageText(const ParameterTable& table) {
  std::string text = table.helpHeading;
  for (const Parameter& p : table.parameters) {
    if (!p.option && !p.flag) continue;
    std::string head = "  --" + p.key + (p.option && !p.metavar.empty() ? " " + p.metavar : "");
    const std::size_t firstLine = std::min(p.help.find('\n'), p.help.size());
    if (head.size() < kHelpColumn) {
      head.append(kHelpColumn - head.size(), ' ');
    } else if (table.helpWideColumn > 0) {
      head.append(std::max<std::size_t>(
                      2, table.helpWideColumn - std::min(head.size(), table.helpWideColumn)),
                  ' ');
    } else if (head.size() + 2 + firstLine <= kHelpWidth) {
      head += "  ";
    } else {
      head += "\n";
      head.append(kHelpColumn, ' ');
    }
    text += head;
    std::size_t start = 0;
    while (start < p.help.size()) {
      const std::size_t end = p.help.find('\n', start);
      const std::string line = p.help.substr(start, end == std::string::npos ? end : end - start);
      if (start > 0) text.append(kHelpColumn, ' ');
      text += line + "\n";
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  return text;
}

std::vector<std::pair<std::string, std::string>> ParameterCsvLines(const ParameterTable& table,
                                                                   const void* settings) {
  std::vector<const Parameter*> order;
  if (table.csvOrder.empty()) {
    for (const Parameter& p : table.parameters) order.push_back(&p);
  } else {
    for (const std::string& key : table.csvOrder) {
      if (const Parameter* p = table.Find(key)) order.push_back(p);
    }
  }
  std::vector<std::pair<std::string, std::string>> lines;
  for (const Parameter* p : order) {
    if (p->csvKey.empty() || (p->csvShown && !p->csvShown(settings))) continue;
    lines.emplace_back(p->csvKey,
                       p->csvFormat ? p->csvFormat(settings) : FormatParameter(*p, settings));
  }
  return lines;
}

void ApplyGivenParameters(const ParameterTable& table, const GivenParameters& given,
                          void* settings) {
  for (const auto& [key, value] : given) {
    if (const Parameter* p = table.Find(key)) ParseParameter(*p, value, settings);
  }
}
