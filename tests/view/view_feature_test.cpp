// A feature's own display through the real scope view: the view hands it the set-up, compute,
// teardown, print and export steps of its mode, and keeps the described modes to itself.
#include "view/view_feature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/device_context.h"
#include "view/csv_export.h"
#include "view/display_modes.h"
#include "view/view_csv_export.h"
#include "view_test_support.h"

namespace {

class RecordingDisplay : public ViewFeature {
 public:
  explicit RecordingDisplay(int mode) : m_mode(mode) {}
  bool ShowsDisplay(int mode) const override { return mode == m_mode; }
  void SetupDisplay(CAurivueView&, int mode) override { steps.push_back("setup " + Num(mode)); }
  void ComputeDisplay(CAurivueView& view, int mode) override {
    steps.push_back("compute " + Num(mode));
    firstSample = view.LeftSamples()[0];
  }
  bool LiveDisplay(CAurivueView&, int mode) override {
    steps.push_back("live " + Num(mode));
    return true;
  }
  void TeardownDisplay(CAurivueView&, int mode) override {
    steps.push_back("teardown " + Num(mode));
  }
  void PrintDisplay(CAurivueView&, int mode, DeviceContext&) override {
    steps.push_back("print " + Num(mode));
  }
  bool DisplayCsvRows(CAurivueView&, int, std::string& rows) override {
    rows = "frequency_hz,gain_db\n1000,-3\n";
    return true;
  }

  std::vector<std::string> steps;
  double firstSample = 0;

 private:
  static std::string Num(int v) { return std::to_string(v); }
  int m_mode;
};

struct Hosted {
  ScopeViewHost host{2, 16, 8000};
  RecordingDisplay display{kResponseMode};

  CAurivueView& Make(int mode) {
    host.app.m_nDisplayMode = mode;
    host.view = std::make_unique<CAurivueView>(&host.doc);
    host.view->SetFeatures({&display});
    host.view->resize(800, 501);
    host.view->OnInitialUpdate();
    return *host.view;
  }
};

TEST(ViewFeature, ItsDisplayGetsEveryStepOfItsMode) {
  Hosted h;
  CAurivueView& view = h.Make(kResponseMode);
  h.host.Fill([](size_t f, int) { return f == 0 ? 1000 : 0; });
  h.host.Deliver();
  EXPECT_NE(h.display.firstSample, 0.0) << "the feature computes from the decoded frame";
  QImage page(100, 100, QImage::Format_RGB32);
  DeviceContext dc(&page);
  view.OnDraw(dc);
  const std::string csv = DisplayedCsvText(view, h.host.app, "2026-12-09T18:00:00+00:00");
  EXPECT_NE(csv.find("# mode: 621 Response\n"), std::string::npos) << csv;
  const std::string rows = "frequency_hz,gain_db\n1000,-3\n";
  ASSERT_GT(csv.size(), rows.size());
  EXPECT_EQ(csv.substr(csv.size() - rows.size()), rows) << csv;
  EXPECT_EQ(csv.find(",\n# "), std::string::npos) << "no empty header between the lines and rows";
  h.host.view.reset();
  EXPECT_EQ(h.display.steps,
            (std::vector<std::string>{"setup 621", "compute 621", "print 621", "teardown 621"}));
}

TEST(ViewFeature, DescribedModesStayWithTheView) {
  Hosted h;
  h.Make(602);
  h.host.Fill([](size_t, int) { return 100; });
  h.host.Deliver();
  h.host.view.reset();
  EXPECT_TRUE(h.display.steps.empty());
}

TEST(ViewFeature, ItsDisplayIsTornDownWhenTheViewGoesForAnotherMode) {
  // The frame sets the next mode before the old view goes, so the view's own teardown step
  // names the next mode; the display it showed still gets its teardown, once.
  for (int next : {602, kSpectrogramMode, kResponseMode}) {
    Hosted h;
    h.Make(kResponseMode);
    h.host.app.m_nDisplayMode = next;
    h.host.view.reset();
    EXPECT_EQ(h.display.steps, (std::vector<std::string>{"setup 621", "teardown 621"})) << next;
  }
}

TEST(DisplayModes, OneTableNamesAndChecksEveryMode) {
  const struct {
    int mode;
    bool known;
    bool classic;
    bool oscillograph;
    const char* name;
  } cases[] = {
      {600, true, true, false, "2-D Spectrum"},      {602, true, true, true, "2-D OscilloGraph"},
      {612, true, true, true, "3-D OscilloGraph"},   {615, true, true, false, "3-D Power Spectrum"},
      {606, false, false, false, "mode 606"},        {616, false, false, false, "mode 616"},
      {620, true, false, false, "Spectrogram"},      {621, true, false, false, "Response"},
      {622, true, false, false, "Impulse Response"}, {623, true, false, false, "Distortion"},
      {624, false, false, false, "mode 624"}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsDisplayMode(c.mode), c.known) << c.mode;
    EXPECT_EQ(IsClassicDisplayMode(c.mode), c.classic) << c.mode;
    EXPECT_EQ(IsOscillographMode(c.mode), c.oscillograph) << c.mode;
    EXPECT_EQ(DisplayModeName(c.mode), c.name);
  }
  EXPECT_EQ(DisplayModeRanges(), "600..605, 610..615, 620..623");
}

}  // namespace
