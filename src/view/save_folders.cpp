#include "view/save_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/user_profile.h"

namespace {

bool& Remembering() {
  static bool remembering = true;
  return remembering;
}

QString Key(const std::string& kind) { return "Folders/" + QString::fromStdString(kind); }

// The user's documents folder (XDG), or the home folder where it does not exist.
QString DocumentsFolder() {
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QDir::homePath();
}

}  // namespace

std::string SaveFolder(const std::string& kind) {
  const QString remembered = UserProfile().value(Key(kind)).toString();
  if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return remembered.toStdString();
  return DocumentsFolder().toStdString();
}

void RememberSaveFolder(const std::string& kind, const std::string& chosenPath) {
  if (chosenPath.empty() || !Remembering()) return;
  const QString folder = QFileInfo(QString::fromStdString(chosenPath)).absolutePath();
  UserProfile().setValue(Key(kind), QDir::cleanPath(folder));
}

std::string SaveFolderPath(const std::string& kind, const std::string& suggestedPath) {
  const QString name = QFileInfo(QString::fromStdString(suggestedPath)).fileName();
  return QDir(QString::fromStdString(SaveFolder(kind))).filePath(name).toStdString();
}

SaveFoldersUnchanged::SaveFoldersUnchanged() : m_previous(Remembering()) { Remembering() = false; }

SaveFoldersUnchanged::~SaveFoldersUnchanged() { Remembering() = m_previous; }
