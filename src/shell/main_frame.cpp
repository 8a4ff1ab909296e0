#include "shell/main_frame.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <algorithm>

#include "acquisition/current_app.h"
#include "controls/control_view.h"
#include "controls/flat_splitter.h"
#include "platform/command_ids.h"
#include "shell/about_dlg.h"
#include "shell/aurivue_app.h"
#include "shell/feature_list.h"
#include "shell/nav_bar_ctrl.h"
#include "shell/status_texts.h"
#include "view/aurivue_view.h"
#include "view/display_modes.h"

namespace {

struct MenuEntry {
  const char* text;  // nullptr: a separator
  int id;
  const char* prompt;
};

struct MenuTable {
  const char* title;
  std::vector<MenuEntry> entries;
};

const std::vector<MenuTable>& Menus() {
  static const std::vector<MenuTable> menus = {
      {"&File",
       {
           {"&Export\tCtrl+E", ID_EXPORT_DATA, "Export RealTime Data"},
           {"&Save to Bmp\tCtrl+S", ID_FILE_SAVE_BMP, "Save the bmp file"},
           {nullptr, 0, nullptr},
           {"&Print...\tCtrl+P", ID_FILE_PRINT, "Print the Aurivue Plot"},
           {"Print Pre&view\tCtrl+v", ID_FILE_PRINT_PREVIEW, "Display full pages"},
           {"P&rint Setup...\tCtrl+r", ID_FILE_PRINT_SETUP,
            "Change the printer and printing options"},
           {nullptr, 0, nullptr},
           {"E&xit\tCtrl+x", ID_APP_EXIT, "Quit Aurivue2.0"},
       }},
      {"&Setup",
       {
           {"Sampling &Rate\tCtrl+R", ID_SETUP_RATE, "Setup Sampling Rate"},
           {"Smoothing &Window\tCtrl+W", ID_SETUP_WINDOW, "Setup Smoothing Window"},
           {"&Channels\tCtrl+C", ID_SETUP_CHANNELS, "Select Channels"},
           {"Volts &Values\tCtrl+V", ID_SETUP_VOLTS, "Set Volts Values"},
           {nullptr, 0, nullptr},
           {"Input &Device\tCtrl+D", ID_SETUP_INPUT_DEVICE, "Set Input Device "},
           {"&Filter Setup\tCtrl+F", ID_SETUP_FILTER, "Filter setup"},
           {nullptr, 0, nullptr},
           {"Setup Wi&zard\tCtrl+Z", ID_SETUP_WIZARD, "Setup Wizard"},
       }},
      {"&Help",
       {
           {"&About \tCtrl+A", ID_APP_ABOUT, "About Aurivue 2.0"},
           {"&Help\tCtrl+H", ID_HELP_CONTENTS, "Aurivue 2.0 Online Help"},
       }},
  };
  return menus;
}

struct Accelerator {
  QKeyCombination key;
  int id;
};

// The only key bindings; the other key hints in the menu texts are text only.
const std::vector<Accelerator>& Accelerators() {
  static const std::vector<Accelerator> keys = {
      {Qt::CTRL | Qt::Key_S, ID_FILE_SAVE_BMP},    {Qt::CTRL | Qt::Key_P, ID_FILE_PRINT},
      {Qt::CTRL | Qt::Key_N, ID_FILE_NEW},         {Qt::CTRL | Qt::Key_O, ID_FILE_OPEN},
      {Qt::CTRL | Qt::Key_Z, ID_EDIT_UNDO},        {Qt::ALT | Qt::Key_Backspace, ID_EDIT_UNDO},
      {Qt::CTRL | Qt::Key_X, ID_EDIT_CUT},         {Qt::SHIFT | Qt::Key_Delete, ID_EDIT_CUT},
      {Qt::CTRL | Qt::Key_C, ID_EDIT_COPY},        {Qt::CTRL | Qt::Key_Insert, ID_EDIT_COPY},
      {Qt::CTRL | Qt::Key_V, ID_EDIT_PASTE},       {Qt::SHIFT | Qt::Key_Insert, ID_EDIT_PASTE},
      {QKeyCombination(Qt::Key_F6), ID_NEXT_PANE}, {Qt::SHIFT | Qt::Key_F6, ID_PREV_PANE},
  };
  return keys;
}

struct PaneEntry {
  int id;
  const char* initialText;
  int width;
};

const PaneEntry kPanes[] = {
    {ID_INDICATOR_RATE, "Rate", 60}, {ID_INDICATOR_CHANNEL, "Channel", 10},
    {ID_INDICATOR_BITS, "Bits", 10}, {ID_INDICATOR_FFTWINDOW, "FFTwindow", 80},
    {ID_INDICATOR_VOLT, "Volt", 10},
};

const char kIdleText[] = "Reday";
constexpr int kPaneUpdateMs = 250;

CMainFrame::ScopeViewFactory& ViewFactory() {
  static CMainFrame::ScopeViewFactory factory;
  return factory;
}

bool IsWithin(QObject* object, QWidget* container) {
  if (container == nullptr) return false;
  for (QObject* o = object; o != nullptr; o = o->parent()) {
    if (o == container) return true;
    if (o->isWidgetType() && static_cast<QWidget*>(o)->isWindow()) return false;
  }
  return false;
}

}  // namespace

