#include "acquisition/config_file.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstring>
#include <fstream>
#include <sstream>

#include "support/file_bytes.h"
#include "support/file_permissions.h"

namespace {

class ConfigFileTest : public ::testing::Test {
 protected:
  std::string Path(const char* name) { return dir.filePath(name).toStdString(); }
  ConfigFile LoadText(const std::string& text) {
    WriteFileBytes(Path("t.ini"), text);
    ConfigFile cfg;
    cfg.SetPath(Path("t.ini"));
    EXPECT_TRUE(cfg.Load());
    return cfg;
  }
  QTemporaryDir dir;
};

TEST_F(ConfigFileTest, RepeatedKeyOverwritesInPlaceAndSavesOnce) {
  ConfigFile cfg = LoadText("[Card]\r\nChannels=2\r\nChannels=1\r\n");
  EXPECT_EQ(cfg.GetString("Card", "Channels"), "1");
  cfg.Save();
  EXPECT_EQ(ReadFileBytes(Path("t.ini")), "[Card]\r\nChannels=1\r\n\r\n");
}

TEST_F(ConfigFileTest, NamesAreExactAndValuesKeepEverythingAfterFirstEquals) {
  ConfigFile cfg = LoadText("[Card]\nBits = 16\nx=a=b\n[card]\ny=1\n");
  EXPECT_EQ(cfg.GetInt("Card", "Bits"), 0);
  EXPECT_EQ(cfg.GetLastError(), "Unable to locate specified value.");
  EXPECT_EQ(cfg.GetString("Card", "Bits "), " 16");
  EXPECT_EQ(cfg.GetString("Card", "x"), "a=b");
  EXPECT_NE(cfg.FindSection("card"), cfg.FindSection("Card"));
  EXPECT_EQ(cfg.GetInt("Nope", "x"), 0);
  EXPECT_EQ(cfg.GetLastError(), "Unable to locate specified key.");
}

TEST_F(ConfigFileTest, OnlyACarriageReturnBeforeALineFeedEndsALine) {
  ConfigFile cfg = LoadText("[Card]\r\nBits=16\r\nChannels=2\r");
  EXPECT_EQ(cfg.GetString("Card", "Bits"), "16");
  // The last line has no line feed: its carriage return is part of the value.
  EXPECT_EQ(cfg.GetString("Card", "Channels"), "2\r");
  EXPECT_EQ(cfg.GetInt("Card", "Channels"), 2);
  ConfigFile bare = LoadText("a=1\rb=2\n");
  EXPECT_EQ(bare.GetString("", "a"), "1\rb=2");
}

TEST_F(ConfigFileTest, IntegersParseLikeTheFileFormatReadsThem) {
  ConfigFile cfg = LoadText("[S]\na=32000abc\nb=abc\nc=-5\nd=  +7\ne=99999999999999\n");
  EXPECT_EQ(cfg.GetInt("S", "a"), 32000);
  EXPECT_EQ(cfg.GetInt("S", "b"), 0);
  EXPECT_EQ(cfg.GetInt("S", "c"), -5);
  EXPECT_EQ(cfg.GetInt("S", "d"), 7);
  EXPECT_EQ(cfg.GetInt("S", "e"), 2147483647);
}

TEST_F(ConfigFileTest, LinesBeforeHeaderAndLinesWithoutEqualsRoundTrip) {
  ConfigFile cfg = LoadText("top=1\n;comment\n[[Card]]\n;note\nk=v\n");
  EXPECT_EQ(cfg.FindSection(""), 0);
  EXPECT_EQ(cfg.GetString("Card", ""), ";note");
  cfg.Save();
  EXPECT_EQ(ReadFileBytes(Path("t.ini")),
            "[]\r\ntop=1\r\n=;comment\r\n\r\n[Card]\r\n=;note\r\nk=v\r\n\r\n");
}

TEST_F(ConfigFileTest, MissingFileAndEmptySections) {
  ConfigFile cfg;
  cfg.SetPath(Path("absent.ini"));
  EXPECT_FALSE(cfg.Load());
  EXPECT_EQ(cfg.GetLastError(), "");
  EXPECT_FALSE(cfg.SetString("A", "k", "v", false));
  EXPECT_EQ(cfg.FindSection("A"), -1);
  cfg.SetString("Empty", "k", "v", true);
  ConfigFile only;
  only.SetPath(Path("empty.ini"));
  only.SetString("A", "", "", false);
  only.Save();
  EXPECT_EQ(ReadFileBytes(Path("empty.ini")), "");
  EXPECT_EQ(cfg.FindKey(-1, "k"), -1);
}

TEST_F(ConfigFileTest, CreateFalseCanLeaveAnEmptySectionThatIsNotWritten) {
  ConfigFile cfg;
  cfg.SetPath(Path("c.ini"));
  EXPECT_TRUE(cfg.SetString("A", "k", "1", true));
  EXPECT_FALSE(cfg.SetString("A", "missing", "2", false));
  EXPECT_TRUE(cfg.SetString("A", "k", "3", false));
  cfg.Save();
  EXPECT_EQ(ReadFileBytes(Path("c.ini")), "[A]\r\nk=3\r\n\r\n");
}

TEST_F(ConfigFileTest, GarbageNulBytesAndHugeLinesLoadSafely) {
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<char>((i * 131) & 0xFF));
  garbage += std::string("\0\0[Card]\0\n", 10);
  garbage += "[Card]\nChannels=" + std::string(100000, '7') + "\n";
  ConfigFile cfg = LoadText(garbage);
  EXPECT_EQ(cfg.GetInt("Card", "Channels"), 2147483647);
  cfg.Save();
  ConfigFile again;
  again.SetPath(Path("t.ini"));
  ASSERT_TRUE(again.Load());
  EXPECT_EQ(again.GetString("Card", "Channels").size(), 100000u);
}

