#include "shell/main_frame.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <set>

#include "controls/control_view.h"
#include "controls/flat_splitter.h"
#include "controls/hyperlink_label.h"
#include "features/instrument_feature.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "platform/wave_in.h"
#include "shell/about_dlg.h"
#include "shell/aurivue_app.h"
#include "shell/nav_bar_ctrl.h"

namespace {

// A scope view that counts what reaches it.
class CountingView : public CAurivueView {
 public:
  using CAurivueView::CAurivueView;
  bool OnCommand(int id) override {
    if (id == ID_BUFFER_READY) ++bufferReady;
    if (id >= 1100 && id <= 1115) setups.push_back(id);
    return CAurivueView::OnCommand(id);
  }
  int bufferReady = 0;
  std::vector<int> setups;
};

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QStandardPaths::setTestModeEnabled(true);
    ASSERT_TRUE(instanceDir.isValid());
    setenv("AURIVUE_INSTANCE_DIR", instanceDir.path().toLocal8Bit().constData(), 1);
    std::string error;
    ASSERT_TRUE(SelectWaveInput("tone:1000", &error)) << error;
    CMainFrame::SetScopeViewFactory([](CAurivueDoc* doc) { return new CountingView(doc); });
    CommandLineOptions options;
    options.splashMs = 0;
    ASSERT_TRUE(app.InitInstance(*static_cast<QApplication*>(QApplication::instance()), options));
    frame = app.MainFrame();
    ASSERT_NE(frame, nullptr);
  }

  void TearDown() override {
    app.ExitInstance();
    CMainFrame::SetScopeViewFactory(nullptr);
    unsetenv("AURIVUE_INSTANCE_DIR");
  }

  CountingView* View() const { return static_cast<CountingView*>(frame->ScopeView()); }

  void ClickItem(int folder, int item) {
    CNavBarCtrl* bar = frame->NavBar();
    if (bar->GetSelFolder() != folder) {
      QTest::mouseClick(bar, Qt::LeftButton, {}, bar->HeaderRect(folder).center());
    }
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->ItemIconRect(item).center());
  }

  MessageRecorder messages;
  QTemporaryDir instanceDir;
  CAurivueApp app;
  CMainFrame* frame = nullptr;
};

}  // namespace

TEST(MainFramePanes, SizesFollowTheClientArea) {
  // g is the larger of H / 4 and W / 5; the upper row gets H - g - 22.
  EXPECT_EQ(ComputeFramePaneSizes(1024, 700).navWidth, 204);
  EXPECT_EQ(ComputeFramePaneSizes(1024, 700).upperHeight, 700 - 204 - 22);
  EXPECT_EQ(ComputeFramePaneSizes(800, 780).navWidth, 195);
  EXPECT_EQ(ComputeFramePaneSizes(800, 780).upperHeight, 563);
  EXPECT_EQ(ComputeFramePaneSizes(10, 10).upperHeight, 0);
  EXPECT_EQ(DisplayModeFor(1, 5), 615);
}

TEST_F(MainFrameTest, FillsTheScreenFixedWithThePanesInPlace) {
  const QSize screen = QGuiApplication::primaryScreen()->size();
  EXPECT_EQ(frame->frameGeometry().topLeft(), QPoint(0, 0));
  EXPECT_EQ(frame->frameGeometry().size(), screen);
  EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
  EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(frame->windowTitle(), "Aurivue Version 2.0");
  const FramePaneSizes sizes =
      ComputeFramePaneSizes(frame->width(), frame->height() - frame->menuBar()->height());
  EXPECT_EQ(frame->NavBar()->width(), sizes.navWidth);
  EXPECT_EQ(frame->InnerSplitter()->height(), sizes.upperHeight);
  EXPECT_GT(frame->ControlView()->height(), 0);
  EXPECT_EQ(frame->GetActiveView(), frame->ScopeView());
  // The bar shows both folders, the 2-D one open.
  EXPECT_EQ(frame->NavBar()->GetFolderText(0), "2-D SURFACE");
  EXPECT_EQ(frame->NavBar()->GetFolderText(1), "3-D SURFACE");
  EXPECT_EQ(frame->NavBar()->GetItemText(1, 5), "Power Spectrum");
  EXPECT_EQ(frame->NavBar()->GetSelFolder(), 0);
  EXPECT_EQ(app.m_nDisplayMode, 602);
}

