#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "features/instrument_feature.h"
#include "platform/message_target.h"
#include "shell/image_list.h"
#include "view/aurivue_view.h"

class CAurivueDoc;
class CControlView;
class CNavBarCtrl;
class DataOut;
class InputWatch;
class FlatSplitter;
class LevelMeterBar;
class CMeasurementPanel;
class MeasurementLog;
class MeasurementStation;
class QAction;
class QLabel;
class QPushButton;
class QShortcut;
class TriggerControl;
struct TriggerSettings;

// Status bar indicator ids.
constexpr int ID_INDICATOR_RATE = 59142;
constexpr int ID_INDICATOR_CHANNEL = 59143;
constexpr int ID_INDICATOR_BITS = 59144;
constexpr int ID_INDICATOR_FFTWINDOW = 59145;
constexpr int ID_INDICATOR_VOLT = 59147;

// Commands bound to keys without a handler of their own here, and the pane switches.
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;

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
  FlatSplitter* OuterSplitter() const { return m_wndSplitter; }
  FlatSplitter* InnerSplitter() const { return m_wndSplitter2; }
  QWidget* GetActiveView() const { return m_pActiveView.data(); }
  // Makes view the target of commands; with notify it also takes the keyboard focus.
  void SetActiveView(QWidget* view, bool notify = false);
  int NavItem() const { return m_nNavItem; }
  int NavFolder() const { return m_nNavFolder; }

  // Text of status pane 0..5 (pane 0 is the message pane: the idle text or a prompt).
  QString PaneText(int pane) const;
  // Runs the pane update handlers now (they also run on a timer).
  void UpdatePanes();
  // The status pane of the live display: "LIVE" or "CLASSIC", the blocks lost since POWER on
  // and the analysis updates a second.
  QString LiveStatusText() const;
  LevelMeterBar* LevelMeters() const { return m_pMeters; }
  // Export CSV, Record, Open Recording and the recent recordings (data_out.h).
  DataOut* GetDataOut() const { return m_pDataOut.get(); }
  // The watch over an input that may be lost while POWER is on (input_watch.h).
  InputWatch* GetInputWatch() const { return m_pInputWatch.get(); }
  // The measurements, their readout beside the scope view (hidden unless chosen) and their log.
  MeasurementStation* Measurements() const { return m_pMeasure.get(); }
  CMeasurementPanel* MeasurePanel() const;
  MeasurementLog* MeasureLog() const { return m_pMeasureLog.get(); }
  // The trigger's state pane: OFF, WAIT, TRIG'D, AUTO, STOP (or ROLL).
  QString TriggerStatusText() const;
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
  // The live display's menu items, key, status pane and level meters (main_frame_live.cpp).
  void CreateLiveParts();
  bool HandleLiveCommand(int id);
  void UpdateLivePane();
  void OnInputDeviceList();
  // The data-out menu items and the record mark (main_frame_data.cpp).
  void CreateDataParts();
  bool HandleDataCommand(int id);
  // The measurements' readout, menu items and log (main_frame_measure.cpp).
  void CreateMeasureParts();
  void DestroyMeasureParts();
  bool HandleMeasureCommand(int id);
  void ShowMeasurePanel(bool show);
  // Shares the row beside the navigation bar (navWidth pixels) between view and readout.
  void FitMeasurementPanel(int navWidth);
  // The Trigger menu, keys, state pane and re-arm button (main_frame_trigger.cpp).
  void CreateTriggerParts();
  bool HandleTriggerCommand(int id);
  void UpdateTriggerParts();
  void ApplyTrigger(const TriggerSettings& settings);
  // The spectrum analyser's menu (main_frame_spectrum.cpp).
  void CreateSpectrumMenu();
  void UpdateSpectrumMenu();
  bool HandleSpectrumCommand(int id);

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

  QLabel* m_pLivePane = nullptr;
  LevelMeterBar* m_pMeters = nullptr;
  QAction* m_pLiveAction = nullptr;
  std::vector<QAction*> m_curtainActions;
  std::vector<QAction*> m_spectrumActions;
  int64_t m_nRateSinceNs = 0;
  uint64_t m_nRateSinceUpdates = 0;
  double m_dUpdatesPerSecond = 0;

  std::unique_ptr<DataOut> m_pDataOut;
  std::unique_ptr<InputWatch> m_pInputWatch;  // after m_pDataOut: it goes first
  std::unique_ptr<MeasurementStation> m_pMeasure;
  std::unique_ptr<MeasurementLog> m_pMeasureLog;
  QPointer<CMeasurementPanel> m_pMeasurePanel;
  QAction* m_pMeasureAction = nullptr;
  QAction* m_pMeasureLogAction = nullptr;
  QLabel* m_pTriggerPane = nullptr;
  QPushButton* m_pRearmButton = nullptr;
  std::vector<QAction*> m_triggerActions;
  // The instrument features, in the order their commands are offered.
  std::vector<std::unique_ptr<InstrumentFeature>> m_features;
};

// The text of the trigger's state pane at timeBase ms/div in displayMode: FREE in the displays
// the trigger does not drive (all but the oscillographs), where nothing waits for it.
QString TriggerPaneText(const TriggerControl& trigger, bool live, float timeBase, int displayMode);
// The text of the live display's status pane.
QString LivePaneText(bool live, unsigned long long lostBlocks, double updatesPerSecond);
