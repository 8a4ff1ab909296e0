// The spectrogram in the running program: its place in the analyser folder, its menu's choices
// kept in the profile, and pausing and scrolling through the history while the input goes on.
#include <gtest/gtest.h>

#include <QStandardPaths>
#include <chrono>

#include "e2e_reliability_support.h"
#include "features/spectrogram/spectrogram_feature.h"
#include "platform/message_target.h"
#include "platform/user_profile.h"
#include "shell/main_frame.h"
#include "shell/nav_bar_ctrl.h"
#include "shell/scripted_run.h"
#include "support/private_profile.h"
#include "view/aurivue_view.h"
#include "view/display_modes.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

SpectrogramFeature* FeatureOf(CAurivueView* view) {
  if (view == nullptr) return nullptr;
  for (ViewFeature* f : view->Features()) {
    if (auto* s = dynamic_cast<SpectrogramFeature*>(f)) return s;
  }
  return nullptr;
}

}  // namespace

TEST(SpectrogramSessionTest, MenuChoicesPauseAndScrollBack) {
  const support::PrivateProfile profile;
  QStandardPaths::setTestModeEnabled(true);
  UserProfile().remove("Spectrogram");
  CurrentSpectrogramOptions() = SpectrogramOptions();
  AppSession session("tone:1000");
  ASSERT_TRUE(session.ok()) << session.error();
  SelectDisplayMode(session.Frame(), kSpectrogramMode);
  ASSERT_EQ(session.App().m_nDisplayMode, kSpectrogramMode);
  SpectrogramFeature* feature = FeatureOf(session.View());
  ASSERT_NE(feature, nullptr);
  ASSERT_NE(feature->Display(), nullptr);
  EXPECT_EQ(feature->Display()->Channels(), session.App().m_nChannels == 2 ? 2 : 1);

  session.ClickPower();
  ASSERT_TRUE(PumpUntil([&] { return feature->Display()->Producer().Transforms() > 20; }, 20s));

  // The menu's choices: the look changes in place (same history), the overlap makes the
  // transforms anew; each is kept in the profile.
  const SpectrogramDisplay* before = feature->Display();
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_MAP_FIRST + kColorMapGrey);
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_SPAN_FIRST + 0);
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_RANGE_FIRST + 0);
  EXPECT_EQ(feature->Display(), before);
  EXPECT_EQ(feature->Display()->Chart(0).Axes().spanSeconds, 5);
  EXPECT_EQ(feature->Display()->Chart(0).Axes().dbBottom, SpectrogramRanges()[0].bottom);
  EXPECT_EQ(LoadSpectrogramProfile().colorMap, kColorMapGrey);
  EXPECT_EQ(LoadSpectrogramProfile().spanSeconds, 5);
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_OVERLAP_50);
  feature = FeatureOf(session.View());
  ASSERT_NE(feature, nullptr);
  ASSERT_NE(feature->Display(), nullptr);
  EXPECT_EQ(feature->Display()->Producer().Hop(), feature->Display()->Producer().Size() / 2);
  EXPECT_EQ(LoadSpectrogramProfile().overlapPercent, 50);

  // Paused, the picture holds while the history fills; back and forward move it by half a
  // span; Newest goes on with the input. First a span and a half of history (5 s a span).
  SpectrogramDisplay* display = feature->Display();
  const SpectrogramRaster& raster = display->Picture(0)->Raster();
  const int width = raster.Columns();
  auto kept = [&] {
    const int64_t oldest = raster.ColumnOf(display->Producer().History().First()) + 1;
    return display->Picture(0)->EndColumn() - oldest;
  };
  ASSERT_TRUE(PumpUntil([&] { return kept() > width * 3 / 2; }, 30s)) << kept() << " " << width;
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_PAUSE);
  ASSERT_TRUE(display->Paused());
  const int64_t held = display->ShownEnd();
  const int64_t transforms = display->Producer().Transforms();
  ASSERT_TRUE(PumpUntil([&] { return display->Producer().Transforms() > transforms + 10; }, 20s));
  EXPECT_EQ(display->ShownEnd(), held);
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_BACK);
  EXPECT_EQ(display->ShownEnd(), held - width / 2);
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_BACK);
  EXPECT_GE(display->ShownEnd(), held - width) << "never before the oldest kept";
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_FORWARD);
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_FORWARD);
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_FORWARD);
  EXPECT_TRUE(display->Paused());
  EXPECT_EQ(display->ShownEnd(), display->Picture(0)->EndColumn()) << "never past the newest";
  SendCommandTo(session.Frame(), ID_SPECTROGRAM_NEWEST);
  EXPECT_FALSE(display->Paused());
  EXPECT_EQ(display->ShownEnd(), display->Picture(0)->EndColumn());
  EXPECT_GT(display->ShownEnd(), held);

  session.ClickPower();
  UserProfile().remove("Spectrogram");
  CurrentSpectrogramOptions() = SpectrogramOptions();
}

TEST(SpectrogramSessionTest, LeavingForAnotherDisplayLetsItsChartsGo) {
  const support::PrivateProfile profile;
  QStandardPaths::setTestModeEnabled(true);
  AppSession session("tone:1000");
  ASSERT_TRUE(session.ok()) << session.error();
  SelectDisplayMode(session.Frame(), kSpectrogramMode);
  SpectrogramFeature* feature = FeatureOf(session.View());
  ASSERT_NE(feature, nullptr);
  ASSERT_NE(feature->Display(), nullptr);
  // The display's charts were children of the view that went; holding on to them would leave
  // the feature with charts of a window that is no more.
  for (int mode : {602, kResponseMode}) {
    SelectDisplayMode(session.Frame(), mode);
    ASSERT_EQ(session.App().m_nDisplayMode, mode);
    EXPECT_EQ(feature->Display(), nullptr) << mode;
    SelectDisplayMode(session.Frame(), kSpectrogramMode);
    ASSERT_NE(feature->Display(), nullptr) << mode;
    EXPECT_EQ(&feature->Display()->View(), session.View()) << mode;
  }
}
