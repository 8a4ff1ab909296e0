// The File and Help commands chosen the way a user chooses them, with the mouse on the menus and
// with the keys, at start and after each kind of panel and navigation use: every one must reach
// the scope view. Offscreen the clicks are delivered by Qt; under X (tools/run_under_x.sh, with
// and without a window manager) they are real pointer clicks through the X server, so window
// activation and the focus that returns when a menu closes are the window system's own.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTest>
#include <QWindow>

#include "e2e_reliability_support.h"
#include "platform/shell_services.h"
#include "support/needs_environment.h"
#include "view/view_dialogs.h"

using namespace e2e;

namespace {

bool UnderX() { return QGuiApplication::platformName() == "xcb"; }

// Runs xdotool with args; the pointer and keys then come from the X server like a user's.
bool XDoTool(const QStringList& args) {
  QProcess tool;
  tool.start("xdotool", args);
  return tool.waitForFinished(10000) && tool.exitCode() == 0;
}

class CommandRoutingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("AURIVUE_X_TEST") != nullptr) {
      REQUIRE_ENVIRONMENT(UnderX(), "AURIVUE_X_TEST is set but the platform is not xcb");
      REQUIRE_ENVIRONMENT(XDoTool({"version"}), "xdotool is not installed");
    }
    m_saveHook = SetSaveFileDialogHook([this](const SaveFileRequest& request) {
      m_saves.push_back(request.initialPath);
      return std::optional<std::string>();
    });
    m_printHook = SetPrintDialogHook([this](QPrinter&, PrintDialogKind kind) {
      m_prints.push_back(kind);
      return false;
    });
    m_previewHook = SetPrintPreviewHook(
        [this](QPrinter&, const std::function<void(QPrinter&)>&) { ++m_previews; });
    m_session = std::make_unique<AppSession>("tone:1000");
    ASSERT_TRUE(m_session->ok()) << m_session->error();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame(), 20000))
        << Frame()->isVisible() << " " << Frame()->windowState() << " "
        << Frame()->geometry().width() << "x" << Frame()->geometry().height() << " "
        << (Frame()->windowHandle() ? Frame()->windowHandle()->isExposed() : -1);
    if (UnderX()) {
      Frame()->activateWindow();
      Pump(200ms);
    }
  }

  void TearDown() override {
    if (QWidget* help = HelpViewerWindow()) help->close();
    m_session.reset();
    SetSaveFileDialogHook(m_saveHook);
    SetPrintDialogHook(m_printHook);
    SetPrintPreviewHook(m_previewHook);
  }

  CMainFrame* Frame() { return m_session->Frame(); }
  // Events from the X server arrive a little later than Qt's own.
  static bool Soon(const std::function<bool()>& pred) { return PumpUntil(pred, 5s); }

  // A left click at pos of w: a real one under X, Qt's own offscreen.
  void ClickAt(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
    if (UnderX()) {
      const QPoint global = w->mapToGlobal(pos);
      // No --sync: it waits for ever when the pointer already is where it is sent.
      ASSERT_TRUE(XDoTool({"mousemove", QString::number(global.x()), QString::number(global.y()),
                           "sleep", "0.05", "click", button == Qt::LeftButton ? "1" : "3"}));
      Pump(150ms);
    } else {
      QTest::mouseClick(w, button, Qt::NoModifier, pos);
      Pump(20ms);
    }
  }
  void Click(QWidget* w, Qt::MouseButton button = Qt::LeftButton) {
    ClickAt(w, w->rect().center(), button);
  }

  void Key(Qt::Key key, const char* xName) {
    if (UnderX()) {
      ASSERT_TRUE(XDoTool({"key", xName}));
      Pump(150ms);
    } else {
      QTest::keyClick(Frame()->windowHandle(), key, Qt::ControlModifier);
      Pump(20ms);
    }
  }

  // Opens the menu titled title on the menu bar and clicks its item, both with the mouse.
  void ChooseFromMenu(const QString& title, const QString& item) {
    QMenuBar* bar = Frame()->menuBar();
    QMenu* menu = nullptr;
    for (QAction* a : bar->actions()) {
      if (a->text().remove('&') == title) menu = a->menu();
    }
    ASSERT_NE(menu, nullptr) << title.toStdString();
    QAction* action = nullptr;
    for (QAction* a : menu->actions()) {
      if (a->text().remove('&').section('\t', 0, 0) == item) action = a;
    }
    ASSERT_NE(action, nullptr) << item.toStdString();
    ClickAt(bar, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(PumpUntil([&] { return menu->isVisible(); }, 5s)) << title.toStdString();
    Pump(50ms);
    ClickAt(menu, menu->actionGeometry(action).center());
    ASSERT_TRUE(PumpUntil([&] { return !menu->isVisible(); }, 5s)) << item.toStdString();
    Pump(50ms);
  }

  // Every command of the File and Help menus, by menu and by key, must arrive now.
  void ExpectFileCommandsReachTheView(const char* after) {
    SCOPED_TRACE(after);
    const size_t saves = m_saves.size();
    const size_t prints = m_prints.size();
    const int previews = m_previews;
    ChooseFromMenu("File", "Export");
    EXPECT_TRUE(Soon([&] { return m_saves.size() == saves + 1; }))
        << "File > Export after " << after;
    ChooseFromMenu("File", "Save to Bmp");
    EXPECT_TRUE(Soon([&] { return m_saves.size() == saves + 2; }))
        << "File > Save to Bmp after " << after;
    ChooseFromMenu("File", "Print...");
    ASSERT_TRUE(Soon([&] { return m_prints.size() == prints + 1; }))
        << "File > Print after " << after;
    EXPECT_EQ(m_prints.back(), PrintDialogKind::kPrint);
    ChooseFromMenu("File", "Print Preview");
    EXPECT_TRUE(Soon([&] { return m_previews == previews + 1; }))
        << "File > Print Preview after " << after;
    ChooseFromMenu("File", "Print Setup...");
    ASSERT_TRUE(Soon([&] { return m_prints.size() == prints + 2; }))
        << "File > Print Setup after " << after;
    EXPECT_EQ(m_prints.back(), PrintDialogKind::kSetup);
    Key(Qt::Key_S, "ctrl+s");
    EXPECT_TRUE(Soon([&] { return m_saves.size() == saves + 3; })) << "Ctrl+S after " << after;
    Key(Qt::Key_P, "ctrl+p");
    EXPECT_TRUE(Soon([&] { return m_prints.size() == prints + 3; })) << "Ctrl+P after " << after;
    ChooseFromMenu("Help", "Help");
    EXPECT_TRUE(Soon([] {
      return HelpViewerWindow() != nullptr && HelpViewerWindow()->isVisible();
    })) << "Help > Help after "
        << after;
    if (QWidget* help = HelpViewerWindow()) help->close();
    // Closing the viewer hands the activation back to the frame, as a user's click would.
    Frame()->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(Frame()));
    EXPECT_TRUE(m_session->Messages().empty());
  }

  std::unique_ptr<AppSession> m_session;
  std::vector<std::string> m_saves;
  std::vector<PrintDialogKind> m_prints;
  int m_previews = 0;
  SaveFileDialogHook m_saveHook;
  PrintDialogHook m_printHook;
  PrintPreviewHook m_previewHook;
};

