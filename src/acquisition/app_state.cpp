#include "acquisition/app_state.h"

#include "acquisition/current_app.h"
#include "platform/file_services.h"

namespace {
const char kCard[] = "Card";

// Folders of the system and of installed software: whoever runs a program from one of them
// (root too, who may write there), its settings and files are the user's own business.
bool InSystemFolder(const std::string& dir) {
  for (const char* prefix : {"/usr", "/bin", "/sbin", "/lib", "/opt", "/snap", "/app", "/nix"}) {
    const std::string p = prefix;
    if (dir.compare(0, p.size(), p) == 0 && (dir.size() == p.size() || dir[p.size()] == '/')) {
      return true;
    }
  }
  return false;
}
}  // namespace

bool IsInstalledProgramDirectory(const std::string& directory) {
  if (InSystemFolder(directory)) return true;
  // Installed anywhere else (a package unpacked into a folder, a private prefix): the help file
  // is with the shared files, not beside the program as in a build folder.
  return !FileExists(JoinPath(directory, "Aurivue.hlp")) &&
         FileExists(JoinPath(directory, "../share/aurivue/Aurivue.hlp"));
}

uint32_t RateForIndex(int rateIndex) {
  switch (rateIndex) {
    case 1:
      return 11025;
    case 2:
      return 22050;
    case 3:
      return 44100;
    case 4:
      return 48000;
    case 5:
      return 96000;
    default:
      return 44100;
  }
}

AppState::AppState() {
  if (!HasCurrentApp()) SetCurrentApp(this);
}

AppState::~AppState() {
  if (HasCurrentApp() && &CurrentApp() == this) SetCurrentApp(nullptr);
}

void AppState::ResetRuntimeState() {
  m_nDisplayMode = 602;
  m_bPowerOn = 0;
  m_fLeftScale = 250.0f;
  m_fRightScale = 250.0f;
  m_fTimeBase = 1.0f;
  m_nRateIndex = -1;
  m_nChannels = 0xFFFF;
  m_nBits = 0xFFFF;
  m_nFFTWindow = -1;
  m_nVoltValue = -1;
  m_nFilterType = -1;
  m_nFreqPoint = -1;
  m_szIniPath.clear();
  m_szExportPath.clear();
  m_szTmpBmpPath.clear();
  m_szBmpPath.clear();
  m_szHelpPath.clear();
  m_szProgramIniPath.clear();
}

void AppState::BuildPaths(const std::string& directory) {
  // A built program keeps its files beside the executable. An installed one never writes into
  // its folder, even where it could (root in /usr/bin): its files are the user's and live in the
  // user's configuration folder, as do those of a program whose folder is not writable. The
  // help file is only read, so it stays with the program.
  std::string dataDir = directory;
  if (IsInstalledProgramDirectory(directory) || !DirectoryWritable(directory)) {
    std::string user = UserConfigDirectory();
    if (!user.empty()) dataDir = user;
  }
  m_szIniPath = JoinPath(dataDir, "Aurivue.ini");
  m_szProgramIniPath = dataDir == directory ? std::string() : JoinPath(directory, "Aurivue.ini");
  m_szExportPath = JoinPath(dataDir, "ExportData.txt");
  m_szBmpPath = JoinPath(dataDir, "Aurivue.bmp");
  m_szTmpBmpPath = JoinPath(dataDir, "TmpBMP.tmp");
  m_szHelpPath = JoinPath(directory, "Aurivue.hlp");
  // An installed program keeps its help with its other shared files.
  std::string shared = JoinPath(directory, "../share/aurivue/Aurivue.hlp");
  if (!FileExists(m_szHelpPath) && FileExists(shared)) m_szHelpPath = shared;
}

void AppState::LoadSettings() {
  m_config.SetPath(m_szIniPath);
  bool loaded = m_config.Load();
  if (!loaded && !m_szProgramIniPath.empty() && !PathExists(m_szIniPath)) {
    // The program's folder cannot be written, and the user's folder has no settings yet: a file
    // prepared beside the program still counts, and lives in the user's folder from now on.
    std::string text;
    if (ReadRegularFile(m_szProgramIniPath, text)) {
      m_config.Merge(text);
      WriteFileReplacing(m_szIniPath, text);
      loaded = true;
    }
  }
  if (loaded) {
    m_nChannels = static_cast<uint16_t>(m_config.GetInt(kCard, "Channels"));
    m_nBits = static_cast<uint16_t>(m_config.GetInt(kCard, "Bits"));
    m_nRateIndex = m_config.GetInt(kCard, "RateIndex");
    m_nFFTWindow = m_config.GetInt(kCard, "FFTWindow");
    m_nVoltValue = m_config.GetInt(kCard, "VoltValue");
    m_nFilterType = m_config.GetInt(kCard, "FilterType");
    m_nFreqPoint = m_config.GetInt(kCard, "FreqPoint");
  } else {
    m_nChannels = 2;
    m_nBits = 16;
    m_nRateIndex = 3;
    m_nFFTWindow = 1;
    m_nVoltValue = 32000;
    m_nFilterType = 1;
    m_nFreqPoint = 10000;
    m_config.SetInt(kCard, "Channels", m_nChannels, true);
    m_config.SetInt(kCard, "Bits", m_nBits, true);
    m_config.SetInt(kCard, "RateIndex", m_nRateIndex, true);
    m_config.SetInt(kCard, "FFTWindow", m_nFFTWindow, true);
    m_config.SetInt(kCard, "VoltValue", m_nVoltValue, true);
    m_config.SetInt(kCard, "FilterType", m_nFilterType, true);
    m_config.SetInt(kCard, "FreqPoint", m_nFreqPoint, true);
    m_config.Save();
  }

  auto repair = [this](const char* key, int value) {
    m_config.SetInt(kCard, key, value, true);
    m_config.Save();
  };
  if (m_nChannels != 1 && m_nChannels != 2) {
    m_nChannels = 2;
    repair("Channels", m_nChannels);
  }
  if (m_nBits != 8 && m_nBits != 16) {
    m_nBits = 16;
    repair("Bits", m_nBits);
  }
  if (m_nRateIndex < 1 || m_nRateIndex > 5) {
    m_nRateIndex = 3;
    repair("RateIndex", m_nRateIndex);
  }
  if (m_nFFTWindow < 1 || m_nFFTWindow > 5) {
    m_nFFTWindow = 1;
    repair("FFTWindow", m_nFFTWindow);
  }
  if (m_nFilterType < 1 || m_nFilterType > 3) {
    m_nFilterType = 1;
    repair("FilterType", m_nFilterType);
  }
  if (m_nBits == 8 && (m_nVoltValue < 1 || m_nVoltValue > 128)) {
    m_nVoltValue = 120;
    repair("VoltValue", m_nVoltValue);
  } else if (m_nBits == 16 && (m_nVoltValue < 1 || m_nVoltValue > 32767)) {
    m_nVoltValue = 32000;
    repair("VoltValue", m_nVoltValue);
  }
  if (m_nFreqPoint < 1 || m_nFreqPoint > 20000) {
    m_nFreqPoint = 10000;
    repair("FreqPoint", m_nFreqPoint);
  }
  m_nSampleRate = RateForIndex(m_nRateIndex);
}

void AppState::ComputeDerived() {
  m_nSamplesPerView = static_cast<int>(m_nSampleRate / 100);
  int order = 0;
  while ((1 << order) < m_nSamplesPerView) ++order;
  m_nFftOrder = order;
  m_nFftSize = 1 << order;
}