FramePaneSizes ComputeFramePaneSizes(int w, int h) {
  int g = h / 4;
  if (w / 5 > g) g = w / 5;
  return FramePaneSizes{std::max(0, g), std::max(0, h - g - 22)};
}

void CMainFrame::SetScopeViewFactory(ScopeViewFactory factory) {
  ViewFactory() = std::move(factory);
}

CMainFrame::CMainFrame() {
  // No resizable border, no maximise box; the title is set by the application.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowIcon(QIcon(":/icon/100.png"));
  setWindowTitle("Aurivue");
  QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenSize = screen != nullptr ? screen->size() : QSize(1024, 768);
  move(0, 0);
  setFixedSize(screenSize);
  m_paneTimer.setInterval(kPaneUpdateMs);
  connect(&m_paneTimer, &QTimer::timeout, this, [this] { UpdatePanes(); });
}

CMainFrame::~CMainFrame() {
  qApp->removeEventFilter(this);
  // The scope view goes first, while the application state it tears down from and the features
  // it calls still hold; then the features, the last made first.
  delete m_pView.data();
  while (!m_features.empty()) m_features.pop_back();
}

CAurivueView* CMainFrame::MakeScopeView(CAurivueDoc* doc) {
  CAurivueView* view = ViewFactory() ? ViewFactory()(doc) : new CAurivueView(doc);
  if (view != nullptr) {
    ViewFeatures parts;
    for (const auto& feature : m_features) {
      if (ViewFeature* part = feature->ViewPart()) parts.push_back(part);
    }
    view->SetFeatures(std::move(parts));
  }
  return view;
}

FrameParts CMainFrame::MakeFrameParts() {
  FrameParts parts;
  parts.owner = this;
  parts.menuBar = menuBar();
  parts.statusBar = statusBar();
  parts.scopeView = [this] { return ScopeView(); };
  parts.remakeView = [this] {
    if (m_pView != nullptr) OnDisplayModeCommand();
  };
  parts.viewRow = m_wndSplitter2;
  parts.layOut = [this] { ApplyPaneSizes(); };
  parts.recentFiles = [] {
    std::vector<std::string> entries;
    if (auto* app = dynamic_cast<CAurivueApp*>(HasCurrentApp() ? &CurrentApp() : nullptr)) {
      for (const QString& file : app->RecentFiles()) entries.push_back(file.toStdString());
    }
    return entries;
  };
  parts.addRecentFile = [](const std::string& path) {
    if (auto* app = dynamic_cast<CAurivueApp*>(HasCurrentApp() ? &CurrentApp() : nullptr)) {
      app->AddToRecentFileList(QString::fromStdString(path));
    }
  };
  parts.inputOverridden = [] {
    auto* app = dynamic_cast<CAurivueApp*>(HasCurrentApp() ? &CurrentApp() : nullptr);
    return app != nullptr && app->InputOverridden();
  };
  return parts;
}

