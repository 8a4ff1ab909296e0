#include "shell/setup_wizard.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "acquisition/app_state.h"
#include "controls/flat_slider.h"
#include "controls/gradient_caption.h"
#include "controls/rotary_switch.h"
#include "platform/command_ids.h"
#include "platform/dialog_units.h"
#include "platform/message_box.h"
#include "shell/channels_page.h"
#include "shell/filter_page.h"
#include "shell/rate_page.h"
#include "shell/volts_page.h"
#include "shell/window_page.h"
#include "shell/wizard_commands.h"

namespace {

class SetupWizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_app.m_szIniPath = m_dir.filePath(QStringLiteral("Aurivue.ini")).toStdString();
    m_app.m_nVoltValue = 32000;
    m_app.m_nFreqPoint = 10000;
    m_app.m_nFFTWindow = 1;
  }

  void WriteIni(const char* text) {
    QFile f(QString::fromStdString(m_app.m_szIniPath));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }

  QByteArray ReadIni() {
    QFile f(QString::fromStdString(m_app.m_szIniPath));
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
    return f.readAll();
  }

  QStringList KeysInFile() {
    QStringList keys;
    const QRegularExpression line(QStringLiteral("^(\\w+)=(.*)$"),
                                  QRegularExpression::MultilineOption);
    auto it = line.globalMatch(QString::fromLatin1(ReadIni()).remove(QLatin1Char('\r')));
    while (it.hasNext()) keys << it.next().captured(1);
    return keys;
  }

  std::unique_ptr<SetupWizardSession> Open(int commandId) {
    auto session = CreateSetupWizardForCommand(commandId, nullptr);
    EXPECT_NE(session, nullptr);
    if (session) session->Wizard().show();
    return session;
  }

  MessageRecorder m_messages;
  QTemporaryDir m_dir;
  AppState m_app;
};

const char kFullFile[] =
    "[Card]\r\nChannels=1\r\nBits=16\r\nRateIndex=2\r\nFFTWindow=3\r\nVoltValue=20000\r\n"
    "FilterType=2\r\nFreqPoint=500\r\n\r\n";

}  // namespace

