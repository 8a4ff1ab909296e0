#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "acquisition/app_state.h"
#include "support/file_bytes.h"
#include "support/file_permissions.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { app.BuildPaths(dir.path().toStdString()); }

  void WriteIni(const std::string& text) { WriteFileBytes(app.m_szIniPath, text); }

  void Load() {
    app.LoadSettings();
    app.ComputeDerived();
  }

  int FileInt(const char* key) {
    ConfigFile cfg;
    cfg.SetPath(app.m_szIniPath);
    cfg.Load();
    return cfg.GetInt("Card", key);
  }

  QTemporaryDir dir;
  AppState app;
};

TEST_F(SettingsTest, MissingFileIsCreatedWithTheDefaultsInOrder) {
  Load();
  EXPECT_EQ(ReadFileBytes(app.m_szIniPath),
            "[Card]\r\nChannels=2\r\nBits=16\r\nRateIndex=3\r\nFFTWindow=1\r\n"
            "VoltValue=32000\r\nFilterType=1\r\nFreqPoint=10000\r\n\r\n");
  EXPECT_EQ(app.m_nChannels, 2);
  EXPECT_EQ(app.m_nBits, 16);
  EXPECT_EQ(app.m_nSampleRate, 44100u);
  EXPECT_EQ(app.m_nSamplesPerView, 441);
  EXPECT_EQ(app.m_nFftSize, 512);
  EXPECT_EQ(app.m_nFftOrder, 9);
}

TEST_F(SettingsTest, PathsLieBesideTheGivenDirectory) {
  std::string d = dir.path().toStdString();
  EXPECT_EQ(app.m_szIniPath, d + "/Aurivue.ini");
  EXPECT_EQ(app.m_szExportPath, d + "/ExportData.txt");
  EXPECT_EQ(app.m_szBmpPath, d + "/Aurivue.bmp");
  EXPECT_EQ(app.m_szTmpBmpPath, d + "/TmpBMP.tmp");
  EXPECT_EQ(app.m_szHelpPath, d + "/Aurivue.hlp");
}

TEST_F(SettingsTest, EightBitVoltsAreRepairedTo120AndWrittenBack) {
  WriteIni(
      "[Card]\nChannels=1\nBits=8\nRateIndex=1\nFFTWindow=3\nVoltValue=32000\n"
      "FilterType=2\nFreqPoint=20000\n");
  Load();
  EXPECT_EQ(app.m_nVoltValue, 120);
  EXPECT_EQ(FileInt("VoltValue"), 120);
  EXPECT_EQ(app.m_nFreqPoint, 20000);
  EXPECT_EQ(app.m_nChannels, 1);
  EXPECT_EQ(app.m_nSamplesPerView, 110);
  EXPECT_EQ(app.m_nFftSize, 128);
  EXPECT_EQ(app.m_nFftOrder, 7);
}

TEST_F(SettingsTest, RepairsUseTheRepairedBitsAndTheLow16BitsOfChannels) {
  WriteIni(
      "[Card]\nChannels=65537\nBits=12\nRateIndex=4\nFFTWindow=5\nVoltValue=200\n"
      "FilterType=3\nFreqPoint=20001\n");
  Load();
  EXPECT_EQ(app.m_nChannels, 1);
  EXPECT_EQ(FileInt("Channels"), 65537);  // in range after the cut, so not written back
  EXPECT_EQ(app.m_nBits, 16);
  EXPECT_EQ(app.m_nVoltValue, 200);
  EXPECT_EQ(app.m_nFreqPoint, 10000);
  EXPECT_EQ(app.m_nSampleRate, 48000u);
  EXPECT_EQ(app.m_nSamplesPerView, 480);
  EXPECT_EQ(app.m_nFftSize, 512);
}

TEST_F(SettingsTest, HeaderOnlyFileRepairsAllSevenInOrder) {
  WriteIni("[Card]\n");
  Load();
  EXPECT_EQ(ReadFileBytes(app.m_szIniPath),
            "[Card]\r\nChannels=2\r\nBits=16\r\nRateIndex=3\r\nFFTWindow=1\r\n"
            "FilterType=1\r\nVoltValue=32000\r\nFreqPoint=10000\r\n\r\n");
}

TEST_F(SettingsTest, OutOfRangeValuesOfEveryKindAreRepaired) {
  WriteIni(
      "[Card]\nChannels=3\nBits=abc\nRateIndex=0\nFFTWindow=6\nVoltValue=-5\n"
      "FilterType=-1\nFreqPoint=0\n");
  Load();
  EXPECT_EQ(app.m_nChannels, 2);
  EXPECT_EQ(app.m_nBits, 16);
  EXPECT_EQ(app.m_nRateIndex, 3);
  EXPECT_EQ(app.m_nFFTWindow, 1);
  EXPECT_EQ(app.m_nVoltValue, 32000);
  EXPECT_EQ(app.m_nFilterType, 1);
  EXPECT_EQ(app.m_nFreqPoint, 10000);
  EXPECT_EQ(FileInt("Bits"), 16);
}