bool CMainFrame::Create(CAurivueDoc* doc) {
  CreateStatusBar();
  CreateMenus();
  CreateAccelerators();
  m_features = MakeInstrumentFeatures(this);
  const FrameParts parts = MakeFrameParts();
  for (const auto& feature : m_features) feature->CreateParts(parts);
  FitStatusBarParts();

  // Building the panes: an outer splitter of two rows, the control panel in the lower row, and
  // an inner splitter of two columns (navigation bar, scope view) in the upper one.
  m_wndSplitter = new FlatSplitter(Qt::Vertical, this);
  setCentralWidget(m_wndSplitter);
  m_pControlView = new CControlView();
  m_wndSplitter->addWidget(m_pControlView);
  m_wndSplitter2 = new FlatSplitter(Qt::Horizontal);
  m_wndSplitter->insertWidget(0, m_wndSplitter2);
  m_pView = MakeScopeView(doc);
  if (m_pView == nullptr) return false;
  m_wndSplitter2->addWidget(m_pView);

  m_wndOutBar = new CNavBarCtrl();
  m_wndOutBar->Create(nullptr, QRect(), NAVBAR_OPT_ANIMATE | NAVBAR_OPT_KEEP_HIGHLIGHT);
  m_wndSplitter2->insertWidget(0, m_wndOutBar);
  m_wndOutBar->SetOwner(this);

  if (!m_largeImages.Create(":/bitmap/117.bmp", 32, QColor(128, 128, 128)) ||
      !m_smallImages.Create(":/bitmap/118.bmp", 16, QColor(0, 128, 128))) {
    return false;
  }
  m_wndOutBar->SetImageList(&m_largeImages, NAVBAR_LARGE_IMAGES);
  m_wndOutBar->SetImageList(&m_smallImages, NAVBAR_SMALL_IMAGES);
  m_wndOutBar->SetAnimationDelay(20);
  m_wndOutBar->SetJiggleInterval(200);

  static const char* const kClassicFolders[] = {"2-D SURFACE", "3-D SURFACE"};
  for (int f = 0; f < 2; ++f) {
    const int folder = m_wndOutBar->AddFolder(kClassicFolders[f], f);
    for (int i = 0; i < 6; ++i) {
      const DisplayModeInfo* info = FindDisplayMode(600 + 10 * f + i);
      m_wndOutBar->InsertItem(folder, i, info->item, info->image, 0);
    }
  }
  // The analysers the features draw, when there are any.
  const std::vector<int> analysers = AnalyserDisplayModes(m_features);
  if (!analysers.empty()) {
    const int folder = m_wndOutBar->AddFolder(kAnalyserFolderTitle, kAnalyserFolder);
    for (std::size_t i = 0; i < analysers.size(); ++i) {
      const DisplayModeInfo* info = FindDisplayMode(analysers[i]);
      m_wndOutBar->InsertItem(folder, static_cast<int>(i), info->item, info->image, 0);
    }
  }
  m_wndOutBar->SetSelFolder(0);
  const FrameParts panes = MakeFrameParts();
  for (const auto& feature : m_features) feature->CreatePanels(panes);

  ApplyPaneSizes();
  SetActiveView(m_pView, true);
  qApp->installEventFilter(this);
  UpdatePanes();
  m_paneTimer.start();
  return true;
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  auto* message = new QLabel(kIdleText);
  m_panes.push_back(message);
  bar->addWidget(message, 1);
  for (const PaneEntry& entry : kPanes) {
    auto* pane = new QLabel(entry.initialText);
    pane->setObjectName(QString("pane%1").arg(entry.id));
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setMinimumWidth(entry.width);
    pane->setAlignment(Qt::AlignCenter);
    bar->addPermanentWidget(pane);
    m_panes.push_back(pane);
  }
}

void CMainFrame::FitStatusBarParts() {
  // The bar is as high as its tallest part: the panes added beside the settings (buttons, meters)
  // are held to the height of a settings pane, so the bar and the panes above it keep their sizes.
  const int paneHeight = m_panes.size() > 1 ? m_panes[1]->minimumSizeHint().height() : 0;
  if (paneHeight <= 0) return;
  for (QWidget* part : statusBar()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (part->maximumHeight() > paneHeight) part->setMaximumHeight(paneHeight);
  }
}

void CMainFrame::CreateMenus() {
  for (const MenuTable& table : Menus()) {
    QMenu* menu = menuBar()->addMenu(table.title);
    for (const MenuEntry& entry : table.entries) {
      if (entry.text == nullptr) {
        menu->addSeparator();
        continue;
      }
      AddCommand(menu, this, QString::fromUtf8(entry.text), entry.id, entry.prompt);
    }
  }
}

