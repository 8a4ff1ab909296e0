#pragma once

#include <string>
#include <vector>

// The navigation bar's folders and the display modes their items select, mode 600 + 10 × folder
// + item: the analyses in two and in three dimensions, then the analysers that instrument
// features draw. The one table every list of modes, name or check of a mode comes from.
struct DisplayModeInfo {
  int mode;
  const char* item;  // the navigation bar's text
  int image;         // in the navigation bar's image lists
};

constexpr int kAnalyserFolder = 2;
constexpr char kAnalyserFolderTitle[] = "ANALYSER";
constexpr int kSpectrogramMode = 620;
constexpr int kResponseMode = 621;
constexpr int kImpulseResponseMode = 622;
constexpr int kDistortionMode = 623;

// Every display mode, in folder and item order.
const std::vector<DisplayModeInfo>& DisplayModes();
// The entry of mode; nullptr when mode is none.
const DisplayModeInfo* FindDisplayMode(int mode);
inline bool IsDisplayMode(int mode) { return FindDisplayMode(mode) != nullptr; }
// True for the twelve modes of the 2-D and 3-D folders, which the scope view draws itself.
bool IsClassicDisplayMode(int mode);
// True for the 2-D and 3-D OscilloGraph, the modes a trigger selects frames for.
bool IsOscillographMode(int mode);
// "2-D Spectrum", "3-D Lissajous", "Spectrogram"; "mode N" when mode is none.
std::string DisplayModeName(int mode);
// The modes a command line or setup may name, "600..605, 610..615, 620..623".
std::string DisplayModeRanges();
