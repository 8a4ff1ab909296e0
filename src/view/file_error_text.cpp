#include "view/file_error_text.h"

#include <cerrno>

namespace {

std::string Fill(std::string pattern, const std::string& fileName) {
  std::string::size_type at = pattern.find("%1");
  if (at != std::string::npos) pattern.replace(at, 2, fileName);
  return pattern;
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
    default:
      return Fill("An unexpected error occurred while accessing %1.", fileName);
  }
}
