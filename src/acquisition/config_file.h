#pragma once

#include <string>
#include <vector>

// The program's own settings file: bracketed section headers and name=value lines, kept whole
// in memory. Loading merges the file into the tables; saving rewrites the whole file.
//
// Names are compared exactly (case and blanks included); nothing is ever removed, and order is
// the order of first appearance.
class ConfigFile {
 public:
  void SetPath(const std::string& path) { m_path = path; }

  // Merges the file into the tables. False when the file does not exist or cannot be read (not a
  // regular file, no permission, a read error).
  bool Load();
  // Merges settings text into the tables as Load does with the file's contents.
  void Merge(const std::string& text);
  // Writes every section that holds a key, CR LF line ends, one empty line after each section,
  // replacing the file in one step. A file that Load found but could not read, a read-only file
  // and anything but a regular file are left alone. False when nothing was written; callers that
  // follow the settings file's rules ignore it.
  bool Save();

  std::string GetString(const std::string& section, const std::string& key);
  int GetInt(const std::string& section, const std::string& key);
  // Stores the value; with create false a missing section or key is not added (false).
  bool SetString(const std::string& section, const std::string& key, const std::string& value,
                 bool create);
  bool SetInt(const std::string& section, const std::string& key, int value, bool create);

  int FindSection(const std::string& section) const;
  int FindKey(int sectionIndex, const std::string& key) const;

  const std::string& GetLastError() const { return m_lastError; }

  // The bytes Save writes.
  std::string Serialize() const;

 private:
  struct Section {
    std::vector<std::string> values;
    std::vector<std::string> keyNames;
  };

  void StoreLine(const std::string& currentSection, const std::string& line);

  std::string m_path;
  std::vector<Section> m_sections;
  std::vector<std::string> m_sectionNames;
  std::string m_lastError;
  // The path Load last failed to read, while it has not been read since.
  std::string m_unreadablePath;
};

// Decimal parse as the settings file reads numbers: leading white space, optional sign, digits up
// to the first non-digit; no digits give 0. Values beyond the int range saturate.
int ParseLeadingInt(const std::string& text);
