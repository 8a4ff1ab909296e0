#include "features/cursors/cursor_settings.h"

#include "platform/user_profile.h"

namespace {

constexpr char kGroup[] = "Cursors";
const char* const kKeys[4] = {"x1", "x2", "y1", "y2"};

}  // namespace

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
