#pragma once

class AppState;

// The one accessor through which every part reaches the application object.
AppState& CurrentApp();
// Registers the application object (its constructor does this); nullptr unregisters.
void SetCurrentApp(AppState* app);
bool HasCurrentApp();