TEST_F(SettingsTest, BinaryGarbageFileGivesDefaultsAndKeepsTheGarbageLines) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 73 + 11) & 0xFF));
  WriteIni(garbage);
  Load();
  EXPECT_EQ(app.m_nChannels, 2);
  EXPECT_EQ(app.m_nSampleRate, 44100u);
  EXPECT_EQ(FileInt("VoltValue"), 32000);
}

TEST_F(SettingsTest, UnwritableDirectoryKeepsRepairedValuesInMemory) {
  // A directory that does not exist cannot be written by anyone, root included; nor can a
  // configuration folder under /proc.
  QByteArray saved = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", "/proc/aurivue-none");
  app.BuildPaths(dir.filePath("missing/deeper").toStdString());
  Load();
  if (saved.isNull()) {
    qunsetenv("XDG_CONFIG_HOME");
  } else {
    qputenv("XDG_CONFIG_HOME", saved);
  }
  EXPECT_EQ(app.m_nChannels, 2);
  EXPECT_EQ(app.m_nFftSize, 512);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(app.m_szIniPath)));
}

TEST_F(SettingsTest, IniPathThatIsADirectoryIsSurvived) {
  QDir(dir.path()).mkdir("Aurivue.ini");
  Load();
  EXPECT_EQ(app.m_nChannels, 2);
  EXPECT_EQ(app.m_nVoltValue, 32000);
  EXPECT_TRUE(QFileInfo(QString::fromStdString(app.m_szIniPath)).isDir());
}

TEST_F(SettingsTest, UnwritableProgramFolderKeepsTheFilesInTheUserConfigFolder) {
  QTemporaryDir config;
  QByteArray saved = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  std::string programDir = dir.filePath("not-there").toStdString();
  app.BuildPaths(programDir);
  Load();
  if (saved.isNull()) {
    qunsetenv("XDG_CONFIG_HOME");
  } else {
    qputenv("XDG_CONFIG_HOME", saved);
  }
  std::string user = config.path().toStdString() + "/aurivue";
  EXPECT_EQ(app.m_szIniPath, user + "/Aurivue.ini");
  EXPECT_EQ(app.m_szExportPath, user + "/ExportData.txt");
  EXPECT_EQ(app.m_szTmpBmpPath, user + "/TmpBMP.tmp");
  EXPECT_EQ(app.m_szHelpPath, programDir + "/Aurivue.hlp");
  EXPECT_EQ(FileInt("VoltValue"), 32000);
}

// XDG_CONFIG_HOME pointed elsewhere while it lives.
class ScopedConfigHome {
 public:
  explicit ScopedConfigHome(const QString& path) : m_saved(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", path.toLocal8Bit());
  }
  ~ScopedConfigHome() {
    if (m_saved.isNull()) {
      qunsetenv("XDG_CONFIG_HOME");
    } else {
      qputenv("XDG_CONFIG_HOME", m_saved);
    }
  }

 private:
  QByteArray m_saved;
};

TEST(InstalledProgramTest, OnlyABuiltProgramKeepsItsFilesBesideItself) {
  QTemporaryDir tmp;
  const QString unpacked = tmp.filePath("unpacked/usr/bin");
  const QString built = tmp.filePath("build/src");
  const QString plain = tmp.filePath("plain");
  for (const QString& d : {unpacked, built, plain, tmp.filePath("unpacked/usr/share/aurivue")}) {
    ASSERT_TRUE(QDir().mkpath(d));
  }
  WriteFileBytes(tmp.filePath("unpacked/usr/share/aurivue/Aurivue.hlp").toStdString(), "help");
  WriteFileBytes(tmp.filePath("build/src/Aurivue.hlp").toStdString(), "help");
  // The layout of a build folder beside an installed share folder is still a build.
  ASSERT_TRUE(QDir().mkpath(tmp.filePath("build/share/aurivue")));
  WriteFileBytes(tmp.filePath("build/share/aurivue/Aurivue.hlp").toStdString(), "help");
  struct Case {
    std::string dir;
    bool installed;
  };
  const Case cases[] = {
      {"/usr/bin", true},           {"/usr/local/bin", true},
      {"/usr/games", true},         {"/bin", true},
      {"/opt/aurivue/bin", true},   {"/usrlocal/bin", false},
      {"/home/me/usr/bin", false},  {unpacked.toStdString(), true},
      {built.toStdString(), false}, {plain.toStdString(), false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsInstalledProgramDirectory(c.dir), c.installed) << c.dir;
}

TEST(InstalledProgramTest, AnInstalledProgramWritesNothingBesideItselfEvenWhereItCould) {
  QTemporaryDir tmp;
  QTemporaryDir config;
  ScopedConfigHome home(config.path());
  const std::string bin = tmp.filePath("usr/bin").toStdString();
  ASSERT_TRUE(QDir().mkpath(tmp.filePath("usr/share/aurivue")));
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(bin)));
  WriteFileBytes(tmp.filePath("usr/share/aurivue/Aurivue.hlp").toStdString(), "help");
  AppState app;
  app.BuildPaths(bin);
  app.LoadSettings();
  const std::string user = config.path().toStdString() + "/aurivue";
  EXPECT_EQ(app.m_szIniPath, user + "/Aurivue.ini");
  EXPECT_EQ(app.m_szTmpBmpPath, user + "/TmpBMP.tmp");
  EXPECT_EQ(app.m_szHelpPath, bin + "/../share/aurivue/Aurivue.hlp");
  EXPECT_TRUE(QFile::exists(QString::fromStdString(app.m_szIniPath)));
  EXPECT_EQ(QDir(QString::fromStdString(bin)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList{});
}

