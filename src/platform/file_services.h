#pragma once

#include <string>

// The directory that holds the running program file (no trailing separator), whatever the
// current working directory is.
std::string ExecutableDirectory();

// The directory the program keeps its files beside: the executable's, unless SetProgramDirectory
// chose another.
std::string ProgramDirectory();
// Makes dir the program directory of this process (tests give each run a folder of its own, so
// that two never share a settings file); empty restores the executable's directory.
void SetProgramDirectory(const std::string& dir);

// dir + "/" + name.
std::string JoinPath(const std::string& dir, const std::string& name);

bool FileExists(const std::string& path);

// What a replacement does with an existing target that is not a regular file (a device, a FIFO):
// the settings file refuses it, an export or a picture is written into it as the user asked.
enum class SpecialTarget { kRefuse, kWriteInPlace };

// Opens path for writing the way every output of the program is opened: it never waits. A FIFO
// or socket that nothing reads fails at once (ENXIO) instead of holding the caller, and the
// descriptor is blocking again once open. A regular file is created when missing (0666 less the
// umask) and emptied when truncate is set; anything else is refused with EINVAL (EISDIR for a
// folder) under kRefuse, or opened as it is under kWriteInPlace. access is O_WRONLY or O_RDWR.
// *regular (when given) says whether a regular file was opened. -1 with errno set on failure.
int OpenOutputFile(const std::string& path, int access, SpecialTarget special, bool truncate,
                   bool* regular = nullptr);

// Replaces a file in one step, so that the file on disk is always either the old or the new one:
// the bytes go to a temporary file beside it ("NAME.aurivue-tmp-XXXXXX"), which is then renamed
// over it. A symbolic link stays a link and its target is replaced. A new file gets 0666 less the
// umask, a replaced one keeps its mode (and, where allowed, its owner). An existing file that
// nobody may write by its mode, or that this user may not write, is left alone (EACCES). Where no
// file can be created beside it for want of permission, the file is overwritten in place.
class FileReplacement {
 public:
  FileReplacement() = default;
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Opens the file the new bytes are written to. False, with Error() set, when path may not be
  // replaced or nothing can be written there.
  bool Begin(const std::string& path, SpecialTarget special = SpecialTarget::kRefuse);
  // Writes all of bytes; false with Error() set on failure.
  bool Write(const std::string& bytes);
  // Makes the written bytes the file's contents; false with Error() set (the old file is kept).
  bool Commit();
  // Drops the new bytes and removes the temporary file; the old file stays as it was.
  void Abandon();

  int Error() const { return m_error; }

 private:
  bool Fail(int error);

  int m_fd = -1;
  bool m_inPlace = false;
  bool m_regular = true;
  std::string m_target;
  std::string m_temporary;
  int m_error = 0;
};

// Replaces the file's contents with bytes through a FileReplacement. errorNumber (when given)
// receives the errno of a failure.
bool WriteFileReplacing(const std::string& path, const std::string& bytes,
                        int* errorNumber = nullptr, SpecialTarget special = SpecialTarget::kRefuse);

// Removes the temporaries that replacements of path leave when the program is killed during one:
// regular files of this user named like path's target, ".aurivue-tmp-" and six letters or digits,
// in the target's folder. Nothing else is touched (not "Aurivue.ini.backup", say).
void RemoveStaleReplacements(const std::string& path);

// The file path names after following every symbolic link on the last component (a dangling link
// gives the path it points to). path itself when it is no link.
std::string ResolveFileLinks(const std::string& path);

// Reads a regular file whole without ever blocking on it (a FIFO or device is refused with
// EINVAL). False, with errorNumber set when given, on failure.
bool ReadRegularFile(const std::string& path, std::string& bytes, int* errorNumber = nullptr);

// True when something (a file, a link, anything) exists at path itself.
bool PathExists(const std::string& path);

// Copies src over dst (overwriting); false on failure.
bool CopyFileOverwrite(const std::string& src, const std::string& dst);

// Removes a file; false when it could not be removed.
bool DeleteFileAt(const std::string& path);

// True when files can be created in dir.
bool DirectoryWritable(const std::string& dir);

// The user's configuration folder for the program: $XDG_CONFIG_HOME/aurivue, else
// ~/.config/aurivue; created when missing. Empty when neither can be made.
std::string UserConfigDirectory();