TEST_F(SetupWizardTest, TwoStepWizardsStepForwardAndBack) {
  WriteIni(kFullFile);
  const struct {
    int id;
    const char* caption;
    const char* firstStep;
  } wizards[] = {
      {ID_SETUP_RATE, "Sampling Rate", "Step 1\t Setup Sampling Rate"},
      {ID_SETUP_WINDOW, "SMOOTHING WINDOW", "Step 1\t Setup Smoithing Window"},
      {ID_SETUP_CHANNELS, "Channels", "Step 1\t Setup Channels"},
      {ID_SETUP_VOLTS, "Volt Values", "Step 1\t Setup Volt Values"},
      {ID_SETUP_FILTER, "Filter Frequency Point", "Step 1\t Setup Filter Frequency Point"},
  };
  for (const auto& w : wizards) {
    SCOPED_TRACE(w.caption);
    auto session = Open(w.id);
    CSetupWizard& wizard = session->Wizard();
    EXPECT_EQ(wizard.windowTitle(), QString::fromLatin1(w.caption));
    EXPECT_EQ(wizard.StepCaption()->text(), QString::fromLatin1(w.firstStep));
    EXPECT_EQ(wizard.PrevButton()->text(), QStringLiteral("<< Prev(&P)"));
    EXPECT_FALSE(wizard.PrevButton()->isEnabled());
    EXPECT_EQ(wizard.NextButton()->text(), QStringLiteral("Next(&N) >>"));
    EXPECT_EQ(wizard.CancelButton()->text(), QStringLiteral("Cancle(&C)"));
    EXPECT_TRUE(session->Page(0)->isVisible());
    EXPECT_FALSE(session->Page(1)->isVisible());
    EXPECT_EQ(session->Page(0)->geometry(), DialogRect(74, 26, 230, 160));

    QTest::mouseClick(wizard.NextButton(), Qt::LeftButton);
    EXPECT_EQ(wizard.GetActiveIndex(), 1);
    EXPECT_EQ(wizard.NextButton()->text(), QStringLiteral("End(&E)"));
    EXPECT_TRUE(wizard.PrevButton()->isEnabled());
    EXPECT_EQ(wizard.StepCaption()->text(), QStringLiteral("Step 2\t Setup complete"));
    EXPECT_FALSE(session->Page(0)->isVisible());
    EXPECT_TRUE(session->Page(1)->isVisible());

    QTest::mouseClick(wizard.PrevButton(), Qt::LeftButton);
    EXPECT_EQ(wizard.GetActiveIndex(), 0);
    EXPECT_EQ(wizard.NextButton()->text(), QStringLiteral("Next(&N) >>"));
    EXPECT_FALSE(wizard.PrevButton()->isEnabled());

    QTest::mouseClick(wizard.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(wizard.result(), QDialog::Rejected);
    EXPECT_FALSE(wizard.isVisible());
  }
  EXPECT_EQ(ReadIni(), QByteArray(kFullFile));
  EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(SetupWizardTest, EnterStepsAndEndsEscapeCancels) {
  WriteIni(kFullFile);
  {
    auto session = Open(ID_SETUP_RATE);
    CSetupWizard& wizard = session->Wizard();
    QTest::keyClick(&wizard, Qt::Key_Return);
    EXPECT_EQ(wizard.GetActiveIndex(), 1);
    QTest::keyClick(&wizard, Qt::Key_Return);
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_FALSE(session->Page(0)->IsCreated());
  }
  {
    auto session = Open(ID_SETUP_RATE);
    QTest::keyClick(&session->Wizard(), Qt::Key_Escape);
    EXPECT_EQ(session->Wizard().result(), QDialog::Rejected);
    EXPECT_FALSE(session->Page(0)->IsCreated());
  }
  // The rate page wrote the detent it showed back unchanged.
  EXPECT_TRUE(ReadIni().contains("RateIndex=2"));
}

TEST_F(SetupWizardTest, CancelKeepsTheFileButMovedSlidersAlreadyTookEffect) {
  WriteIni(kFullFile);
  {
    auto session = Open(ID_SETUP_VOLTS);
    auto* page = static_cast<CVoltsPage*>(session->Page(0));
    EXPECT_EQ(page->VoltsSlider()->value(), 20000);
    QTest::keyClick(page->VoltsSlider(), Qt::Key_Right);
    EXPECT_EQ(m_app.m_nVoltValue, 20001);
    EXPECT_EQ(page->VoltsText()->text(), QStringLiteral("1V = 20001"));
    QTest::keyClick(page->VoltsSlider(), Qt::Key_PageUp);  // a page toward the minimum
    EXPECT_EQ(m_app.m_nVoltValue, 19701);
    QTest::mouseClick(session->Wizard().CancelButton(), Qt::LeftButton);
  }
  {
    auto session = Open(ID_SETUP_FILTER);
    auto* page = static_cast<CFilterPage*>(session->Page(0));
    EXPECT_EQ(page->FrequencySlider()->value(), 500);
    QTest::keyClick(page->FrequencySlider(), Qt::Key_Down);
    EXPECT_EQ(m_app.m_nFreqPoint, 501);
    EXPECT_EQ(page->FrequencyText()->text(), QStringLiteral("501 Hz"));
    session->Wizard().close();  // the close box
    EXPECT_EQ(session->Wizard().result(), QDialog::Rejected);
  }
  EXPECT_EQ(ReadIni(), QByteArray(kFullFile));
  EXPECT_EQ(m_app.m_nVoltValue, 19701);
  EXPECT_EQ(m_app.m_nFreqPoint, 501);
}

TEST_F(SetupWizardTest, BitsSliderResetsTheVoltsRange) {
  WriteIni(kFullFile);
  auto session = Open(ID_SETUP_VOLTS);
  auto* page = static_cast<CVoltsPage*>(session->Page(0));
  FlatSlider* bits = page->BitsSlider();
  FlatSlider* volts = page->VoltsSlider();
  EXPECT_EQ(bits->value(), 2);

  QTest::keyClick(bits, Qt::Key_Left);
  EXPECT_EQ(bits->value(), 1);
  EXPECT_EQ(volts->value(), 120);
  EXPECT_EQ(volts->minimum(), 1);
  EXPECT_EQ(volts->maximum(), 128);
  EXPECT_EQ(volts->pageStep(), 10);
  EXPECT_EQ(page->VoltsText()->text(), QStringLiteral("1V = 120"));
  EXPECT_EQ(m_app.m_nVoltValue, 32000) << "the bits slider leaves the running value alone";

  QTest::keyClick(bits, Qt::Key_Right);
  EXPECT_EQ(volts->value(), 32000);
  EXPECT_EQ(volts->maximum(), 32767);
  EXPECT_EQ(volts->pageStep(), 300);
  EXPECT_EQ(page->VoltsText()->text(), QStringLiteral("1V = 32000"));

  // End writes the volts position and the width chosen.
  QTest::keyClick(bits, Qt::Key_Left);
  QTest::mouseClick(session->Wizard().NextButton(), Qt::LeftButton);
  QTest::mouseClick(session->Wizard().NextButton(), Qt::LeftButton);
  EXPECT_TRUE(ReadIni().contains("Bits=8\r\n"));
  EXPECT_TRUE(ReadIni().contains("VoltValue=120\r\n"));
}

TEST_F(SetupWizardTest, EightBitFileOpensAtTheLeftWithSmallPages) {
  WriteIni("[Card]\r\nBits=8\r\nVoltValue=100\r\n\r\n");
  auto session = Open(ID_SETUP_VOLTS);
  auto* page = static_cast<CVoltsPage*>(session->Page(0));
  EXPECT_EQ(page->BitsSlider()->value(), 1);
  EXPECT_EQ(page->VoltsSlider()->maximum(), 128);
  EXPECT_EQ(page->VoltsSlider()->pageStep(), 10);
  EXPECT_EQ(page->VoltsSlider()->singleStep(), 1);
  EXPECT_EQ(page->VoltsSlider()->value(), 100);
  EXPECT_EQ(page->VoltsText()->text(), QStringLiteral("1V = 100"));
}

TEST_F(SetupWizardTest, UnreadableFileShowsTheDefaults) {
  // No file at the settings path.
  auto session = Open(ID_SETUP_WIZARD);
  auto* rate = static_cast<CRatePage*>(session->Page(0));
  auto* channels = static_cast<CChannelsPage*>(session->Page(1));
  auto* window = static_cast<CWindowPage*>(session->Page(2));
  auto* volts = static_cast<CVoltsPage*>(session->Page(3));
  auto* filter = static_cast<CFilterPage*>(session->Page(4));
  const RotarySwitch* rateSwitch = rate->RateSwitch();
  EXPECT_EQ(rateSwitch->GetDetent(rateSwitch->GetPosition()).label, QStringLiteral("44.1K"));
  EXPECT_FLOAT_EQ(rateSwitch->GetValue(), 44100.0f);
  EXPECT_EQ(channels->ChannelsSlider()->value(), 2);
  const RotarySwitch* windowSwitch = window->WindowSwitch();
  EXPECT_EQ(windowSwitch->GetDetent(windowSwitch->GetPosition()).label,
            QStringLiteral("Rectangle"));
  EXPECT_EQ(volts->BitsSlider()->value(), 2);
  EXPECT_EQ(volts->VoltsSlider()->value(), 32000);
  EXPECT_EQ(volts->VoltsSlider()->pageStep(), 300);
  const RotarySwitch* filterSwitch = filter->FilterSwitch();
  EXPECT_EQ(filterSwitch->GetDetent(filterSwitch->GetPosition()).label, QStringLiteral("ALL PASS"));
  EXPECT_EQ(filter->FrequencySlider()->value(), 10000);
  EXPECT_EQ(filter->FrequencyText()->text(), QStringLiteral("10000 Hz"));
  EXPECT_EQ(ReadIni(), QByteArray("<missing>"));
}

TEST_F(SetupWizardTest, EndWritesPageByPageInStepOrder) {
  // Channels and VoltValue exist; the other keys are missing and get created as they come.
  WriteIni("[Card]\r\nRateIndex=3\r\nChannels=2\r\nVoltValue=30000\r\n\r\n");
  auto session = Open(ID_SETUP_WIZARD);
  CSetupWizard& wizard = session->Wizard();
  std::vector<QStringList> keysAfterPage;
  wizard.SetConfirmObserver([&](int) { keysAfterPage.push_back(KeysInFile()); });

  QTest::mouseClick(static_cast<CRatePage*>(session->Page(0))->RateSwitch(), Qt::LeftButton);
  QTest::keyClick(static_cast<CChannelsPage*>(session->Page(1))->ChannelsSlider(), Qt::Key_Left);
  const QStringList expectedTitles = {
      "Step 1\t Setup Sampling Rate",          "Step 2\t Setup Channels",
      "Step 3\t Setup Smoothing Window",       "Step 4\t Setup Voltes",
      "Step 5\t Setup Filter Frequency Point", "Step 6\t Setup complete"};
  for (int step = 0; step < 6; ++step) {
    EXPECT_EQ(wizard.StepCaption()->text(), expectedTitles[step]);
    EXPECT_EQ(wizard.NextButton()->text(),
              step == 5 ? QStringLiteral("End(&E)") : QStringLiteral("Next(&N) >>"));
    QTest::mouseClick(wizard.NextButton(), Qt::LeftButton);
  }
  EXPECT_EQ(wizard.result(), QDialog::Accepted);

  const QStringList base = {"RateIndex", "Channels", "VoltValue"};
  ASSERT_EQ(keysAfterPage.size(), 6u);
  EXPECT_EQ(keysAfterPage[0], base);
  EXPECT_EQ(keysAfterPage[1], base);
  EXPECT_EQ(keysAfterPage[2], base + QStringList{"FFTWindow"});
  EXPECT_EQ(keysAfterPage[3], base + QStringList({"FFTWindow", "Bits"}));
  const QStringList all = base + QStringList{"FFTWindow", "Bits", "FilterType", "FreqPoint"};
  EXPECT_EQ(keysAfterPage[4], all);
  EXPECT_EQ(keysAfterPage[5], all);

  const QByteArray file = ReadIni();
  EXPECT_TRUE(file.contains("RateIndex=4\r\n"));
  EXPECT_TRUE(file.contains("Channels=1\r\n"));
  EXPECT_TRUE(file.contains("VoltValue=30000\r\n"));
  EXPECT_TRUE(file.contains("Bits=16\r\n"));
}

TEST_F(SetupWizardTest, SmoothingWindowChangesTheRunningProgramOnlyAtEnd) {
  WriteIni(kFullFile);
  m_app.m_nFFTWindow = 3;
  {
    auto session = Open(ID_SETUP_WINDOW);
    auto* page = static_cast<CWindowPage*>(session->Page(0));
    QTest::mouseClick(page->WindowSwitch(), Qt::RightButton);
    EXPECT_FLOAT_EQ(page->WindowSwitch()->GetValue(), 2.0f);
    session->Wizard().OnCancel();
  }
  EXPECT_EQ(m_app.m_nFFTWindow, 3);
  EXPECT_EQ(ReadIni(), QByteArray(kFullFile));
  {
    auto session = Open(ID_SETUP_WINDOW);
    auto* page = static_cast<CWindowPage*>(session->Page(0));
    QTest::mouseClick(page->WindowSwitch(), Qt::RightButton);
    QTest::mouseClick(page->WindowSwitch(), Qt::RightButton);
    session->Wizard().OnNext();
    EXPECT_EQ(m_app.m_nFFTWindow, 3);
    session->Wizard().OnNext();
  }
  EXPECT_EQ(m_app.m_nFFTWindow, 1);
  EXPECT_TRUE(ReadIni().contains("FFTWindow=1\r\n"));
}

TEST_F(SetupWizardTest, MissingChannelsAndVoltValueAreNotCreated) {
  WriteIni("[Other]\r\nX=1\r\n\r\n");
  auto session = Open(ID_PANEL_SETUP_WIZARD);
  CSetupWizard& wizard = session->Wizard();
  for (int step = 0; step < 6; ++step) {
    if (step == 3) {
      EXPECT_EQ(wizard.StepCaption()->text(), "Step 4\t Setup Voltes Values");
    }
    wizard.OnNext();
  }
  const QStringList keys = KeysInFile();
  EXPECT_EQ(keys, QStringList({"X", "RateIndex", "FFTWindow", "Bits", "FilterType", "FreqPoint"}));
}

TEST_F(SetupWizardTest, OnlySetupCommandsOpenAWizard) {
  EXPECT_FALSE(RunSetupWizardForCommand(ID_APP_ABOUT, nullptr));
  EXPECT_EQ(CreateSetupWizardForCommand(ID_SETUP_INPUT_DEVICE, nullptr), nullptr);
}
