#include "features/cursors/cursor_settings.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <vector>

#include "platform/user_profile.h"

namespace {

constexpr char kGroup[] = "Cursors";
const char* const kKeys[4] = {"x1", "x2", "y1", "y2"};

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
      return "--cursors needs X1,X2 or X1,X2,Y1,Y2 in the chart's units, not \"" + text + "\"";
    }
    values.push_back(v);
  }
  if (!text.empty() && text.back() == ',') values.clear();
  if (values.size() != 2 && values.size() != 4) {
    return "--cursors needs X1,X2 or X1,X2,Y1,Y2 in the chart's units, not \"" + text + "\"";
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    settings.on[i] = true;
    settings.placed[i] = true;
    settings.value[i] = values[i];
  }
  return std::string();
}

CursorSettings LoadCursorProfile() {
  CursorSettings s;
  UserProfile profile;
  profile.beginGroup(kGroup);
  for (int i = 0; i < 4; ++i) s.on[i] = profile.value(kKeys[i], false).toBool();
  s.track = profile.value("track", false).toBool();
  s.snap = profile.value("snap", false).toBool();
  s.continuous = profile.value("peak-search", false).toBool();
  s.reference = profile.value("marker-reference", false).toBool();
  s.table = profile.value("marker-table", true).toBool();
  profile.endGroup();
  return s;
}

void SaveCursorProfile(const CursorSettings& s) {
  UserProfile profile;
  profile.beginGroup(kGroup);
  for (int i = 0; i < 4; ++i) profile.setValue(kKeys[i], s.on[i]);
  profile.setValue("track", s.track);
  profile.setValue("snap", s.snap);
  profile.setValue("peak-search", s.continuous);
  profile.setValue("marker-reference", s.reference);
  profile.setValue("marker-table", s.table);
  profile.endGroup();
}
