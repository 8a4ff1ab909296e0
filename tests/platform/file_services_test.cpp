#include "platform/file_services.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <fstream>
#include <sstream>

#include "platform/message_box.h"
#include "support/file_bytes.h"

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
