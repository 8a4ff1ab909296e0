#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "features/instrument_feature.h"
#include "platform/command_ids.h"
#include "platform/message_target.h"
#include "shell/image_list.h"
#include "view/aurivue_view.h"

class CAurivueDoc;
class CControlView;
class CNavBarCtrl;
class FlatSplitter;
class QLabel;
class QShortcut;

// Width of the navigation bar and height of the upper row for a frame client area of w x h
// pixels (menu bar excluded, status bar included).
struct FramePaneSizes {
  int navWidth;
  int upperHeight;
};
FramePaneSizes ComputeFramePaneSizes(int w, int h);

// The display mode a navigation click selects.
inline int DisplayModeFor(int folder, int item) { return 600 + 10 * folder + item; }

// The single top-level window: fills the screen, cannot be resized, and holds the navigation
// bar, the scope view and the control panel in two fixed splitters, the status bar with the
// acquisition settings, the menus and the accelerators. Commands go first to the active view,
// then to the frame, then to the application object.
class CMainFrame : public QMainWindow, public MessageTarget {
 public:
  CMainFrame();
  ~CMainFrame() override;

  // Builds the status bar, menus, accelerators and panes with a scope view on doc. False when a
  // part could not be made.
  bool Create(CAurivueDoc* doc);

  bool OnCommand(int id) override;
  long OnMessage(unsigned msg, long wParam, long lParam) override;

  CAurivueView* ScopeView() const { return m_pView.data(); }
  CControlView* ControlView() const { return m_pControlView; }
  CNavBarCtrl* NavBar() const { return m_wndOutBar; }
  FlatSplitter* InnerSplitter() const { return m_wndSplitter2; }
  QWidget* GetActiveView() const { return m_pActiveView.data(); }
  // Makes view the target of commands; with notify it also takes the keyboard focus.
  void SetActiveView(QWidget* view, bool notify = false);
  int NavFolder() const { return m_nNavFolder; }

  // Text of status pane 0..5 (pane 0 is the message pane: the idle text or a prompt).
  QString PaneText(int pane) const;
  // Runs the pane update handlers now (they also run on a timer).
  void UpdatePanes();
  // The instrument features, in the order their parts were made and their commands are offered.
  const InstrumentFeatures& Features() const { return m_features; }
  // Lays the splitters out for the current client size.
  void ApplyPaneSizes();
  // Sizes and places the window so that it and its decoration fill the screen's work area.
  void FitToScreen();

  // A look at every command the frame routes, before anyone handles it; returning true
  // swallows the command. For tests and scripted runs.
  using CommandFilter = std::function<bool(int)>;
  void SetCommandFilter(CommandFilter filter) { m_commandFilter = std::move(filter); }

  // Makes the scope views (tests put a view of their own here); nullptr restores the default.
  using ScopeViewFactory = std::function<CAurivueView*(CAurivueDoc*)>;
  static void SetScopeViewFactory(ScopeViewFactory factory);

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool HandleOwnCommand(int id);
  void OnDisplayModeCommand();
  void OnAppAbout();
  void CreateMenus();
  void CreateAccelerators();
  void CreateStatusBar();
  void FitStatusBarParts();
  CAurivueView* MakeScopeView(CAurivueDoc* doc);
  // What the features are lent of the frame; viewRow is set once the panes exist.
  FrameParts MakeFrameParts();

  FlatSplitter* m_wndSplitter = nullptr;
  FlatSplitter* m_wndSplitter2 = nullptr;
  CNavBarCtrl* m_wndOutBar = nullptr;
  CImageList m_largeImages;
  CImageList m_smallImages;
  QPointer<CAurivueView> m_pView;
  CControlView* m_pControlView = nullptr;
  QPointer<QWidget> m_pActiveView;
  int m_nNavItem = 0;
  int m_nNavFolder = 0;

  std::vector<QLabel*> m_panes;
  QTimer m_paneTimer;
  std::vector<QShortcut*> m_shortcuts;
  CommandFilter m_commandFilter;
  std::vector<int> m_routing;  // commands being offered to a view right now
  // The decoration the window was last fitted to the screen with.
  QSize m_fittedDecoration{-1, -1};
  QSize m_fittedClient;
  bool m_bRemakeView = false;

  // The instrument features, in the order their commands are offered.
  InstrumentFeatures m_features;
};
