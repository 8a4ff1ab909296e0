#include "view/file_error_text.h"

#include <sys/stat.h>

#include <cerrno>

namespace {

std::string Fill(std::string pattern, const std::string& fileName) {
  std::string::size_type at = pattern.find("%1");
  if (at != std::string::npos) pattern.replace(at, 2, fileName);
  return pattern;
}

// What stands at fileName now, for the failures that only say something about the kind of
// target: 'f' a FIFO or socket, 'o' something else that is no regular file or folder, 0 otherwise.
char TargetKind(const std::string& fileName) {
  struct stat st;
  if (::stat(fileName.c_str(), &st) != 0) return 0;
  if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return 'f';
  return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) ? 0 : 'o';
}

}  // namespace

std::string FileErrorText(int errorNumber, const std::string& fileName) {
  switch (errorNumber) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return Fill("Access to %1 was denied.", fileName);
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return Fill("%1 contains an invalid path.", fileName);
    case ENOSPC:
    case EDQUOT:
      return Fill("A disk full error occurred while writing %1.", fileName);
    case EMFILE:
    case ENFILE:
      return Fill("%1 could not be opened because there are too many open files.", fileName);
    case EPIPE:
      return Fill("The program reading %1 has closed it.", fileName);
    case ENXIO:
      if (TargetKind(fileName) == 'f') return Fill("Nothing is reading from %1.", fileName);
      break;
    case EINVAL:
      if (TargetKind(fileName) != 0) return Fill("%1 is not a regular file.", fileName);
      break;
    default:
      break;
  }
  return Fill("An unexpected error occurred while accessing %1.", fileName);
}
