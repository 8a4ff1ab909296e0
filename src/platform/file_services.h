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

// Replaces the file's contents with bytes so that the file on disk is always either the old or
// the new one: the bytes go to a temporary file beside it, which is then renamed over it. Where
// no file can be created beside it, the file is written in place. Returns false on failure.
bool WriteFileReplacing(const std::string& path, const std::string& bytes);

// Copies src over dst (overwriting); false on failure.
bool CopyFileOverwrite(const std::string& src, const std::string& dst);

// Removes a file; false when it could not be removed.
bool DeleteFileAt(const std::string& path);

// True when files can be created in dir.
bool DirectoryWritable(const std::string& dir);

// The user's configuration folder for the program: $XDG_CONFIG_HOME/aurivue, else
// ~/.config/aurivue; created when missing. Empty when neither can be made.
std::string UserConfigDirectory();
