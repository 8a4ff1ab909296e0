// Each feature's own menu items, where it puts them among the frame's: a block of items in a
// menu found by its name, beginning at the feature's first item.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <map>
#include <string>
#include <vector>

#include "features/instrument_feature.h"
#include "platform/message_box.h"
#include "platform/wave_in.h"
#include "shell/aurivue_app.h"
#include "shell/main_frame.h"

namespace {

struct Item {
  const char* text;  // nullptr: a separator
  int id;            // 0 for a submenu
  const char* prompt;
};

struct FeatureBlock {
  const char* name;  // the feature's, for the failure message
  const char* menu;  // the menu's name without its '&'
  std::vector<Item> items;
};

const std::vector<FeatureBlock>& Blocks() {
  static const std::vector<FeatureBlock> blocks = {
#if AURIVUE_FEATURE_DATA_OUT
    {"data out", "File", {{"Export &CSV...", 32940, "Export what the display shows as CSV"}}},
    {"data out",
     "File",
     {{"&Record...", 32941, "Record every captured sample into a file"},
      {"Open Rec&ording...", 32942, "Play a recording as the input"},
      {"Recent Recor&dings", 0, ""},
      {nullptr, 0, nullptr}}},
#endif
    {"setups",
     "File",
     {{"Open Set&up...", 32947, "Set the instrument up as a setup file says"},
      {"Save Setu&p...", 32948, "Save the whole state of the instrument as a setup file"},
      {nullptr, 0, nullptr},
      {"E&xit\tCtrl+x", 57665, "Quit Aurivue2.0"}}},
#if AURIVUE_FEATURE_LIVE
    {"live",
     "Setup",
     {{"Input &Device\tCtrl+D", 141, "Set Input Device "},
      {"Input Device &List...", 32901, "Choose the recording device by name"},
      {"&Filter Setup\tCtrl+F", 32824, "Filter setup"}}},
    {"live",
     "View",
     {{"&Live display\tF5", 32900, "Redraw with the screen from the newest samples"},
      {"3-D &Curtains a Second", 0, ""},
      {nullptr, 0, nullptr}}},
#endif
#if AURIVUE_FEATURE_MEASURE
    {"measurements",
     "View",
     {{nullptr, 0, nullptr},
      {"&Measurements", 32960, "Show or hide the measurements beside the display"},
      {"Measurement &Log...", 32961, "Write every measurement update to a CSV file, or stop"},
      {"&Reset Measurement Statistics", 32962, "Start the measurement statistics again"}}},
#endif
#if AURIVUE_FEATURE_TRIGGER
    {"trigger",
     "Trigger",
     {{"Trigger &Setup...\tCtrl+T", 33160, "Set up the oscillograph's trigger"},
      {nullptr, 0, nullptr},
      {"&Off", 33161, "Trigger mode"},
      {"&Auto", 33162, "Trigger mode"},
      {"&Normal", 33163, "Trigger mode"},
      {"S&ingle", 33164, "Trigger mode"},
      {nullptr, 0, nullptr},
      {"So&urce", 0, ""},
      {"S&lope", 0, ""},
      {"Ro&ll at 20 ms/div and Slower", 33172,
       "Live display: the trace scrolls from the right, untriggered"},
      {nullptr, 0, nullptr},
      {"Level to &50 %\tCtrl+L", 33170, "Trigger level to the middle of the newest frame"},
      {"&Re-arm Single\tF9", 33171, "Wait for the next trigger"}}},
#endif
#if AURIVUE_FEATURE_SPECTRUM
    {"spectrum analyser",
     "Spectrum",
     {{"&FFT Size", 0, ""},
      {"&Amplitude Scale", 0, ""},
      {"Frequency A&xis", 0, ""},
      {"Level &Range", 0, ""},
      {"A&veraging", 0, ""},
      {"Peak &Decay", 0, ""},
      {nullptr, 0, nullptr},
      {"Flat-&Top Window for Levels", 33260, "Read tone levels through the flat-top window"},
      {"&Peak Hold", 33261, "Show the highest level each frequency reached"},
      {"&Minimum Hold", 33262, "Show the lowest level each frequency reached"},
      {"R&eset Averages and Holds", 33299, "Start the averages and the holds afresh"}}},
#endif
#if AURIVUE_FEATURE_GENERATOR
    {"generator",
     "Generator",
     {{"Generator &Panel", 33700, "Show or hide the signal generator's controls"},
      {"&Output On", 33701, "Play the generator on the output, independent of POWER"}}},
#endif
#if AURIVUE_FEATURE_RESPONSE
    {"response analyser",
     "Response",
     {{"&Dual Channel", 33600,
       "Measure with any stimulus: one input is the reference, the other the device's output"},
      {"&Swept Sine", 33601,
       "Measure with a logarithmic sweep: response, impulse response and distortion"},
      {nullptr, 0, nullptr},
      {"Reference &Left", 33602, "The left input carries what goes into the device"},
      {"Reference &Right", 33603, "The right input carries what goes into the device"},
      {nullptr, 0, nullptr},
      {"Average L&inear", 33604,
       "Average every transform since POWER on or the last restart alike"},
      {"Average &Exponential", 33605,
       "Let older transforms fade, so that the response follows a change"},
      {"Res&tart Averages", 33606, "Forget the averages and start again"},
      {"Start S&weep", 33607, "Play the sweep on the generator and measure it"},
      {nullptr, 0, nullptr},
      {"S&moothing", 0, ""},
      {"&Unwrapped Phase", 33608,
       "Show the phase continuous instead of within -180 .. 180 degrees"},
      {"&Group Delay", 33609, "Show the group delay below the magnitude instead of the phase"},
      {nullptr, 0, nullptr},
      {"Store Re&ference Trace", 33610,
       "Keep the response shown now, to compare the next ones against"},
      {"&Clear Reference Trace", 33611, "Forget the stored response"}}},
#endif
#if AURIVUE_FEATURE_SPECTROGRAM
    {"spectrogram",
     "Spectrogram",
     {{"&Colour Map", 0, ""},
      {"&Range", 0, ""},
      {"&Time Span", 0, ""},
      {"&Overlap", 0, ""},
      {nullptr, 0, nullptr},
      {"&Pause", 34440, "Hold the picture; the history goes on filling"},
      {"Scroll &Back", 34441, "Show the history half a span earlier"},
      {"Scroll &Forward", 34442, "Show the history half a span later"},
      {"&Newest", 34443, "Go on with the newest columns"}}},
#endif
#if AURIVUE_FEATURE_CURSORS
    {"cursors",
     "Cursors",
     {{"Cursor X&1", 33400, "A vertical cursor: drag it, or press 1 over the chart"},
      {"Cursor X&2", 33401, "A second vertical cursor: its distance to X1 reads"},
      {"Cursor Y&1", 33402, "A horizontal cursor: drag it, or press 3 over the chart"},
      {"Cursor Y&2", 33403, "A second horizontal cursor: its distance to Y1 reads"},
      {nullptr, 0, nullptr},
      {"&Track the Trace", 33404, "The vertical cursors read the trace where they stand"},
      {"&Snap to Edges and Peaks", 33405,
       "A vertical cursor let go near an edge or a peak goes onto it"},
      {nullptr, 0, nullptr},
      {"&Peak Marker", 33406, "A marker on the highest peak of the spectrum"},
      {"&Next Peak Marker", 33407, "One more marker, on the next lower peak (up to 8)"},
      {"Peak Search &Continuous", 33408, "Marker 1 follows the highest peak"},
      {"Marker 1 is the &Reference", 33409, "The other markers read their distance to marker 1"},
      {"C&lear Markers", 33410, "Takes the markers away"},
      {"Marker &Table", 33411, "The markers' frequencies and levels beside the chart"}}},
#endif
  };
  return blocks;
}

class FeatureMenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QStandardPaths::setTestModeEnabled(true);
    ASSERT_TRUE(instanceDir.isValid());
    setenv("AURIVUE_INSTANCE_DIR", instanceDir.path().toLocal8Bit().constData(), 1);
    std::string error;
    ASSERT_TRUE(SelectWaveInput("tone:1000", &error)) << error;
    CommandLineOptions options;
    options.splashMs = 0;
    ASSERT_TRUE(app.InitInstance(*static_cast<QApplication*>(QApplication::instance()), options));
    frame = app.MainFrame();
    ASSERT_NE(frame, nullptr);
  }
  void TearDown() override {
    app.ExitInstance();
    unsetenv("AURIVUE_INSTANCE_DIR");
  }

  MessageRecorder messages;
  QTemporaryDir instanceDir;
  CAurivueApp app;
  CMainFrame* frame = nullptr;
};

}  // namespace