void CMainFrame::CreateAccelerators() {
  for (const Accelerator& accelerator : Accelerators()) {
    auto* shortcut = new QShortcut(QKeySequence(accelerator.key), this);
    shortcut->setContext(Qt::WindowShortcut);
    const int id = accelerator.id;
    connect(shortcut, &QShortcut::activated, this, [this, id] { OnCommand(id); });
    m_shortcuts.push_back(shortcut);
  }
}

void CMainFrame::ApplyPaneSizes() {
  if (m_wndSplitter == nullptr) return;
  // Views lay their charts out from their size when they are set up, so the panes get their
  // final sizes now rather than at the next pass of the event loop.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  if (layout() != nullptr) layout()->activate();
  const int w = width();
  const int h = height() - (menuBar() != nullptr ? menuBar()->sizeHint().height() : 0);
  const FramePaneSizes sizes = ComputeFramePaneSizes(w, h);
  m_wndSplitter->SetPaneInfo(0, sizes.upperHeight, 0);
  m_wndSplitter->RecalcLayout();
  m_wndSplitter2->SetPaneInfo(0, sizes.navWidth, 0);
  m_wndSplitter2->RecalcLayout();
  for (const auto& feature : m_features) feature->FitPanels(sizes.navWidth);
}

void CMainFrame::FitToScreen() {
  // The window manager's title bar and borders come on top of the client size, and they come
  // some time after the window is shown (when the manager has taken it in): each time they
  // change, the window is made the size that puts the whole of it, status bar included, on the
  // screen's work area.
  QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr || !isVisible()) return;
  const QSize decoration = frameGeometry().size() - geometry().size();
  if (decoration == m_fittedDecoration) return;
  m_fittedDecoration = decoration;
  const QRect area = decoration == QSize(0, 0) ? screen->geometry() : screen->availableGeometry();
  const QSize client = area.size() - decoration;
  if (client != size()) {
    // The scope view lays its charts out for the size it was set up at: once the window has
    // its new size, a view already set up is made afresh for it, as a display change does.
    m_fittedClient = client;
    m_bRemakeView =
        m_pView != nullptr && (m_pView->Chart2D(0).HasWindow() || m_pView->Chart3D(0).HasWindow());
    setFixedSize(client);
  }
  if (frameGeometry().topLeft() != area.topLeft()) move(area.topLeft());
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FitToScreen();
  ApplyPaneSizes();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FitToScreen();
  ApplyPaneSizes();
  if (m_bRemakeView && size() == m_fittedClient) {
    m_bRemakeView = false;
    QTimer::singleShot(0, this, [this] {
      if (m_pView != nullptr) OnDisplayModeCommand();
    });
  }
}

void CMainFrame::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // A manager that frames the window moves it by the frame's size; the frame is known now.
  FitToScreen();
}

