#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "view/view_feature.h"

class CAurivueView;
struct ParameterTable;
class FlatSplitter;
class QAction;
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
  // The row of the navigation bar and the scope view; a feature's panel goes to the right of the
  // view. Null until the frame's panes exist (CreatePanels).
  FlatSplitter* viewRow = nullptr;
  // Lays the frame's panes out again, after a panel showed or went.
  std::function<void()> layOut;
  // The program's recent-file list, newest first, and a file to put at its head.
  std::function<std::vector<std::string>()> recentFiles;
  std::function<void(const std::string&)> addRecentFile;
  // True when the input was chosen for this run (--input, AURIVUE_INPUT), so a device chosen in
  // a menu is only remembered.
  std::function<bool()> inputOverridden;
};

// The menu of bar whose title reads title once its mnemonic '&' is taken out ("File" finds
// "&File"); nullptr when there is none.
QMenu* MenuNamed(QMenuBar* bar, const QString& title);
// A new top-level menu, title "&Trigger", just before Help (at the end when there is no Help).
QMenu* AddMenuBeforeHelp(QMenuBar* bar, const QString& title);
// The View menu, made by whichever feature asks first: right after Setup (before Help when there
// is no Setup), so that it stands in one place whichever features the program has.
QMenu* ViewMenu(QMenuBar* bar);
// A new menu of a feature's own, title "&Cursors", as a submenu of View after a separator: the
// menu bar keeps the menus it has always shown.
QMenu* AddFeatureMenu(QMenuBar* bar, const QString& title);

// How a setup is put into force. It goes in two stages: before the scope view is made anew for
// the setup's display mode (what the new view is made from), and on that view (what is set on its
// charts). whole: every choice (File > Open Setup...); otherwise only what the window holds, for a
// --setup whose other choices were taken, with the options, as the program started.
struct SetupApplication {
  enum class Stage { kBeforeView, kOnView };
  Stage stage = Stage::kBeforeView;
  bool whole = true;
  bool remember = true;  // the profile keeps the choices, as the menus keep them
};

// An item of menu that sends command id to owner when chosen, so that it travels as every command
// does. A key hint after a tab in text is text only. Made, not added: for insertAction.
QAction* MakeCommand(QMenu* menu, QWidget* owner, const QString& text, int id, const QString& tip,
                     bool checkable = false);
// The same, added at the end of menu.
QAction* AddCommand(QMenu* menu, QWidget* owner, const QString& text, int id, const QString& tip,
                    bool checkable = false);
// The item of menu (not of its submenus) whose command is id; nullptr when there is none.
QAction* CommandItem(QMenu* menu, int id);
// Where an insert goes to come right after the item of command id: the item that follows it;
// nullptr (the end) when that item is the last or there is none.
QAction* ItemAfter(QMenu* menu, int id);
// Where an insert goes to come right above the group of command id: the separator just above
// that item, or the item itself when there is none; nullptr (the end) when there is no such item.
QAction* GroupStartOf(QMenu* menu, int id);

// One instrument feature as the frame sees it: it adds its own menu items, panes and panels,
// handles its own commands and keeps its check marks. The frame owns an ordered list of them and
// offers each command to them in turn after its own.
class InstrumentFeature {
 public:
  virtual ~InstrumentFeature() = default;
  virtual void CreateParts(const FrameParts& parts) = 0;
  // True when id was this feature's command.
  virtual bool OnCommand(int id) = 0;
  // Check marks, enabled states and status panes: before a menu shows and several times a
  // second.
  virtual void UpdateCommands() {}
  // Once the frame's panes exist (parts.viewRow is set): panels beside the scope view.
  virtual void CreatePanels(const FrameParts& /*parts*/) {}
  // The panes were laid out with a navigation bar navWidth pixels wide.
  virtual void FitPanels(int /*navWidth*/) {}
  // A filled capture buffer, before the views see it.
  virtual void OnBufferReady() {}
  // What the feature adds to the scope view (its displays among them); nullptr for nothing.
  virtual ViewFeature* ViewPart() { return nullptr; }
  // Its part of a setup: the table that declares its settings (nullptr: none), the settings in
  // force written into settings (of the table's type), and a setup's settings put into force, at
  // each stage of how.
  virtual const ParameterTable* SetupTable() const { return nullptr; }
  virtual void ReadSetup(void* /*settings*/) const {}
  virtual void ApplySetup(const void* /*settings*/, const SetupApplication& /*how*/) {}
};

using InstrumentFeatures = std::vector<std::unique_ptr<InstrumentFeature>>;

// The feature of type T in features, nullptr when the program has none.
template <class T>
T* FindFeature(const InstrumentFeatures& features) {
  for (const auto& feature : features) {
    if (auto* found = dynamic_cast<T*>(feature.get())) return found;
  }
  return nullptr;
}

// The display modes of the analyser folder some feature draws, in item order.
std::vector<int> AnalyserDisplayModes(const InstrumentFeatures& features);