TEST_F(FeatureMenusTest, EachFeaturePutsItsItemsWhereItsMenuHasThem) {
  for (const FeatureBlock& block : Blocks()) {
    SCOPED_TRACE(std::string(block.name) + " in " + block.menu);
    QMenu* menu = MenuNamed(frame->menuBar(), block.menu);
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> items = menu->actions();
    // The block begins at its first item, or just before its second when it opens with a
    // separator.
    const bool leadingSeparator = block.items.front().text == nullptr;
    const QString first = block.items[leadingSeparator ? 1 : 0].text;
    int at = -1;
    for (int i = 0; i < items.size(); ++i) {
      if (items[i]->text() == first) at = leadingSeparator ? i - 1 : i;
    }
    ASSERT_GE(at, 0) << first.toStdString();
    ASSERT_LE(at + static_cast<int>(block.items.size()), items.size());
    for (std::size_t k = 0; k < block.items.size(); ++k) {
      const Item& e = block.items[k];
      const QAction* a = items[at + static_cast<int>(k)];
      if (e.text == nullptr) {
        EXPECT_TRUE(a->isSeparator()) << k;
        continue;
      }
      EXPECT_EQ(a->text(), e.text);
      EXPECT_EQ(a->data().toInt(), e.id) << e.text;
      EXPECT_EQ(a->statusTip(), e.prompt) << e.text;
      EXPECT_EQ(a->menu() != nullptr, e.id == 0) << e.text;
      EXPECT_TRUE(a->shortcut().isEmpty()) << "key hints are text only: " << e.text;
    }
  }
}

