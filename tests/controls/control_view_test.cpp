#include "controls/control_view.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTest>
#include <QUrl>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/app_state.h"
#include "controls/image_button.h"
#include "controls/link_opener.h"
#include "controls/rotary_switch.h"
#include "platform/command_ids.h"
#include "platform/message_box.h"
#include "platform/message_target.h"
#include "platform/wave_in.h"

namespace {

// Stands in for the main frame: records each command with the scales the application held when
// the command arrived.
class RecordingMainWindow : public QWidget, public MessageTarget {
 public:
  explicit RecordingMainWindow(AppState& app) : m_app(app) {}
  bool OnCommand(int id) override {
    if (id == ID_BUFFER_READY) return true;
    commands.push_back(id);
    leftScaleSeen.push_back(m_app.m_fLeftScale);
    return true;
  }
  std::vector<int> commands;
  std::vector<float> leftScaleSeen;

 private:
  AppState& m_app;
};

class ControlViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_previousInput = CurrentWaveInput();
    SetMainWindow(&m_main);
    m_app.m_capture.SetFormat(2, 44100, 16);
    m_view.resize(1280, 200);
    m_view.show();
    m_view.OnInitialUpdate();
  }
  void TearDown() override {
    m_app.m_capture.Stop();
    SetMainWindow(nullptr);
    std::string error;
    SelectWaveInput(m_previousInput, &error);
  }
  static QString Label(RotarySwitch* sw) { return sw->GetDetent(sw->GetPosition()).label; }

  MessageRecorder m_messages;
  AppState m_app;
  RecordingMainWindow m_main{m_app};
  CControlView m_view;
  std::string m_previousInput;
};

TEST_F(ControlViewTest, StartsAtOneMillisecondAndFiveHundredMillivolts) {
  EXPECT_EQ(Label(m_view.TimeBaseSwitch()), "1 ms");
  EXPECT_EQ(Label(m_view.LeftSwitch()), "500mv");
  EXPECT_EQ(Label(m_view.RightSwitch()), "500mv");
  EXPECT_FLOAT_EQ(m_view.TimeBaseSwitch()->GetValue(), 1.0f);
  EXPECT_FLOAT_EQ(m_view.LeftSwitch()->GetValue(), 250.0f);
  EXPECT_FLOAT_EQ(m_app.m_fTimeBase, 1.0f);
  EXPECT_FLOAT_EQ(m_app.m_fLeftScale, 250.0f);
  EXPECT_FLOAT_EQ(m_app.m_fRightScale, 250.0f);
  // The shorter labels keep their blanks exactly.
  EXPECT_EQ(m_view.TimeBaseSwitch()->GetPositionCount(), 6);
  EXPECT_EQ(m_view.TimeBaseSwitch()->GetDetent(3).label, "10ms");
  EXPECT_EQ(m_view.RightSwitch()->GetPositionCount(), 7);
  EXPECT_EQ(m_view.RightSwitch()->GetDetent(1).label, "10mv ");
  EXPECT_EQ(m_view.TimeBaseSwitch()->GetCaption(), "Time Base Switch (ms/div)");
}

TEST_F(ControlViewTest, LeftSwitchWrapsAndStoresAfterActivatingTheScopeView) {
  QTest::mouseClick(m_view.LeftSwitch(), Qt::LeftButton);
  EXPECT_EQ(Label(m_view.LeftSwitch()), "5 mv ");
  EXPECT_FLOAT_EQ(m_app.m_fLeftScale, 2.5f);
  EXPECT_FLOAT_EQ(m_app.m_fRightScale, 250.0f);
  ASSERT_EQ(m_main.commands, (std::vector<int>{ID_ACTIVATE_SCOPE_VIEW}));
  // When the scope view was activated the old value was still in place.
  EXPECT_FLOAT_EQ(m_main.leftScaleSeen[0], 250.0f);

  // A right press on the time base wraps backwards to its last detent.
  QTest::mouseClick(m_view.TimeBaseSwitch(), Qt::RightButton);
  EXPECT_EQ(Label(m_view.TimeBaseSwitch()), "50ms");
  EXPECT_FLOAT_EQ(m_app.m_fTimeBase, 50.0f);
  EXPECT_FLOAT_EQ(m_app.m_fLeftScale, 2.5f);
}

