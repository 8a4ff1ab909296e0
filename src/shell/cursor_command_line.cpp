#include <charconv>
#include <cmath>
#include <sstream>
#include <vector>

#include "shell/command_line.h"

namespace {

std::string CursorListError(const std::string& text) {
  return "--cursors needs X1,X2 or X1,X2,Y1,Y2 in the first chart's units, not \"" + text + "\"";
}

}  // namespace

std::string ParseCursorList(const std::string& text, CursorSettings& settings) {
  std::vector<double> values;
  std::stringstream list(text);
  std::string item;
  while (std::getline(list, item, ',')) {
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    const char* first = item.data();
    const char* last = first + item.size();
    if (first != last && *first == '+') ++first;
    double v = 0;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (item.empty() || ec != std::errc() || end != last || !std::isfinite(v)) {
      return CursorListError(text);
    }
    values.push_back(v);
  }
  if ((values.size() != 2 && values.size() != 4) || text.back() == ',') {
    return CursorListError(text);
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    settings.on[i] = true;
    settings.placed[i] = true;
    settings.value[i] = values[i];
  }
  return std::string();
}

bool IsCursorOption(const std::string& name) { return name == "--cursors" || name == "--markers"; }

std::string ApplyCursorOption(CommandLineOptions& o, const std::string& name,
                              const std::string& value) {
  if (name == "--markers") {
    int n = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size() || n < 1 ||
        n > 8) {
      return "--markers needs a number of peaks from 1 to 8, not \"" + value + "\"";
    }
    o.markers = n;
    return std::string();
  }
  CursorSettings settings;
  std::string error = ParseCursorList(value, settings);
  if (!error.empty()) return error;
  o.cursors = settings;
  o.cursorsGiven = true;
  return std::string();
}

std::string CursorUsageText() {
  return "  --markers N       with --measure or --expect, also measure the N highest peaks of\n"
         "                    each channel (1..8, at least a few bins apart): rows\n"
         "                    left.peak1_hz, left.peak1_db ... left.peakN_db (and right.*),\n"
         "                    levels in dBFS; --expect \"left.peak2_hz=3000+-0.5\" checks one\n"
         "  --cursors X1,X2[,Y1,Y2]\n"
         "                    turn the cursors on at those values in the first chart's units\n"
         "                    (ms, mV, Hz, dB...); the --measure file gains the rows\n"
         "                    cursor.dx, cursor.inv_dx (1/dx) and cursor.dy\n";
}
