#include "platform/file_services.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/message_box.h"
#include "support/file_bytes.h"
#include "support/file_limits.h"
#include "support/file_permissions.h"

namespace {

TEST(FileServicesTest, ProgramDirectoryIsWhereTheTestProgramLives) {
  const std::string dir = ExecutableDirectory();
  EXPECT_EQ(dir, std::string(AURIVUE_BINARY_DIR) + "/tests");
  SetProgramDirectory("/somewhere/else");
  EXPECT_EQ(ProgramDirectory(), "/somewhere/else");
  SetProgramDirectory("");
  EXPECT_EQ(ProgramDirectory(), dir);
  EXPECT_EQ(JoinPath(dir, "x"), dir + "/x");
  EXPECT_EQ(JoinPath("/", "x"), "/x");
}

TEST(FileServicesTest, ReplacingKeepsModeAndLeavesNoTemporary) {
  QTemporaryDir tmp;
  std::string path = tmp.filePath("a.ini").toStdString();
  ASSERT_TRUE(WriteFileReplacing(path, "one"));
  ::chmod(path.c_str(), 0600);
  ASSERT_TRUE(WriteFileReplacing(path, std::string("two\0three", 9)));
  EXPECT_EQ(ReadFileBytes(path), std::string("two\0three", 9));
  struct stat st;
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files).size(), 1);
}

TEST(FileServicesTest, FailuresAreReportedNotHidden) {
  QTemporaryDir tmp;
  EXPECT_FALSE(WriteFileReplacing(tmp.filePath("no/such/dir/f").toStdString(), "x"));
  EXPECT_FALSE(
      CopyFileOverwrite(tmp.filePath("absent").toStdString(), tmp.filePath("b").toStdString()));
  EXPECT_FALSE(DeleteFileAt(tmp.filePath("absent").toStdString()));
  std::string src = tmp.filePath("src").toStdString();
  std::string dst = tmp.filePath("dst").toStdString();
  ASSERT_TRUE(WriteFileReplacing(src, "new"));
  ASSERT_TRUE(WriteFileReplacing(dst, "old and longer"));
  EXPECT_TRUE(CopyFileOverwrite(src, dst));
  EXPECT_EQ(ReadFileBytes(dst), "new");
  EXPECT_TRUE(DeleteFileAt(src));
  EXPECT_FALSE(FileExists(src));
}

