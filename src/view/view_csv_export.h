#pragma once

#include <string>

class AppState;
class CAurivueView;

// The CSV text of what view shows now in app's display mode (csv_export.h), with isoTime as
// its date.
std::string DisplayedCsvText(CAurivueView& view, const AppState& app, const std::string& isoTime);

// File > Export CSV...: asks for the file (default "AurivueData.csv" in the folder of the
// export file), writes the CSV of what view shows then, and reports a failure in a message box
// in the framework's words. False when cancelled or failed.
bool ExportDisplayedCsv(CAurivueView& view);
