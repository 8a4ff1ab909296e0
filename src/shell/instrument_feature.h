#pragma once

#include <QString>
#include <memory>
#include <vector>

class CMainFrame;
class QMenu;
class QMenuBar;
class QStatusBar;
class QWidget;

// What the main frame lends a feature to put its parts into: the window that routes its
// commands, the menu bar (menus are found by name) and the status bar.
struct FrameParts {
  QWidget* owner = nullptr;
  QMenuBar* menuBar = nullptr;
  QStatusBar* statusBar = nullptr;
};

// The menu of bar whose title reads title once its mnemonic '&' is taken out ("File" finds
// "&File"); nullptr when there is none.
QMenu* MenuNamed(QMenuBar* bar, const QString& title);

// One instrument feature as the frame sees it: it adds its own menu items, panes and panels,
// handles its own commands and keeps its check marks. The frame owns an ordered list of them and
// offers each command to them in turn after its own.
class InstrumentFeature {
 public:
  virtual ~InstrumentFeature() = default;
  virtual void CreateParts(const FrameParts& parts) = 0;
  // True when id was this feature's command.
  virtual bool OnCommand(int id) = 0;
  // Check marks and enabled states, before a menu shows.
  virtual void UpdateCommands() {}
};

// The features of frame, in the order their parts are made and their commands offered: the one
// place a feature is added to the program.
std::vector<std::unique_ptr<InstrumentFeature>> MakeInstrumentFeatures(CMainFrame* frame);
