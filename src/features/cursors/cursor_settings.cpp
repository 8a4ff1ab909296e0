#include "features/cursors/cursor_settings.h"

#include "features/cursors/cursor_parameters.h"
#include "platform/parameter_profile.h"

CursorSettings LoadCursorProfile() {
  CursorSettings s;
  LoadParameterProfile(CursorParameters(), &s);
  return s;
}

void SaveCursorProfile(const CursorSettings& s) { SaveParameterProfile(CursorParameters(), &s); }
