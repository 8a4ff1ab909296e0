#pragma once

#include <cstdint>
#include <vector>

// The spectrogram's colour maps. Each is a path through the OKLab colour space whose lightness
// rises in equal steps from the map's dark end (the lowest level) to its light end, with hue
// and colourfulness changing smoothly along the way; a colour outside what a screen can show
// loses colourfulness, never lightness. So equal differences of level look equally different,
// and every map still reads in the right order when printed in grey.
enum ColorMapKind {
  kColorMapEmber = 0,    // violet through red and orange to pale yellow
  kColorMapGlacier = 1,  // deep blue through teal to pale green
  kColorMapGrey = 2,     // near black to white
  kColorMapCount = 3
};

// A colour in sRGB, each part 0 .. 1.
struct RgbColor {
  double r = 0;
  double g = 0;
  double b = 0;
};

// The map's colour at t (0 .. 1, held there); an unknown kind is the grey map.
RgbColor ColorMapColor(int kind, double t);
const char* ColorMapName(int kind);

// An OKLab colour with its lightness (0 black .. 1 white) and its sRGB encoding.
struct OkLab {
  double L = 0;
  double a = 0;
  double b = 0;
};
RgbColor OkLabToSrgb(const OkLab& lab);
OkLab SrgbToOkLab(const RgbColor& rgb);

// 0xFFRRGGBB, as a 32-bit image keeps a pixel.
uint32_t PackColor(const RgbColor& c);

// Where a level lies on a colour bar from bottomDb to topDb: 0 at the bottom, 1 at the top,
// held within. And the level at a position.
double ColorBarPosition(double db, double bottomDb, double topDb);
double ColorBarLevel(double position, double bottomDb, double topDb);

// Colours of every stored spectrogram level: entry level - kLevelMin (a 16-bit level in steps of
// stepDb) gets the map's packed colour at its colour-bar position. Made when the map or the
// range changes, so that colouring a pixel is one look-up.
class LevelColors {
 public:
  static constexpr int kShades = 1024;  // distinct colours along the bar

  LevelColors(int kind, double bottomDb, double topDb, double stepDb);
  int Kind() const { return m_nKind; }
  double Bottom() const { return m_dBottom; }
  double Top() const { return m_dTop; }
  uint32_t operator()(int16_t level) const { return m_table[static_cast<int>(level) + 32768]; }
  // The shade at a colour-bar position, for drawing the bar.
  uint32_t AtPosition(double position) const;

 private:
  int m_nKind;
  double m_dBottom;
  double m_dTop;
  std::vector<uint32_t> m_shades;
  std::vector<uint32_t> m_table;  // 65536 entries
};
