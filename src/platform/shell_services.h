#pragma once

#include <string>
#include <vector>

class QWidget;

// Starts a command line (program and arguments separated by blanks, quoting as in a shell) as
// its own process, shown normally. Returns at once; false when it could not be started.
bool StartCommandLine(const std::string& commandLine);

// The desktop's recording mixer commands in order of preference (each a command line).
std::vector<std::string> RecordingMixerCommands();
// Starts the first installed recording mixer. False when none is installed or it would not start.
bool StartRecordingMixer();
// What Setup > Input Device says when no recording mixer is installed: which one to install.
std::string NoRecordingMixerText();

// Shows the help file at path (HTML or plain text) at its contents in the help viewer, a
// separate window owned by owner. One viewer per process: a second call brings it back to the
// front at the contents. A missing file shows a note in the viewer.
void ShowHelpFile(const std::string& path, QWidget* owner);
// The viewer window, or nullptr when none is open (for tests).
QWidget* HelpViewerWindow();