TEST_F(MainFrameTest, DescribedMenusHaveEveryTextIdPromptAndSeparator) {
  // The frame's own menus and items; the features put theirs in between (their tests check
  // them), so an item of a feature is passed over here, and a separator counts where it sets
  // one described group apart from the next.
  struct Expected {
    const char* text;  // nullptr: a separator between two described groups
    int id;
    const char* prompt;
  };
  const std::vector<std::pair<QString, std::vector<Expected>>> expected = {
      {"&File",
       {{"&Export\tCtrl+E", 32825, "Export RealTime Data"},
        {"&Save to Bmp\tCtrl+S", 57603, "Save the bmp file"},
        {nullptr, 0, nullptr},
        {"&Print...\tCtrl+P", 57607, "Print the Aurivue Plot"},
        {"Print Pre&view\tCtrl+v", 57609, "Display full pages"},
        {"P&rint Setup...\tCtrl+r", 57606, "Change the printer and printing options"},
        {nullptr, 0, nullptr},
        {"E&xit\tCtrl+x", 57665, "Quit Aurivue2.0"}}},
      {"&Setup",
       {{"Sampling &Rate\tCtrl+R", 32815, "Setup Sampling Rate"},
        {"Smoothing &Window\tCtrl+W", 140, "Setup Smoothing Window"},
        {"&Channels\tCtrl+C", 32816, "Select Channels"},
        {"Volts &Values\tCtrl+V", 32817, "Set Volts Values"},
        {nullptr, 0, nullptr},
        {"Input &Device\tCtrl+D", 141, "Set Input Device "},
        {"&Filter Setup\tCtrl+F", 32824, "Filter setup"},
        {nullptr, 0, nullptr},
        {"Setup Wi&zard\tCtrl+Z", 142, "Setup Wizard"}}},
      {"&Help",
       {{"&About \tCtrl+A", 57664, "About Aurivue 2.0"},
        {"&Help\tCtrl+H", 32827, "Aurivue 2.0 Online Help"}}},
  };
  // File and Setup lead the bar and Help ends it, whatever the features add between.
  const QList<QAction*> menus = frame->menuBar()->actions();
  ASSERT_GE(menus.size(), 3);
  const QAction* described[] = {menus[0], menus[1], menus.back()};
  std::set<int> ids;
  for (const auto& menu : expected) {
    for (const Expected& e : menu.second) ids.insert(e.id);
  }
  for (int m = 0; m < 3; ++m) {
    EXPECT_EQ(described[m]->text(), expected[m].first);
    // The described items in order, with a separator wherever one lies between two of them.
    std::vector<const QAction*> shown;
    bool apart = false;
    for (const QAction* item : described[m]->menu()->actions()) {
      if (item->isSeparator()) {
        apart = !shown.empty();
      } else if (item->menu() == nullptr && ids.count(item->data().toInt()) != 0 &&
                 item->data().toInt() != 0) {
        if (apart) shown.push_back(nullptr);
        apart = false;
        shown.push_back(item);
      }
    }
    ASSERT_EQ(shown.size(), expected[m].second.size()) << m;
    for (std::size_t i = 0; i < shown.size(); ++i) {
      const Expected& e = expected[m].second[i];
      if (e.text == nullptr) {
        EXPECT_EQ(shown[i], nullptr) << m << "/" << i;
        continue;
      }
      ASSERT_NE(shown[i], nullptr) << e.text;
      EXPECT_EQ(shown[i]->text(), e.text);
      EXPECT_EQ(shown[i]->data().toInt(), e.id) << e.text;
      EXPECT_EQ(shown[i]->statusTip(), e.prompt) << e.text;
      EXPECT_TRUE(shown[i]->shortcut().isEmpty()) << "key hints are text only: " << e.text;
    }
  }
}