QStringList FilesIn(const QTemporaryDir& dir) {
  return QDir(dir.path())
      .entryList(QDir::Files | QDir::System | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot);
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

TEST(FileReplacementTest, AFailedWriteLeavesTheOldFileAndNoTemporary) {
  QTemporaryDir tmp;
  const std::string path = tmp.filePath("ExportData.txt").toStdString();
  WriteFileBytes(path, "the earlier export\n");
  int error = 0;
  {
    FileSizeLimit full(4096);
    EXPECT_FALSE(WriteFileReplacing(path, std::string(100000, 'x'), &error));
  }
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(ReadFileBytes(path), "the earlier export\n");
  EXPECT_EQ(FilesIn(tmp), QStringList{"ExportData.txt"});
  // Abandoned by hand half-way: the same.
  {
    FileReplacement replacement;
    ASSERT_TRUE(replacement.Begin(path));
    ASSERT_TRUE(replacement.Write("half"));
    EXPECT_EQ(FilesIn(tmp).size(), 2);
  }
  EXPECT_EQ(ReadFileBytes(path), "the earlier export\n");
  EXPECT_EQ(FilesIn(tmp), QStringList{"ExportData.txt"});
}

TEST(FileReplacementTest, ALinkStaysALinkAndItsTargetIsReplaced) {
  QTemporaryDir tmp;
  QDir(tmp.path()).mkdir("real");
  const std::string target = tmp.filePath("real/settings.ini").toStdString();
  const std::string first = tmp.filePath("first.ini").toStdString();
  const std::string link = tmp.filePath("Aurivue.ini").toStdString();
  WriteFileBytes(target, "old");
  ::chmod(target.c_str(), 0640);
  // A chain of two links, the first one relative to its own folder.
  ASSERT_EQ(::symlink("real/settings.ini", first.c_str()), 0);
  ASSERT_EQ(::symlink(first.c_str(), link.c_str()), 0);
  EXPECT_EQ(ResolveFileLinks(link), tmp.filePath("real/settings.ini").toStdString());
  ASSERT_TRUE(WriteFileReplacing(link, "new"));
  EXPECT_TRUE(S_ISLNK(ModeOf(link)));
  EXPECT_TRUE(S_ISLNK(ModeOf(first)));
  EXPECT_EQ(ReadFileBytes(target), "new");
  EXPECT_EQ(ModeOf(target) & 0777, 0640u);
  EXPECT_EQ(QDir(tmp.filePath("real")).entryList(QDir::Files).size(), 1);
  // A dangling link: the file it names is made.
  const std::string dangling = tmp.filePath("dangling.ini").toStdString();
  ASSERT_EQ(::symlink("real/later.ini", dangling.c_str()), 0);
  ASSERT_TRUE(WriteFileReplacing(dangling, "made"));
  EXPECT_TRUE(S_ISLNK(ModeOf(dangling)));
  EXPECT_EQ(ReadFileBytes(tmp.filePath("real/later.ini").toStdString()), "made");
  // A loop of links is an error, not a hang.
  const std::string a = tmp.filePath("a").toStdString();
  const std::string b = tmp.filePath("b").toStdString();
  ASSERT_EQ(::symlink(b.c_str(), a.c_str()), 0);
  ASSERT_EQ(::symlink(a.c_str(), b.c_str()), 0);
  int error = 0;
  EXPECT_FALSE(WriteFileReplacing(a, "x", &error));
  EXPECT_EQ(error, ELOOP);
}

TEST(FileReplacementTest, AFileNobodyMayWriteIsLeftAloneEvenByRoot) {
  QTemporaryDir tmp;
  const std::string path = tmp.filePath("Aurivue.ini").toStdString();
  WriteFileBytes(path, "[Card]\r\nBits=8\r\n\r\n");
  ::chmod(path.c_str(), 0444);
  int error = 0;
  EXPECT_FALSE(WriteFileReplacing(path, "[Card]\r\nBits=16\r\n\r\n", &error));
  EXPECT_EQ(error, EACCES);
  EXPECT_EQ(ReadFileBytes(path), "[Card]\r\nBits=8\r\n\r\n");
  EXPECT_EQ(ModeOf(path) & 0777, 0444u);
  EXPECT_EQ(FilesIn(tmp), QStringList{"Aurivue.ini"});
  if (::geteuid() != 0) return;
  // Writable by its owner only, and this user is not the owner: left alone as well.
  ::chmod(path.c_str(), 0604);
  ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
  {
    file_permissions::ObeyPermissionBits asUser;
    ASSERT_TRUE(asUser.Holds());
    EXPECT_FALSE(WriteFileReplacing(path, "x", &error));
    EXPECT_EQ(error, EACCES);
  }
  EXPECT_EQ(ReadFileBytes(path), "[Card]\r\nBits=8\r\n\r\n");
}

TEST(FileReplacementTest, NewFilesFollowTheUmaskAndReplacedOnesKeepModeAndOwner) {
  QTemporaryDir tmp;
  const mode_t saved = ::umask(077);
  const std::string made = tmp.filePath("private.ini").toStdString();
  const bool madeOk = WriteFileReplacing(made, "x");
  ::umask(002);
  const std::string shared = tmp.filePath("shared.ini").toStdString();
  const bool sharedOk = WriteFileReplacing(shared, "x");
  ::umask(saved);
  ASSERT_TRUE(madeOk && sharedOk);
  EXPECT_EQ(ModeOf(made) & 0777, 0600u);
  EXPECT_EQ(ModeOf(shared) & 0777, 0664u);
  ::chmod(shared.c_str(), 0640);
  ASSERT_TRUE(WriteFileReplacing(shared, "y"));
  EXPECT_EQ(ModeOf(shared) & 0777, 0640u);
  if (::geteuid() == 0) {
    // Root saving another user's file hands it back to that user.
    ASSERT_EQ(::chown(shared.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(WriteFileReplacing(shared, "z"));
    struct stat st;
    ASSERT_EQ(::stat(shared.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(ReadFileBytes(shared), "z");
  }
}

TEST(FileReplacementTest, SpecialFilesAreRefusedOrWrittenInPlaceNeverReplaced) {
  QTemporaryDir tmp;
  const std::string fifo = tmp.filePath("Aurivue.ini").toStdString();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  int error = 0;
  EXPECT_FALSE(WriteFileReplacing(fifo, "x", &error));
  EXPECT_EQ(error, EINVAL);
  // Asked to write into it, a FIFO without a reader fails at once instead of waiting.
  EXPECT_FALSE(WriteFileReplacing(fifo, "x", &error, SpecialTarget::kWriteInPlace));
  EXPECT_EQ(error, ENXIO);
  EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
  // With a reader it is written like a pipe.
  std::string received;
  std::thread reader([&] { received = ReadFileBytes(fifo); });
  bool written = false;
  for (int attempt = 0; attempt < 200 && !written; ++attempt) {
    written = WriteFileReplacing(fifo, "through", &error, SpecialTarget::kWriteInPlace);
    if (!written) QThread::msleep(10);
  }
  if (!written) ::close(::open(fifo.c_str(), O_WRONLY));  // lets the reader go
  reader.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(received, "through");
  // A device: /dev/full says the disk is full, and stays a device.
  EXPECT_FALSE(WriteFileReplacing("/dev/full", "x", &error, SpecialTarget::kWriteInPlace));
  EXPECT_EQ(error, ENOSPC);
  EXPECT_TRUE(S_ISCHR(ModeOf("/dev/full")));
  EXPECT_FALSE(WriteFileReplacing(tmp.path().toStdString(), "x", &error));
  EXPECT_EQ(error, EISDIR);
  EXPECT_EQ(FilesIn(tmp), QStringList{"Aurivue.ini"});
}

TEST(FileReplacementTest, ANameTooLongForATemporaryIsOverwrittenInPlace) {
  QTemporaryDir tmp;
  const std::string path = tmp.filePath(QString(250, 'n')).toStdString();
  WriteFileBytes(path, "a longer earlier text");
  ASSERT_TRUE(WriteFileReplacing(path, "short"));
  EXPECT_EQ(ReadFileBytes(path), "short");
  EXPECT_EQ(FilesIn(tmp).size(), 1);
}

TEST(FileReplacementTest, StaleTemporariesOfOnlyThisFileAreRemoved) {
  QTemporaryDir tmp;
  const std::string ini = tmp.filePath("Aurivue.ini").toStdString();
  WriteFileBytes(ini, "[Card]\r\n");
  struct Case {
    const char* name;
    bool removed;
  };
  const Case cases[] = {
      {"Aurivue.ini.aurivue-tmp-Ab12Cd", true},
      {"Aurivue.ini.aurivue-tmp-zzzzzz", true},
      // Names users give their own copies, six letters or digits after a dot among them.
      {"Aurivue.ini.backup", false},
      {"Aurivue.ini.before", false},
      {"Aurivue.ini.2026v1", false},
      {"Aurivue.ini.Ab12Cd", false},
      {"Aurivue.ini.aurivue-tmp-Ab12C", false},
      {"Aurivue.ini.aurivue-tmp-Ab12Cde", false},
      {"Aurivue.ini.aurivue-tmp-Ab-2Cd", false},
      {"Aurivue.ini.aurivue-tmp-Ab12C.", false},
      {"Aurivue.ini.Aurivue-tmp-Ab12Cd", false},
      {"Other.ini.aurivue-tmp-Ab12Cd", false},
      {"xAurivue.ini.aurivue-tmp-Ab12Cd", false},
      {"ExportData.txt.aurivue-tmp-Ab12Cd", false},
  };
  for (const Case& c : cases) WriteFileBytes(tmp.filePath(c.name).toStdString(), "x");
  // A link and a folder of the same pattern are not temporaries of ours.
  ASSERT_EQ(
      ::symlink(ini.c_str(), tmp.filePath("Aurivue.ini.aurivue-tmp-L1nk00").toLocal8Bit().data()),
      0);
  QDir(tmp.path()).mkdir("Aurivue.ini.aurivue-tmp-D1r000");
  RemoveStaleReplacements(ini);
  const QStringList left = FilesIn(tmp);
  for (const Case& c : cases) EXPECT_EQ(!left.contains(c.name), c.removed) << c.name;
  EXPECT_TRUE(left.contains("Aurivue.ini.aurivue-tmp-L1nk00"));
  EXPECT_TRUE(left.contains("Aurivue.ini.aurivue-tmp-D1r000"));
  EXPECT_EQ(ReadFileBytes(ini), "[Card]\r\n");
}

TEST(FileReplacementTest, TheTemporaryOfASaveIsOneTheStartWouldRemove) {
  QTemporaryDir tmp;
  const std::string ini = tmp.filePath("Aurivue.ini").toStdString();
  WriteFileBytes(ini, "old");
  FileReplacement replacement;
  ASSERT_TRUE(replacement.Begin(ini));
  const QStringList during = FilesIn(tmp);
  ASSERT_EQ(during.size(), 2);
  // What a save killed here leaves behind goes at the next start, and only that.
  RemoveStaleReplacements(ini);
  EXPECT_EQ(FilesIn(tmp), QStringList{"Aurivue.ini"}) << during.join(", ").toStdString();
  replacement.Abandon();
  EXPECT_EQ(ReadFileBytes(ini), "old");
}

TEST(FileReplacementTest, ReadingTakesOnlyRegularFilesAndNeverWaits) {
  QTemporaryDir tmp;
  const std::string fifo = tmp.filePath("fifo").toStdString();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::string bytes;
  int error = 0;
  EXPECT_FALSE(ReadRegularFile(fifo, bytes, &error));
  EXPECT_EQ(error, EINVAL);
  EXPECT_FALSE(ReadRegularFile("/dev/zero", bytes, &error));
  EXPECT_EQ(error, EINVAL);
  EXPECT_FALSE(ReadRegularFile(tmp.path().toStdString(), bytes, &error));
  EXPECT_FALSE(ReadRegularFile(tmp.filePath("absent").toStdString(), bytes, &error));
  EXPECT_EQ(error, ENOENT);
  const std::string file = tmp.filePath("f").toStdString();
  const std::string big(200000, 'q');
  WriteFileBytes(file, big);
  ASSERT_TRUE(ReadRegularFile(file, bytes, &error));
  EXPECT_EQ(bytes, big);
}

TEST(MessageBoxTest, RecorderCollectsTextsFromAnyThreadAndRestoresThePreviousHook) {
  std::vector<std::string> outer;
  SetMessageBoxHook([&outer](const std::string& t) { outer.push_back(t); });
  {
    MessageRecorder rec;
    ShowMessageBox("Cann't start!");
    QThread* worker = QThread::create([] { ShowMessageBox("Cann't Start!"); });
    worker->start();
    worker->wait();
    delete worker;
    EXPECT_EQ(rec.Texts(), (std::vector<std::string>{"Cann't start!", "Cann't Start!"}));
  }
  ShowMessageBox("after");
  SetMessageBoxHook(nullptr);
  EXPECT_EQ(outer, std::vector<std::string>{"after"});
}

}  // namespace

// Every output of the program is opened the same way: what it may write into, what it refuses,
// and never a wait for a reader that does not come.
TEST(OpenOutputFileTest, RefusesOrOpensEachKindOfTargetWithoutWaiting) {
  QTemporaryDir tmp;
  const std::string folder = tmp.path().toStdString();
  const std::string fifo = JoinPath(folder, "fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const std::string old = JoinPath(folder, "old.csv");
  ASSERT_TRUE(WriteFileReplacing(old, "earlier rows\n"));
  const std::string kept = JoinPath(folder, "kept.wav");
  ASSERT_TRUE(WriteFileReplacing(kept, "RIFF"));
  const struct {
    std::string path;
    int access;
    SpecialTarget special;
    bool truncate;
    int expectedErrno;  // 0: opened
    bool regular;
    const char* left;  // what the file holds afterwards, nullptr: not checked
  } cases[] = {
      {JoinPath(folder, "new.csv"), O_WRONLY, SpecialTarget::kWriteInPlace, true, 0, true, ""},
      {old, O_WRONLY, SpecialTarget::kWriteInPlace, true, 0, true, ""},
      {kept, O_RDWR, SpecialTarget::kRefuse, false, 0, true, "RIFF"},
      {fifo, O_WRONLY, SpecialTarget::kWriteInPlace, true, ENXIO, false, nullptr},
      {fifo, O_WRONLY, SpecialTarget::kRefuse, true, EINVAL, false, nullptr},
      {fifo, O_RDWR, SpecialTarget::kRefuse, true, EINVAL, false, nullptr},
      {"/dev/null", O_WRONLY, SpecialTarget::kRefuse, true, EINVAL, false, nullptr},
      {"/dev/null", O_WRONLY, SpecialTarget::kWriteInPlace, true, 0, false, nullptr},
      {folder, O_WRONLY, SpecialTarget::kWriteInPlace, true, EISDIR, false, nullptr},
      {JoinPath(folder, "no/such.csv"), O_WRONLY, SpecialTarget::kWriteInPlace, true, ENOENT, false,
       nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + (c.special == SpecialTarget::kRefuse ? " (refuse)" : " (in place)"));
    bool regular = !c.regular;
    errno = 0;
    const int fd = OpenOutputFile(c.path, c.access, c.special, c.truncate, &regular);
    if (c.expectedErrno != 0) {
      EXPECT_EQ(fd, -1);
      EXPECT_EQ(errno, c.expectedErrno);
      continue;
    }
    ASSERT_GE(fd, 0) << std::strerror(errno);
    EXPECT_EQ(regular, c.regular);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0) << "written like any file once open";
    ::close(fd);
    if (c.left != nullptr) {
      EXPECT_EQ(ReadFileBytes(c.path), c.left);
    }
  }
  EXPECT_TRUE(S_ISFIFO(ModeOf(fifo))) << "a refused FIFO stays what it was";
}

TEST(OpenOutputFileTest, AFifoWithAReaderIsWrittenLikeAPipe) {
  QTemporaryDir tmp;
  const std::string fifo = tmp.filePath("log").toStdString();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  bool regular = true;
  const int fd = OpenOutputFile(fifo, O_WRONLY, SpecialTarget::kWriteInPlace, true, &regular);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  EXPECT_FALSE(regular);
  EXPECT_EQ(::write(fd, "row\n", 4), 4);
  char got[8] = {};
  EXPECT_EQ(::read(reader, got, sizeof got), 4);
  EXPECT_STREQ(got, "row\n");
  ::close(reader);
  // The reader gone, a write is a failure the caller sees (the program ignores SIGPIPE).
  sighandler_t previous = ::signal(SIGPIPE, SIG_IGN);
  EXPECT_EQ(::write(fd, "row\n", 4), -1);
  EXPECT_EQ(errno, EPIPE);
  ::signal(SIGPIPE, previous);
  ::close(fd);
}
