// The folders the file dialogs open in: the documents folder at first, then the one last used
// for the same kind of file, each kind on its own.
#include "view/save_folders.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <optional>
#include <string>
#include <vector>

#include "platform/user_profile.h"
#include "view/view_dialogs.h"
#include "view_test_support.h"

namespace {

// A profile of the test's own, put back to the user's configuration folder afterwards.
class PrivateProfile {
 public:
  PrivateProfile() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
  }
  ~PrivateProfile() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  }
  QString Path(const QString& name) const { return m_dir.filePath(name); }

 private:
  QTemporaryDir m_dir;
};

TEST(SaveFoldersTest, EachKindOpensWhereItWasLastSaved) {
  PrivateProfile profile;
  QTemporaryDir places;
  struct Case {
    const char* kind;
    const char* name;
    const char* folder;  // chosen by the user, under places
  };
  const Case cases[] = {
      {"Export", "ExportData.txt", "texts"}, {"Picture", "Aurivue.bmp", "pictures"},
      {"Csv", "AurivueData.csv", "tables"},  {"Recording", "Aurivue.wav", "takes"},
      {"Pdf", "Aurivue.pdf", "pages"},
  };
  std::vector<SaveFileRequest> asked;
  std::optional<std::string> answer;
  SaveFileDialogHook previous = SetSaveFileDialogHook([&](const SaveFileRequest& r) {
    asked.push_back(r);
    return answer;
  });
  for (const Case& c : cases) {
    const std::string first = FirstSaveFolderPath(c.name);  // no folder remembered yet
    ASSERT_TRUE(QDir(places.path()).mkpath(c.folder));
    // Cancel remembers nothing; a chosen file remembers its folder.
    answer.reset();
    RunSaveFileDialog(nullptr,
                      SaveFileRequest{"x", std::string("/elsewhere/") + c.name, "", c.kind, ""});
    answer = places.filePath(QString(c.folder) + "/mine.x").toStdString();
    RunSaveFileDialog(nullptr, SaveFileRequest{"x", c.name, "", c.kind, ""});
    ASSERT_EQ(asked.size(), 2u) << c.kind;
    EXPECT_EQ(asked[0].initialPath, first) << c.kind;
    EXPECT_EQ(asked[1].initialPath, first) << c.kind;
    asked.clear();
  }
  // Every kind now has its own folder, whatever the others chose after it.
  FirstSaveFolderPath("");  // forget, then choose for all kinds again
  for (const Case& c : cases) {
    answer = places.filePath(QString(c.folder) + "/mine.x").toStdString();
    RunSaveFileDialog(nullptr, SaveFileRequest{"x", c.name, "", c.kind, ""});
  }
  asked.clear();
  answer.reset();
  for (const Case& c : cases) {
    RunSaveFileDialog(nullptr, SaveFileRequest{"x", c.name, "", c.kind, ""});
    EXPECT_EQ(asked.back().initialPath,
              places.filePath(QString(c.folder) + "/" + c.name).toStdString())
        << c.kind;
  }
  // A scripted run's answers say nothing of the user's folders.
  {
    const SaveFoldersUnchanged unchanged;
    answer = places.filePath("script/out.txt").toStdString();
    RunSaveFileDialog(nullptr, SaveFileRequest{"x", "ExportData.txt", "", "Export", ""});
  }
  answer.reset();
  RunSaveFileDialog(nullptr, SaveFileRequest{"x", "ExportData.txt", "", "Export", ""});
  EXPECT_EQ(asked.back().initialPath, places.filePath("texts/ExportData.txt").toStdString());
  // A request without a kind is shown as given: the folder is the caller's.
  RunSaveFileDialog(nullptr, SaveFileRequest{"x", "/given/place/a.txt", "", "", ""});
  EXPECT_EQ(asked.back().initialPath, "/given/place/a.txt");
  // A remembered folder that has gone is forgotten.
  ASSERT_TRUE(QDir(places.filePath("takes")).removeRecursively());
  RunSaveFileDialog(nullptr, SaveFileRequest{"x", "Aurivue.wav", "", "Recording", ""});
  EXPECT_EQ(QFileInfo(QString::fromStdString(asked.back().initialPath)).absolutePath(),
            QFileInfo(QString::fromStdString(FirstSaveFolderPath("Aurivue.wav"))).absolutePath());
  SetSaveFileDialogHook(previous);
  // The folders live in the profile, in the program's own configuration folder.
  EXPECT_TRUE(UserProfilePath().startsWith(profile.Path("aurivue/")));
}

}  // namespace
