#include "analysis/color_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// CIELAB of an sRGB colour (D65), from the sRGB and CIE definitions rather than the code's OKLab.
struct CieLab {
  double L, a, b;
};

CieLab ToCieLab(const RgbColor& c) {
  auto lin = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  const double r = lin(c.r), g = lin(c.g), b = lin(c.b);
  const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
  const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
  auto f = [](double t) {
    return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
  };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

RgbColor Unpack(uint32_t p) {
  return {((p >> 16) & 0xFF) / 255.0, ((p >> 8) & 0xFF) / 255.0, (p & 0xFF) / 255.0};
}

TEST(AnalysisColorMapTest, LightnessRisesEvenlyAlongEveryMap) {
  struct Case {
    int kind;
    double darkest, lightest;  // CIE L* at the ends
    double chroma;             // the most colourfulness (CIELAB) somewhere along the map
  };
  for (const Case c : {Case{kColorMapEmber, 9.5, 95, 40}, Case{kColorMapGlacier, 9.5, 95, 25},
                       Case{kColorMapGrey, 9.5, 100, 0}}) {
    SCOPED_TRACE(ColorMapName(c.kind));
    // Continuous: strictly rising, in near-equal steps.
    double minStep = 1e9, maxStep = 0, chroma = 0;
    CieLab prev = ToCieLab(ColorMapColor(c.kind, 0));
    EXPECT_NEAR(prev.L, c.darkest, 3);
    for (int i = 1; i <= 256; ++i) {
      const RgbColor rgb = ColorMapColor(c.kind, i / 256.0);
      for (double v : {rgb.r, rgb.g, rgb.b}) ASSERT_TRUE(v >= 0 && v <= 1);
      const CieLab lab = ToCieLab(rgb);
      const double step = lab.L - prev.L;
      ASSERT_GT(step, 0) << "at " << i;
      minStep = std::min(minStep, step);
      maxStep = std::max(maxStep, step);
      chroma = std::max(chroma, std::hypot(lab.a, lab.b));
      if (c.kind == kColorMapGrey) {
        EXPECT_NEAR(lab.a, 0, 0.5);
        EXPECT_NEAR(lab.b, 0, 0.5);
      }
      prev = lab;
    }
    EXPECT_NEAR(prev.L, c.lightest, 5);
    EXPECT_LT(maxStep / minStep, 2.5);
    EXPECT_GE(chroma, c.chroma);
    // As an 8-bit screen shows it, 64 shades still rise.
    double last = -1;
    for (int i = 0; i < 64; ++i) {
      const double L = ToCieLab(Unpack(PackColor(ColorMapColor(c.kind, i / 63.0)))).L;
      ASSERT_GT(L, last) << "shade " << i;
      last = L;
    }
  }
}

TEST(AnalysisColorMapTest, OkLabRoundTripsAndKnownColours) {
  struct Case {
    RgbColor rgb;
    double L;
  };
  // White is L 1, black 0; the round trip holds for colours inside the screen's range to the
  // precision of the published matrices.
  for (const Case c : {Case{{1, 1, 1}, 1.0}, Case{{0, 0, 0}, 0.0}, Case{{1, 0, 0}, 0.62796},
                       Case{{0, 0, 1}, 0.45201}, Case{{0.2, 0.6, 0.4}, -1}}) {
    const OkLab lab = SrgbToOkLab(c.rgb);
    if (c.L >= 0) {
      EXPECT_NEAR(lab.L, c.L, 1e-4);
    }
    const RgbColor back = OkLabToSrgb(lab);
    EXPECT_NEAR(back.r, c.rgb.r, 5e-5);
    EXPECT_NEAR(back.g, c.rgb.g, 5e-5);
    EXPECT_NEAR(back.b, c.rgb.b, 5e-5);
  }
}

TEST(AnalysisColorMapTest, ColourBarMapsItsRangeAndHoldsLevelsBeyondIt) {
  struct Case {
    double db, position;
  };
  const double bottom = -120, top = -20;
  const LevelColors colors(kColorMapGlacier, bottom, top, 0.01);
  for (const Case c :
       {Case{-120, 0}, Case{-20, 1}, Case{-70, 0.5}, Case{-95, 0.25}, Case{-200, 0}, Case{0, 1}}) {
    EXPECT_DOUBLE_EQ(ColorBarPosition(c.db, bottom, top), c.position) << c.db;
    if (c.db >= bottom && c.db <= top) {
      EXPECT_NEAR(ColorBarLevel(c.position, bottom, top), c.db, 1e-9);
    }
    const int16_t stored = static_cast<int16_t>(std::lround(c.db * 100));
    EXPECT_EQ(colors(stored), colors.AtPosition(c.position)) << c.db;
  }
  // Shades rise in lightness along the levels of the range and stay put beyond it.
  double last = -1;
  for (int level = -13000; level <= -1000; level += 25) {
    const double L = ToCieLab(Unpack(colors(static_cast<int16_t>(level)))).L;
    if (level <= -12000) {
      EXPECT_EQ(colors(static_cast<int16_t>(level)), colors.AtPosition(0));
    } else if (level >= -2000) {
      EXPECT_EQ(colors(static_cast<int16_t>(level)), colors.AtPosition(1));
    } else {
      // Allowing for the rounding of shades to 8 bits.
      EXPECT_GE(L, last - 0.1) << level;
    }
    last = L;
  }
  EXPECT_EQ(colors(-32767), colors.AtPosition(0));
  EXPECT_EQ(colors(32767), colors.AtPosition(1));
}

}  // namespace
