#pragma once

#include <memory>
#include <string>

#include "platform/message_box.h"
#include "shell/command_line.h"

class CAurivueApp;
class CMainFrame;
class RotarySwitch;

// Message boxes of a run that nobody watches: each text is printed on stderr as one line
// ("program: text") instead of a window that would wait for an OK, and counted. Installed for
// its lifetime; user-interface thread and capture worker alike.
class PrintedMessages {
 public:
  explicit PrintedMessages(std::string program);
  ~PrintedMessages();
  PrintedMessages(const PrintedMessages&) = delete;
  PrintedMessages& operator=(const PrintedMessages&) = delete;

  int Count() const;

 private:
  struct State;
  std::shared_ptr<State> m_state;  // shared with the hook, which any thread may be running
  MessageBoxHook m_previous;
};

// The detent of knob whose label shows figure ("500mv" shows 500, "10ms" 10), or -1.
int DetentShowingFigure(const RotarySwitch& knob, int figure);

// Chooses a display mode the way a click on its navigation bar item does.
void SelectDisplayMode(CMainFrame* frame, int mode);
// Turns knob to the detent that shows figure and releases it, so that its owner stores the
// value as after a mouse turn. False when no detent shows figure.
bool TurnSwitchTo(RotarySwitch* knob, int figure);

// Runs the measurement options on a started program, in this order: display mode (as a
// navigation bar click), the switches (as a turn and release), POWER (as a click), the wait for
// options.frames processed buffers, then Export, Save to Bmp and Print with the given files
// answering their dialogs. Returns 0, or 1 after printing the reason on stderr when a step
// failed (also when messages counts a message box raised meanwhile; messages may be null).
int RunScriptedMeasurements(CAurivueApp& app, const CommandLineOptions& options,
                            const PrintedMessages* messages, const std::string& program);

// The measurement steps (scripted_measure.cpp). Before POWER: the station starts measuring and
// the log (--log) begins; false after printing why it could not. After the other steps: the
// measurement file (--measure) and the expectations (--expect), each failed one printed on a
// line; 0, 1 when the file or the log failed, 3 when an expectation failed.
bool StartScriptedMeasurements(CMainFrame* frame, const CommandLineOptions& options,
                               const std::string& program);
int FinishScriptedMeasurements(CMainFrame* frame, const CommandLineOptions& options,
                               const std::string& program);
