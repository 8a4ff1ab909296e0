#include "acquisition/current_app.h"

#include <cassert>

#include "acquisition/app_state.h"

namespace {
AppState* g_app = nullptr;
}

AppState& CurrentApp() {
  assert(g_app != nullptr);
  return *g_app;
}

void SetCurrentApp(AppState* app) { g_app = app; }

bool HasCurrentApp() { return g_app != nullptr; }
