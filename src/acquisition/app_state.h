#pragma once

#include <cstdint>
#include <string>

#include "acquisition/config_file.h"
#include "acquisition/spectrum_options.h"
#include "acquisition/wave_in_capture.h"

// The state the application object owns and every window reads: the seven persisted acquisition
// settings and what derives from them, the run-time display state, the five paths beside the
// executable, the settings file and the capture engine. The application object derives from it;
// lower layers reach it through CurrentApp() (current_app.h).
class AppState {
 public:
  AppState();
  virtual ~AppState();
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;

  // Reads "Card" from m_szIniPath (or, the first time the files live in the user's folder, from
  // m_szProgramIniPath), writes the defaults when the file is missing, repairs every
  // value out of range (saving after each repair) and sets m_nSampleRate.
  void LoadSettings();
  // Frame length, FFT order and size from m_nSampleRate.
  void ComputeDerived();
  // Builds the five paths from the program directory (the user's configuration folder stands in
  // for it when it is not writable).
  void BuildPaths(const std::string& directory);
  // The run-time state as at start-up: mode 602, power off, scales 250, time base 1, settings
  // unset.
  void ResetRuntimeState();

  int m_nRateIndex = -1;
  int m_nDisplayMode = 602;
  int m_bPowerOn = 0;
  float m_fTimeBase = 1.0f;
  float m_fLeftScale = 250.0f;
  float m_fRightScale = 250.0f;
  int m_nFilterType = -1;
  int m_nFreqPoint = -1;
  int m_nFFTWindow = -1;
  int m_nVoltValue = -1;
  uint16_t m_nChannels = 0xFFFF;
  uint32_t m_nSampleRate = 0;
  uint16_t m_nBits = 0xFFFF;
  int m_nSamplesPerView = 0;
  int m_nFftSize = 0;
  int m_nFftOrder = 0;

  // The live display: refreshed with the screen from the capture ring instead of once per
  // half-second buffer. Off unless chosen (per-user profile, --live); it does not change while
  // a scope view lives.
  int m_bLive = 0;
  // 3-D curtains a second in Live: 2, 5, 10, 20 or 30.
  int m_nCurtainRate = 10;
  // Analysis passes run (both modes), and screen refreshes Live let go because a pass was late.
  uint64_t m_nAnalysisUpdates = 0;
  uint64_t m_nSkippedRefreshes = 0;
  // The spectrum analyser's choices (per-user profile, command line); described by default.
  SpectrumOptions m_spectrum;

  ConfigFile m_config;
  WaveInCapture m_capture;

  std::string m_szIniPath;
  std::string m_szExportPath;
  std::string m_szTmpBmpPath;
  std::string m_szBmpPath;
  std::string m_szHelpPath;
  // The settings file beside the program when the files moved to the user's configuration folder
  // (read once when that folder has none yet); empty otherwise.
  std::string m_szProgramIniPath;
};

// True for the folder of an installed program (a system folder such as /usr/bin, or a folder whose
// help file lives in ../share/aurivue), false for a built program's folder.
bool IsInstalledProgramDirectory(const std::string& directory);

// Rate table: index 1..5 to hertz; any other index gives 44100.
uint32_t RateForIndex(int rateIndex);