TEST_F(SettingsTest, SettingsBesideAReadOnlyProgramCountUntilTheUserFolderHasItsOwn) {
  QTemporaryDir config;
  ScopedConfigHome home(config.path());
  const std::string programDir = dir.path().toStdString();
  const std::string beside = programDir + "/Aurivue.ini";
  const std::string prepared =
      "[Card]\nChannels=1\nBits=8\nRateIndex=5\nFFTWindow=4\nVoltValue=100\nFilterType=2\n"
      "FreqPoint=3000\n[Lab]\nBench=7\n";
  WriteFileBytes(beside, prepared);
  const std::string user = config.path().toStdString() + "/aurivue/Aurivue.ini";
  ::chmod(programDir.c_str(), 0555);
  {
    file_permissions::ObeyPermissionBits asUser;
    ASSERT_TRUE(asUser.Holds());
    AppState first;
    first.BuildPaths(programDir);
    ASSERT_EQ(first.m_szIniPath, user);
    first.LoadSettings();
    EXPECT_EQ(first.m_nChannels, 1);
    EXPECT_EQ(first.m_nBits, 8);
    EXPECT_EQ(first.m_nSampleRate, 96000u);
    EXPECT_EQ(first.m_nFFTWindow, 4);
    EXPECT_EQ(first.m_nVoltValue, 100);
    EXPECT_EQ(first.m_nFilterType, 2);
    EXPECT_EQ(first.m_nFreqPoint, 3000);
  }
  // The prepared file is kept whole in the user folder, and left where it was.
  EXPECT_EQ(ReadFileBytes(user), prepared);
  EXPECT_EQ(ReadFileBytes(beside), prepared);
  // From then on the user's own file counts, whatever happens beside the program.
  WriteFileBytes(user,
                 "[Card]\nChannels=2\nBits=16\nRateIndex=2\nFFTWindow=1\nVoltValue=9\n"
                 "FilterType=1\nFreqPoint=10\n");
  {
    file_permissions::ObeyPermissionBits asUser;
    AppState later;
    later.BuildPaths(programDir);
    later.LoadSettings();
    EXPECT_EQ(later.m_nChannels, 2);
    EXPECT_EQ(later.m_nSampleRate, 22050u);
  }
  ::chmod(programDir.c_str(), 0755);
  EXPECT_EQ(ReadFileBytes(beside), prepared);
}

TEST_F(SettingsTest, AnUnreadableSettingsFileKeepsItsSectionsAndTheDefaultsRunInMemory) {
  const std::string text =
      "[Card]\r\nChannels=1\r\nBits=8\r\n\r\n[Calibration]\r\nProbe=10x\r\n\r\n";
  WriteIni(text);
  // Writable but not readable: only knowing it was not read keeps it from being replaced.
  ::chmod(app.m_szIniPath.c_str(), 0200);
  {
    file_permissions::ObeyPermissionBits asUser;
    ASSERT_TRUE(asUser.Holds());
    Load();
  }
  EXPECT_EQ(app.m_nChannels, 2);
  EXPECT_EQ(app.m_nBits, 16);
  EXPECT_EQ(app.m_nSampleRate, 44100u);
  ::chmod(app.m_szIniPath.c_str(), 0600);
  EXPECT_EQ(ReadFileBytes(app.m_szIniPath), text);
}

TEST_F(SettingsTest, AReadOnlySettingsFileIsReadAndItsRepairsStayInMemory) {
  const std::string text = "[Card]\nChannels=1\nBits=8\nRateIndex=9\n";
  WriteIni(text);
  ::chmod(app.m_szIniPath.c_str(), 0444);
  Load();
  EXPECT_EQ(app.m_nChannels, 1);
  EXPECT_EQ(app.m_nBits, 8);
  EXPECT_EQ(app.m_nRateIndex, 3);
  EXPECT_EQ(app.m_nVoltValue, 120);
  EXPECT_EQ(ReadFileBytes(app.m_szIniPath), text);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(SettingsRateTable, IndexesMapToTheirRatesAndEverythingElseTo44100) {
  EXPECT_EQ(RateForIndex(1), 11025u);
  EXPECT_EQ(RateForIndex(2), 22050u);
  EXPECT_EQ(RateForIndex(3), 44100u);
  EXPECT_EQ(RateForIndex(4), 48000u);
  EXPECT_EQ(RateForIndex(5), 96000u);
  EXPECT_EQ(RateForIndex(0), 44100u);
  EXPECT_EQ(RateForIndex(6), 44100u);
}

}  // namespace