// Two items of one command would run each other's feature: every command id belongs to one item
// of the whole menu bar, hidden menus and submenus included.
TEST_F(FeatureMenusTest, EveryCommandIdBelongsToOneItem) {
  std::map<int, QString> seen;
  std::vector<const QMenu*> menus;
  for (const QAction* a : frame->menuBar()->actions()) {
    if (a->menu() != nullptr) menus.push_back(a->menu());
  }
  for (std::size_t m = 0; m < menus.size(); ++m) {
    for (const QAction* item : menus[m]->actions()) {
      if (item->menu() != nullptr) {
        menus.push_back(item->menu());
        continue;
      }
      const int id = item->data().toInt();
      if (item->isSeparator() || id == 0) continue;
      const auto [at, fresh] = seen.emplace(id, item->text());
      EXPECT_TRUE(fresh) << id << ": " << at->second.toStdString() << " and "
                         << item->text().toStdString();
    }
  }
  EXPECT_GT(seen.size(), 40u);
}

TEST_F(FeatureMenusTest, TheFeaturesMenusStandBetweenSetupAndHelp) {
  std::vector<QString> titles;
  // The menus a Classic window shows: the analysers' menus show with their displays only, and
  // the other new instruments' menus are submenus of View.
  for (const QAction* a : frame->menuBar()->actions()) {
    if (a->isVisible()) titles.push_back(a->text());
  }
  std::vector<QString> expected = {"&File", "&Setup", "&View"};
#if AURIVUE_FEATURE_TRIGGER
  expected.push_back("&Trigger");
#endif
  expected.push_back("S&pectrum");
  expected.push_back("&Help");
  EXPECT_EQ(titles, expected);
  for (const char* name : {"Generator", "Spectrogram", "Cursors"}) {
    EXPECT_NE(MenuNamed(frame->menuBar(), name), nullptr) << name << " under View";
  }
}