void CMainFrame::SetActiveView(QWidget* view, bool notify) {
  m_pActiveView = view;
  // Activation with notification hands the keyboard focus to the view, unless it already sits
  // in it.
  if (notify && view != nullptr && !IsWithin(QApplication::focusWidget(), view)) {
    view->setFocus(Qt::OtherFocusReason);
  }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  // A click in a view makes it the active view, as it does in any framework window. Focus alone
  // does not: it also arrives when a menu closes or the window is activated, and a panel control
  // holding the focus would otherwise take the scope view's commands away.
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
    if (IsWithin(watched, m_pControlView)) {
      m_pActiveView = m_pControlView;
    } else if (IsWithin(watched, m_pView)) {
      m_pActiveView = m_pView.data();
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::OnCommand(int id) {
  if (m_commandFilter && m_commandFilter(id)) return true;
  if (id == ID_BUFFER_READY) {
    for (const auto& feature : m_features) feature->OnBufferReady();
  }
  QWidget* active = m_pActiveView.data();
  // A view that passes a command back up to us must not be offered it again.
  const bool offering = std::find(m_routing.begin(), m_routing.end(), id) != m_routing.end();
  if (active != nullptr && !offering) {
    m_routing.push_back(id);
    const bool handled = SendCommandTo(active, id);
    m_routing.pop_back();
    if (handled) return true;
  }
  if (HandleOwnCommand(id)) return true;
  if (auto* app = dynamic_cast<CAurivueApp*>(HasCurrentApp() ? &CurrentApp() : nullptr)) {
    return app->OnAppCommand(id);
  }
  return false;
}

bool CMainFrame::HandleOwnCommand(int id) {
  if (IsClassicDisplayMode(id) ||
      (IsDisplayMode(id) && m_pView != nullptr && m_pView->DisplayFeatureFor(id) != nullptr)) {
    OnDisplayModeCommand();
    return true;
  }
  switch (id) {
    case ID_ACTIVATE_SCOPE_VIEW:
      SetActiveView(m_pView, true);
      return true;
    case ID_BUFFER_READY:
      // Reaches us only while another view is active: the scope view still gets it, once.
      SendCommandTo(m_pView, ID_BUFFER_READY);
      return true;
    case ID_APP_ABOUT:
      OnAppAbout();
      return true;
    case ID_APP_EXIT:
      close();
      return true;
    case ID_NEXT_PANE:
    case ID_PREV_PANE: {
      // Two views: the next pane either way is the other one.
      QWidget* next = m_pActiveView == m_pView ? static_cast<QWidget*>(m_pControlView)
                                               : static_cast<QWidget*>(m_pView.data());
      SetActiveView(next, true);
      return true;
    }
    default:
      for (const auto& feature : m_features) {
        if (feature->OnCommand(id)) return true;
      }
      return false;
  }
}

long CMainFrame::OnMessage(unsigned msg, long wParam, long lParam) {
  if (msg != WM_NAVBAR_NOTIFY) return 0;
  switch (wParam) {
    case NAVBAR_FOLDER_CHANGE:
      m_nNavFolder = static_cast<int>(lParam);
      break;
    case NAVBAR_ITEM_CLICK: {
      m_nNavItem = static_cast<int>(lParam);
      AppState& app = CurrentApp();
      if (app.m_bPowerOn == 0) app.m_capture.Stop();
      app.m_nDisplayMode = DisplayModeFor(m_nNavFolder, m_nNavItem);
      if (m_nNavFolder == kAnalyserFolder) {
        // The folder lists only the analysers some feature draws.
        const std::vector<int> analysers = AnalyserDisplayModes(m_features);
        if (m_nNavItem < 0 || m_nNavItem >= static_cast<int>(analysers.size())) break;
        app.m_nDisplayMode = analysers[m_nNavItem];
      }
      SendCommandTo(this, app.m_nDisplayMode);
      break;
    }
    default:
      break;
  }
  return 0;
}

void CMainFrame::OnDisplayModeCommand() {
  CAurivueDoc* doc = m_pView != nullptr ? m_pView->GetDocument() : nullptr;
  delete m_pView.data();
  m_pView = MakeScopeView(doc);
  m_wndSplitter2->insertWidget(1, m_pView);
  m_pView->show();
  m_wndSplitter2->RecalcLayout();
  SetActiveView(m_pView, true);
  ApplyPaneSizes();
  m_pView->OnInitialUpdate();
}

void CMainFrame::OnAppAbout() {
  CAboutDlg about(this);
  about.exec();
}

QString CMainFrame::PaneText(int pane) const {
  if (pane < 0 || pane >= static_cast<int>(m_panes.size())) return QString();
  if (pane == 0) {
    const QString message = statusBar()->currentMessage();
    return message.isEmpty() ? m_panes[0]->text() : message;
  }
  return m_panes[pane]->text();
}

void CMainFrame::UpdatePanes() {
  if (m_panes.size() < 6 || !HasCurrentApp()) return;
  const AppState& app = CurrentApp();
  m_panes[1]->setText(QString::fromStdString(RatePaneText(app.m_nRateIndex)));
  m_panes[2]->setText(QString::fromStdString(ChannelPaneText(app.m_nChannels)));
  m_panes[3]->setText(QString::fromStdString(BitsPaneText(app.m_nBits)));
  m_panes[4]->setText(QString::fromStdString(FFTWindowPaneText(app.m_nFFTWindow)));
  m_panes[5]->setText(QString::fromStdString(VoltPaneText(app.m_nVoltValue)));
  for (const auto& feature : m_features) feature->UpdateCommands();
}
