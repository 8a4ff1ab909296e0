#pragma once

#include "features/cursors/cursor_settings.h"
#include "platform/parameter.h"

// The cursors' and markers' parameters over CursorSettings: their setup entries and profile
// values. The --cursors and --markers options are steps of a scripted run, not these settings.
const ParameterTable& CursorParameters();