TEST_F(ConfigFileTest, UnreadableFileReportsOpenFailure) {
  // A socket exists on disk but cannot be opened as a file, not even by root.
  std::string path = Path("socket.ini");
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ConfigFile cfg;
  cfg.SetPath(path);
  EXPECT_FALSE(cfg.Load());
  EXPECT_EQ(cfg.GetLastError(), "Unable to open ini file.");
  ::close(fd);
}

TEST_F(ConfigFileTest, SaveReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
  WriteFileBytes(Path("r.ini"), "old contents that are longer than the new ones\n");
  ConfigFile cfg;
  cfg.SetPath(Path("r.ini"));
  cfg.SetInt("Card", "Bits", 8, true);
  cfg.Save();
  EXPECT_EQ(ReadFileBytes(Path("r.ini")), "[Card]\r\nBits=8\r\n\r\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST_F(ConfigFileTest, AFifoIsUnreadableAndNeitherWaitedForNorReplaced) {
  const std::string path = Path("Aurivue.ini");
  ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
  QElapsedTimer clock;
  clock.start();
  ConfigFile cfg;
  cfg.SetPath(path);
  EXPECT_FALSE(cfg.Load());
  EXPECT_EQ(cfg.GetLastError(), "Unable to open ini file.");
  cfg.SetInt("Card", "Bits", 16, true);
  EXPECT_FALSE(cfg.Save());
  EXPECT_LT(clock.elapsed(), 5000);
  struct stat st;
  ASSERT_EQ(::lstat(path.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::System | QDir::Files).size(), 1);
}

TEST_F(ConfigFileTest, AFileThatCouldNotBeReadIsNeverReplaced) {
  const std::string path = Path("Aurivue.ini");
  const std::string text = "[Card]\r\nBits=8\r\n\r\n[Mine]\r\nKeep=1\r\n\r\n";
  WriteFileBytes(path, text);
  ::chmod(path.c_str(), 0200);
  ConfigFile cfg;
  cfg.SetPath(path);
  {
    file_permissions::ObeyPermissionBits asUser;
    ASSERT_TRUE(asUser.Holds());
    EXPECT_FALSE(cfg.Load());
    EXPECT_EQ(cfg.GetLastError(), "Unable to open ini file.");
    cfg.SetInt("Card", "Bits", 16, true);
    EXPECT_FALSE(cfg.Save());
  }
  EXPECT_EQ(ReadFileBytes(path), text);
  // Once it reads again, it is saved again; a file removed meanwhile is made anew.
  ::chmod(path.c_str(), 0600);
  ASSERT_TRUE(cfg.Load());
  EXPECT_TRUE(cfg.Save());
  EXPECT_EQ(ReadFileBytes(path), "[Card]\r\nBits=8\r\n\r\n[Mine]\r\nKeep=1\r\n\r\n");
  ConfigFile gone;
  gone.SetPath(Path("gone.ini"));
  WriteFileBytes(Path("gone.ini"), text);
  ::chmod(Path("gone.ini").c_str(), 0);
  {
    file_permissions::ObeyPermissionBits asUser;
    EXPECT_FALSE(gone.Load());
  }
  ::unlink(Path("gone.ini").c_str());
  gone.SetInt("Card", "Bits", 16, true);
  EXPECT_TRUE(gone.Save());
  EXPECT_EQ(ReadFileBytes(Path("gone.ini")), "[Card]\r\nBits=16\r\n\r\n");
}

TEST_F(ConfigFileTest, AReadErrorCountsAsUnreadable) {
  // A regular file of /proc whose first bytes cannot be read, root or not.
  const std::string path = Path("Aurivue.ini");
  ASSERT_EQ(::symlink("/proc/self/mem", path.c_str()), 0);
  ConfigFile cfg;
  cfg.SetPath(path);
  EXPECT_FALSE(cfg.Load());
  EXPECT_EQ(cfg.GetLastError(), "Unable to open ini file.");
  EXPECT_FALSE(cfg.Save());
}

TEST_F(ConfigFileTest, AReadOnlyFileIsReadButNotWritten) {
  const std::string path = Path("Aurivue.ini");
  WriteFileBytes(path, "[Card]\nBits=12\n");
  ::chmod(path.c_str(), 0444);
  ConfigFile cfg;
  cfg.SetPath(path);
  ASSERT_TRUE(cfg.Load());
  EXPECT_EQ(cfg.GetInt("Card", "Bits"), 12);
  cfg.SetInt("Card", "Bits", 16, true);
  EXPECT_FALSE(cfg.Save());
  EXPECT_EQ(ReadFileBytes(path), "[Card]\nBits=12\n");
}

}  // namespace