TEST_F(CommandRoutingTest, FileAndHelpCommandsReachTheScopeViewAfterEveryPanelUse) {
  ExpectFileCommandsReachTheView("start");

  m_session->Panel()->PowerButton()->setFocus();  // as a Tab into the panel would leave it
  Click(m_session->Panel()->PowerButton());
  ASSERT_TRUE(Soon([&] { return m_session->PowerOn(); }));
  ExpectFileCommandsReachTheView("POWER on");

  auto* knob = m_session->Panel()->findChild<RotarySwitch*>();
  ASSERT_NE(knob, nullptr);
  Click(knob, Qt::RightButton);
  ExpectFileCommandsReachTheView("a switch turned");

  CNavBarCtrl* bar = Frame()->NavBar();
  const QRect icon = bar->ItemIconRect(0);
  ASSERT_FALSE(icon.isEmpty());
  ClickAt(bar, icon.center());
  ASSERT_TRUE(PumpUntil([&] { return m_session->App().m_nDisplayMode == 600; }, 5s));
  ExpectFileCommandsReachTheView("a display-mode change");

  Click(m_session->Panel()->PowerButton());
  ASSERT_TRUE(Soon([&] { return !m_session->PowerOn(); }));
  ExpectFileCommandsReachTheView("POWER off");
}

TEST_F(CommandRoutingTest, KeyboardFocusStartsInTheScopeViewAndReturnsAfterThePanel) {
  EXPECT_EQ(Frame()->GetActiveView(), m_session->View());
  Click(m_session->Panel()->PowerButton());
  ASSERT_TRUE(Soon([&] { return m_session->PowerOn(); }));
  EXPECT_EQ(Frame()->GetActiveView(), m_session->View());
  // F6 still moves to the panel and back, and the panel then is the active view.
  SendCommandTo(Frame(), ID_NEXT_PANE);
  EXPECT_EQ(Frame()->GetActiveView(), m_session->Panel());
  SendCommandTo(Frame(), ID_NEXT_PANE);
  EXPECT_EQ(Frame()->GetActiveView(), m_session->View());
  EXPECT_TRUE(m_session->View()->isAncestorOf(QApplication::focusWidget()) ||
              QApplication::focusWidget() == m_session->View() || !Frame()->isActiveWindow());
  Click(m_session->Panel()->PowerButton());
}

}  // namespace