TEST_F(MainFrameTest, OnlyTheTableKeysAreBound) {
  std::vector<int> routed;
  frame->SetCommandFilter([&routed](int id) {
    routed.push_back(id);
    return true;  // swallow: no save or print dialog in a test
  });
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
  QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
  QTest::keyClick(frame, Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(routed, (std::vector<int>{57603, 57607}));
  routed.clear();
  for (Qt::Key key :
       {Qt::Key_E, Qt::Key_R, Qt::Key_W, Qt::Key_D, Qt::Key_F, Qt::Key_A, Qt::Key_H}) {
    QTest::keyClick(frame, key, Qt::ControlModifier);
  }
  EXPECT_TRUE(routed.empty());
  QTest::keyClick(frame, Qt::Key_Z, Qt::ControlModifier);  // bound, with no handler
  QTest::keyClick(frame, Qt::Key_Backspace, Qt::AltModifier);
  EXPECT_EQ(routed, (std::vector<int>{57643, 57643}));
  frame->SetCommandFilter(nullptr);
  EXPECT_FALSE(frame->OnCommand(57643));
}

TEST_F(MainFrameTest, NavigationClickRebuildsTheViewForItsMode) {
  QPointer<CAurivueView> first = frame->ScopeView();
  // Opening the 3-D folder alone changes nothing.
  QTest::mouseClick(frame->NavBar(), Qt::LeftButton, {}, frame->NavBar()->HeaderRect(1).center());
  EXPECT_EQ(frame->NavFolder(), 1);
  EXPECT_EQ(app.m_nDisplayMode, 602);
  EXPECT_EQ(frame->ScopeView(), first.data());

  ClickItem(1, 3);
  EXPECT_EQ(app.m_nDisplayMode, 613);
  EXPECT_TRUE(first.isNull());
  QPointer<CAurivueView> second = frame->ScopeView();
  ASSERT_FALSE(second.isNull());
  EXPECT_EQ(static_cast<CountingView*>(second.data())->setups, (std::vector<int>{1113}));
  EXPECT_EQ(frame->GetActiveView(), second.data());
  EXPECT_GT(second->width(), 0);

  // The item already shown still gives a new view, with a fresh history.
  ClickItem(1, 3);
  EXPECT_TRUE(second.isNull());
  EXPECT_EQ(View()->setups, (std::vector<int>{1113}));
  ClickItem(0, 0);
  EXPECT_EQ(app.m_nDisplayMode, 600);
}

TEST_F(MainFrameTest, ClickWithPowerOffStopsTheCaptureAndWithPowerOnKeepsIt) {
  app.m_bPowerOn = 0;
  app.m_capture.Start();
  ASSERT_TRUE(app.m_capture.HasWorker());
  ClickItem(0, 1);
  EXPECT_FALSE(app.m_capture.HasWorker());

  app.m_bPowerOn = ~0;
  app.m_capture.Start();
  ClickItem(0, 2);
  EXPECT_TRUE(app.m_capture.HasWorker());
  app.m_capture.Stop();
}

TEST_F(MainFrameTest, BufferReadyReachesTheScopeViewOnceWhicheverViewIsActive) {
  ASSERT_EQ(frame->GetActiveView(), frame->ScopeView());
  EXPECT_TRUE(SendCommandTo(frame, ID_BUFFER_READY));
  EXPECT_EQ(View()->bufferReady, 1);

  // A click in the control panel makes it the active view; the frame then relays.
  QTest::mousePress(frame->ControlView(), Qt::LeftButton, {}, QPoint(2, 2));
  QTest::mouseRelease(frame->ControlView(), Qt::LeftButton, {}, QPoint(2, 2));
  ASSERT_EQ(frame->GetActiveView(), frame->ControlView());
  EXPECT_TRUE(SendCommandTo(frame, ID_BUFFER_READY));
  EXPECT_EQ(View()->bufferReady, 2);

  // The panel's 390 makes the scope view active again.
  EXPECT_TRUE(SendCommandTo(frame, ID_ACTIVATE_SCOPE_VIEW));
  EXPECT_EQ(frame->GetActiveView(), frame->ScopeView());
  EXPECT_TRUE(SendCommandTo(frame, ID_BUFFER_READY));
  EXPECT_EQ(View()->bufferReady, 3);
}

TEST_F(MainFrameTest, StatusPanesShowTheSettingsInMemory) {
  EXPECT_EQ(frame->PaneText(0), "Reday");
  app.m_nRateIndex = 5;
  app.m_nChannels = 1;
  app.m_nBits = 8;
  app.m_nFFTWindow = 4;
  app.m_nVoltValue = 120;
  frame->UpdatePanes();
  EXPECT_EQ(frame->PaneText(1), "Rate 96000 Hz");
  EXPECT_EQ(frame->PaneText(2), "SINGLE CHANNEL");
  EXPECT_EQ(frame->PaneText(3), "8 BITS");
  EXPECT_EQ(frame->PaneText(4), "Hamming Window");
  EXPECT_EQ(frame->PaneText(5), "1V = 120");
  app.m_nRateIndex = 0;
  app.m_nChannels = 7;
  frame->UpdatePanes();
  EXPECT_EQ(frame->PaneText(1), "Rate 44100 Hz");
  EXPECT_EQ(frame->PaneText(2), "");

  // A highlighted menu item's prompt replaces the idle text until it goes.
  QAction* exportItem = CommandItem(MenuNamed(frame->menuBar(), "File"), ID_EXPORT_DATA);
  ASSERT_NE(exportItem, nullptr);
  exportItem->showStatusText(frame);
  EXPECT_EQ(frame->PaneText(0), "Export RealTime Data");
  frame->statusBar()->clearMessage();
  EXPECT_EQ(frame->PaneText(0), "Reday");
}

TEST_F(MainFrameTest, AboutBoxClosesWithEitherButton) {
  for (bool exit : {false, true}) {
    CAboutDlg about(frame);
    EXPECT_EQ(about.windowTitle(), "About Aurivue 2.0");
    EXPECT_EQ(about.OkButton()->text(), "OK");
    EXPECT_EQ(about.ExitButton()->text(), "Exit");
    EXPECT_EQ(about.MailLink()->LinkAddress(), QString("mailto:") + kSupportMailAddress);
    EXPECT_TRUE(about.SiteLink()->LinkAddress().endsWith("docs/index.html"));
    about.show();
    // Both links are read whole: inside the dialog and clear of the buttons.
    for (HyperlinkLabel* link : {about.MailLink(), about.SiteLink()}) {
      EXPECT_TRUE(about.rect().contains(link->geometry()));
      EXPECT_LE(link->fontMetrics().horizontalAdvance(link->text()), link->width());
      EXPECT_FALSE(link->geometry().intersects(about.OkButton()->geometry()));
      EXPECT_FALSE(link->geometry().intersects(about.ExitButton()->geometry()));
    }
    QTest::mouseClick(exit ? about.ExitButton() : about.OkButton(), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
  }
}
