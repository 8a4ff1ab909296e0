#include "analysis/color_map.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

double Encode(double linear) {
  return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

double Decode(double encoded) {
  return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

struct Linear {
  double r, g, b;
};

Linear OkLabToLinear(const OkLab& c) {
  const double l = std::pow(c.L + 0.3963377774 * c.a + 0.2158037573 * c.b, 3);
  const double m = std::pow(c.L - 0.1055613458 * c.a - 0.0638541728 * c.b, 3);
  const double s = std::pow(c.L - 0.0894841775 * c.a - 1.2914855480 * c.b, 3);
  return {4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s,
          -1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s,
          -0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s};
}

bool InGamut(const Linear& c) {
  constexpr double kSlack = 1e-9;
  return c.r >= -kSlack && c.r <= 1 + kSlack && c.g >= -kSlack && c.g <= 1 + kSlack &&
         c.b >= -kSlack && c.b <= 1 + kSlack;
}

// Lightness, chroma and hue (degrees) of the map at t, before the chroma is fitted to sRGB.
struct Lch {
  double L, C, h;
};

Lch PathOf(int kind, double t) {
  switch (kind) {
    case kColorMapEmber:
      return {0.22 + 0.75 * t, 0.18 * std::pow(std::sin(kPi * std::min(t * 1.05, 1.0)), 0.7),
              300.0 + 170.0 * t};
    case kColorMapGlacier:
      return {0.22 + 0.74 * t, 0.04 + 0.10 * std::sin(kPi * t), 265.0 - 150.0 * t};
    default:
      return {0.22 + 0.78 * t, 0.0, 0.0};
  }
}

}  // namespace

RgbColor OkLabToSrgb(const OkLab& lab) {
  const Linear c = OkLabToLinear(lab);
  return {Encode(std::clamp(c.r, 0.0, 1.0)), Encode(std::clamp(c.g, 0.0, 1.0)),
          Encode(std::clamp(c.b, 0.0, 1.0))};
}

OkLab SrgbToOkLab(const RgbColor& rgb) {
  const double r = Decode(rgb.r), g = Decode(rgb.g), b = Decode(rgb.b);
  const double l = std::cbrt(0.4122214708 * r + 0.5363355242 * g + 0.0514459929 * b);
  const double m = std::cbrt(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
  const double s = std::cbrt(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
  return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
          1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
          0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

RgbColor ColorMapColor(int kind, double t) {
  t = std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0);
  const Lch p = PathOf(kind, t);
  const double h = p.h * kPi / 180.0;
  const double ca = std::cos(h), sa = std::sin(h);
  // The most chroma up to the path's that the screen can show at this lightness and hue.
  double lo = 0.0, hi = p.C;
  if (!InGamut(OkLabToLinear({p.L, hi * ca, hi * sa}))) {
    for (int i = 0; i < 40; ++i) {
      const double mid = (lo + hi) / 2;
      (InGamut(OkLabToLinear({p.L, mid * ca, mid * sa})) ? lo : hi) = mid;
    }
    hi = lo;
  }
  return OkLabToSrgb({p.L, hi * ca, hi * sa});
}

const char* ColorMapName(int kind) {
  switch (kind) {
    case kColorMapEmber:
      return "Ember";
    case kColorMapGlacier:
      return "Glacier";
    default:
      return "Grey";
  }
}

uint32_t PackColor(const RgbColor& c) {
  auto part = [](double v) {
    return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
  };
  return 0xFF000000u | (part(c.r) << 16) | (part(c.g) << 8) | part(c.b);
}

double ColorBarPosition(double db, double bottomDb, double topDb) {
  if (!(topDb > bottomDb) || std::isnan(db)) return 0.0;
  return std::clamp((db - bottomDb) / (topDb - bottomDb), 0.0, 1.0);
}

double ColorBarLevel(double position, double bottomDb, double topDb) {
  return bottomDb + std::clamp(position, 0.0, 1.0) * (topDb - bottomDb);
}

LevelColors::LevelColors(int kind, double bottomDb, double topDb, double stepDb)
    : m_nKind(kind >= 0 && kind < kColorMapCount ? kind : kColorMapGrey),
      m_dBottom(bottomDb),
      m_dTop(topDb > bottomDb ? topDb : bottomDb + 1),
      m_shades(kShades),
      m_table(65536) {
  for (int i = 0; i < kShades; ++i) {
    m_shades[i] = PackColor(ColorMapColor(m_nKind, static_cast<double>(i) / (kShades - 1)));
  }
  for (int i = 0; i < 65536; ++i) {
    m_table[i] = AtPosition(ColorBarPosition((i - 32768) * stepDb, m_dBottom, m_dTop));
  }
}

uint32_t LevelColors::AtPosition(double position) const {
  const double p = std::isnan(position) ? 0.0 : std::clamp(position, 0.0, 1.0);
  return m_shades[static_cast<int>(std::lround(p * (kShades - 1)))];
}
