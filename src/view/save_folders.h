#pragma once

#include <string>

// The folders the file dialogs open in, one per kind of file ("Export", "Picture", "Pdf", "Csv",
// "Recording", "Log", "Setup"): the folder last used for that kind, kept in the per-user profile, at first the
// user's documents folder. A remembered folder that has gone is forgotten.
std::string SaveFolder(const std::string& kind);
// Remembers the folder of chosenPath for kind.
void RememberSaveFolder(const std::string& kind, const std::string& chosenPath);
// SaveFolder(kind) joined with the file name of suggestedPath (the described default name).
std::string SaveFolderPath(const std::string& kind, const std::string& suggestedPath);

// While one lives, no folder is remembered: a scripted run answers the dialogs with paths of its
// own, which say nothing of where the user keeps files.
class SaveFoldersUnchanged {
 public:
  SaveFoldersUnchanged();
  ~SaveFoldersUnchanged();
  SaveFoldersUnchanged(const SaveFoldersUnchanged&) = delete;
  SaveFoldersUnchanged& operator=(const SaveFoldersUnchanged&) = delete;

 private:
  bool m_previous;
};
