#pragma once

#include <string>
#include <vector>

#include "features/instrument_feature.h"
#include "shell/command_line.h"
#include "shell/instrument_setup.h"

class CMainFrame;

// File > Open Setup... and File > Save Setup...: the whole state of the instrument to and from a
// readable text file, so that a measurement set up once can be repeated, shared or scripted.
class SetupCommands : public InstrumentFeature {
 public:
  explicit SetupCommands(CMainFrame* frame) : m_pFrame(frame) {}
  void CreateParts(const FrameParts& parts) override;
  bool OnCommand(int id) override;

 private:
  CMainFrame* m_pFrame;
};

// The state in force in frame's program.
InstrumentState CaptureInstrumentState(CMainFrame& frame);

// What of a setup is put into force: all of it (File > Open Setup...), or only what the window
// holds (display mode, switches, readout), for a start whose other settings were taken from the
// setup before the window was made.
enum class SetupScope { kAll, kWindow };

// Puts state into force as a user would set it: the menus' choices, the display mode chosen,
// the switches turned. With remember the choices are kept in the per-user profile as the menus
// keep them; without it (a setup given for one start) the profile stays as it was.
void ApplyInstrumentState(CMainFrame& frame, const InstrumentState& state, SetupScope scope,
                          bool remember);

// Writes state to path as a setup file; false with the reason in error.
bool SaveSetupFile(const std::string& path, const InstrumentState& state, std::string& error);
// Reads the setup file at path over base; a file that cannot be read is a failed result whose
// error says why.
SetupReadResult OpenSetupFile(const std::string& path, const InstrumentState& base);

// Reads the file of --setup once before anything starts: empty, or the one line that says why
// it cannot be used; notes gets a line for each entry passed over.
std::string CheckStartSetup(const CommandLineOptions& o, std::vector<std::string>& notes);
