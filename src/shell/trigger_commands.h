#pragma once

// Commands of the Trigger menu and its keys.
constexpr int ID_TRIGGER_SETUP = 33160;       // Trigger > Trigger Setup... (Ctrl+T)
constexpr int ID_TRIGGER_MODE_FIRST = 33161;  // Off, Auto, Normal, Single
constexpr int ID_TRIGGER_MODE_LAST = 33164;
constexpr int ID_TRIGGER_SOURCE_LEFT = 33165;
constexpr int ID_TRIGGER_SOURCE_RIGHT = 33166;
constexpr int ID_TRIGGER_SLOPE_FIRST = 33167;  // rising, falling, either
constexpr int ID_TRIGGER_SLOPE_LAST = 33169;
constexpr int ID_TRIGGER_FIFTY = 33170;  // level to the middle of the newest frame (Ctrl+L)
constexpr int ID_TRIGGER_REARM = 33171;  // Single waits for its next trigger (F9)
constexpr int ID_TRIGGER_ROLL = 33172;   // roll at 20 ms/div and slower in Live
