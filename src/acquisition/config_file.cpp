#include "acquisition/config_file.h"

#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <sstream>

#include "platform/file_services.h"

namespace {
const char kSectionMissing[] = "Unable to locate specified key.";
const char kKeyMissing[] = "Unable to locate specified value.";
const char kOpenFailed[] = "Unable to open ini file.";
}  // namespace

int ParseLeadingInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

bool ConfigFile::Load() {
  struct stat st;
  if (::stat(m_path.c_str(), &st) != 0) return false;
  // Only a regular file is read: a FIFO would hold start-up until something writes to it, and a
  // device never ends. Whatever cannot be read whole counts as unreadable and is never replaced.
  std::string text;
  if (!ReadRegularFile(m_path, text)) {
    m_lastError = kOpenFailed;
    m_unreadablePath = m_path;
    return false;
  }
  m_unreadablePath.clear();
  Merge(text);
  return true;
}

void ConfigFile::Merge(const std::string& text) {
  std::istringstream in(text);
  // Lines are read whole, however long: the format stops at 2047 characters, and cutting a longer
  // line into pieces would turn its tail into a bogus entry.
  std::string current;
  std::string line;
  while (std::getline(in, line)) {
    // Only a carriage return before a line feed belongs to the line end: one that ends a last
    // line without a line feed is part of that line.
    const bool endedByLineFeed = !in.eof();
    if (endedByLineFeed && !line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      size_t first = line.find_first_not_of('[');
      size_t last = line.find_last_not_of(']');
      current = (first == std::string::npos || last == std::string::npos || last < first)
                    ? std::string()
                    : line.substr(first, last - first + 1);
      continue;
    }
    StoreLine(current, line);
  }
}

void ConfigFile::StoreLine(const std::string& currentSection, const std::string& line) {
  size_t eq = line.find('=');
  if (eq == std::string::npos) {
    SetString(currentSection, std::string(), line, true);
  } else {
    SetString(currentSection, line.substr(0, eq), line.substr(eq + 1), true);
  }
}

std::string ConfigFile::Serialize() const {
  std::string out;
  for (size_t s = 0; s < m_sections.size(); ++s) {
    const Section& sec = m_sections[s];
    if (sec.keyNames.empty()) continue;
    out += "[" + m_sectionNames[s] + "]\r\n";
    for (size_t k = 0; k < sec.keyNames.size(); ++k) {
      out += sec.keyNames[k] + "=" + sec.values[k] + "\r\n";
    }
    out += "\r\n";
  }
  return out;
}

bool ConfigFile::Save() {
  // A file that exists but could not be read holds sections this object never saw; writing the
  // tables over it would lose them.
  if (!m_unreadablePath.empty() && m_unreadablePath == m_path && PathExists(m_path)) return false;
  return WriteFileReplacing(m_path, Serialize());
}

std::string ConfigFile::GetString(const std::string& section, const std::string& key) {
  int s = FindSection(section);
  if (s < 0) {
    m_lastError = kSectionMissing;
    return std::string();
  }
  int k = FindKey(s, key);
  if (k < 0) {
    m_lastError = kKeyMissing;
    return std::string();
  }
  return m_sections[static_cast<size_t>(s)].values[static_cast<size_t>(k)];
}

int ConfigFile::GetInt(const std::string& section, const std::string& key) {
  return ParseLeadingInt(GetString(section, key));
}

bool ConfigFile::SetString(const std::string& section, const std::string& key,
                           const std::string& value, bool create) {
  int s = FindSection(section);
  if (s < 0) {
    if (!create) return false;
    m_sectionNames.push_back(section);
    m_sections.emplace_back();
    s = static_cast<int>(m_sections.size()) - 1;
  }
  Section& sec = m_sections[static_cast<size_t>(s)];
  int k = FindKey(s, key);
  if (k < 0) {
    if (!create) return false;
    sec.keyNames.push_back(key);
    sec.values.emplace_back();
    k = static_cast<int>(sec.keyNames.size()) - 1;
  }
  sec.values[static_cast<size_t>(k)] = value;
  return true;
}

bool ConfigFile::SetInt(const std::string& section, const std::string& key, int value,
                        bool create) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", value);
  return SetString(section, key, buf, create);
}

int ConfigFile::FindSection(const std::string& section) const {
  for (size_t i = 0; i < m_sectionNames.size(); ++i) {
    if (m_sectionNames[i] == section) return static_cast<int>(i);
  }
  return -1;
}

int ConfigFile::FindKey(int sectionIndex, const std::string& key) const {
  if (sectionIndex < 0 || static_cast<size_t>(sectionIndex) >= m_sections.size()) return -1;
  const Section& sec = m_sections[static_cast<size_t>(sectionIndex)];
  for (size_t i = 0; i < sec.keyNames.size(); ++i) {
    if (sec.keyNames[i] == key) return static_cast<int>(i);
  }
  return -1;
}
