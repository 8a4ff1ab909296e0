#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "view/view_feature.h"

class CAurivueView;
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
  // The scope view of the moment (the frame makes a new one at every change of display mode).
  std::function<CAurivueView*()> scopeView;
  // Makes the scope view anew for the current display mode, as a navigation click does.
  std::function<void()> remakeView;
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
  // What the feature adds to the scope view (its displays among them); nullptr for nothing.
  virtual ViewFeature* ViewPart() { return nullptr; }
};

using InstrumentFeatures = std::vector<std::unique_ptr<InstrumentFeature>>;

// The display modes of the analyser folder some feature draws, in item order.
std::vector<int> AnalyserDisplayModes(const InstrumentFeatures& features);