TEST_F(ControlViewTest, PowerTwiceStartsThenStopsCapture) {
  std::string error;
  ASSERT_TRUE(SelectWaveInput("tone:1000", &error)) << error;
  ImageButton* power = m_view.PowerButton();
  EXPECT_EQ(m_app.m_bPowerOn, 0);
  QTest::mouseClick(power, Qt::LeftButton);
  EXPECT_EQ(m_app.m_bPowerOn, -1);
  EXPECT_TRUE(m_app.m_capture.HasWorker());
  EXPECT_TRUE(power->IsChecked());
  EXPECT_TRUE(power->isEnabled());
  QTest::mouseClick(power, Qt::LeftButton);
  EXPECT_EQ(m_app.m_bPowerOn, 0);
  EXPECT_FALSE(m_app.m_capture.HasWorker());
  EXPECT_FALSE(power->IsChecked());
  EXPECT_TRUE(power->isEnabled());
  EXPECT_EQ(m_main.commands, (std::vector<int>{ID_ACTIVATE_SCOPE_VIEW, ID_ACTIVATE_SCOPE_VIEW}));
  EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(ControlViewTest, PowerWithoutInputDeviceStaysOn) {
  std::string error;
  ASSERT_TRUE(SelectWaveInput("none", &error)) << error;
  QTest::mouseClick(m_view.PowerButton(), Qt::LeftButton);
  EXPECT_EQ(m_app.m_bPowerOn, -1);
  EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"System hasn't install input Device!"}));
  QTest::mouseClick(m_view.PowerButton(), Qt::LeftButton);
  EXPECT_EQ(m_app.m_bPowerOn, 0);
}

TEST_F(ControlViewTest, WizardAndWebsiteButtons) {
  std::vector<QString> opened;
  LinkOpener previous = SetLinkOpener([&](const QString& a) {
    opened.push_back(a);
    return true;
  });
  QTest::mouseClick(m_view.WizardButton(), Qt::LeftButton);
  QTest::mouseClick(m_view.WebsiteButton(), Qt::LeftButton);
  SetLinkOpener(previous);
  EXPECT_EQ(m_main.commands, (std::vector<int>{ID_PANEL_SETUP_WIZARD, ID_ACTIVATE_SCOPE_VIEW,
                                               ID_ACTIVATE_SCOPE_VIEW}));
  ASSERT_EQ(opened.size(), 1u);
  // The user guide shipped with the program.
  const QUrl url(opened[0]);
  ASSERT_TRUE(url.isLocalFile()) << opened[0].toStdString();
  EXPECT_TRUE(url.toLocalFile().endsWith("docs/index.html"));
  EXPECT_TRUE(QFileInfo::exists(url.toLocalFile()));
}

TEST_F(ControlViewTest, FourColumnsShareTheWidth) {
  // 1280 wide: 1280 - 2 * 5 margin - 3 * 5 gap = 1255 shared 313, 314, 314, 314.
  EXPECT_EQ(m_view.LeftSwitch()->geometry(), QRect(5, 5, 313, 190));
  EXPECT_EQ(m_view.RightSwitch()->geometry(), QRect(323, 5, 314, 190));
  EXPECT_EQ(m_view.TimeBaseSwitch()->geometry(), QRect(642, 5, 314, 190));
  // Button column at x 961, 314 wide: row 92 high (185 / 2), POWER 93; the row's two buttons
  // 154 and 155 wide.
  EXPECT_EQ(m_view.WizardButton()->geometry(), QRect(961, 5, 154, 92));
  EXPECT_EQ(m_view.WebsiteButton()->geometry(), QRect(1120, 5, 155, 92));
  EXPECT_EQ(m_view.PowerButton()->geometry(), QRect(961, 102, 314, 93));

  // At the template's own size (541 x 130) the button column needs 141 px (POWER's template
  // width) and takes the 12 missing pixels from the switches, 4 each.
  m_view.resize(541, 130);
  EXPECT_EQ(m_view.LeftSwitch()->geometry(), QRect(5, 5, 125, 120));
  EXPECT_EQ(m_view.RightSwitch()->geometry(), QRect(135, 5, 125, 120));
  EXPECT_EQ(m_view.TimeBaseSwitch()->geometry(), QRect(265, 5, 125, 120));
  EXPECT_EQ(m_view.PowerButton()->geometry().x(), 395);
  EXPECT_EQ(m_view.PowerButton()->geometry().width(), 141);

  // A size of 0 x 0 leaves everything where it was.
  m_view.resize(0, 0);
  EXPECT_EQ(m_view.LeftSwitch()->geometry(), QRect(5, 5, 125, 120));

  if (qEnvironmentVariableIsSet("AURIVUE_SAVE_PNG")) {
    m_view.resize(1280, 200);
    m_view.grab().save("/tmp/aurivue_panel_1280.png");
    m_view.resize(800, 150);
    m_view.grab().save("/tmp/aurivue_panel_800.png");
  }
}

}  // namespace
