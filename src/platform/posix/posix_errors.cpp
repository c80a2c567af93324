#include "platform/posix/posix_errors.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/common/path.h"
#include "platform/types.h"

namespace vmt::platform {

namespace {

bool parent_is_folder(const std::string& path) {
  const std::string trimmed = path::without_trailing_separators(path);
  const std::size_t cut = path::last_separator(trimmed);
  if (cut == std::string::npos) return true;  // the current folder
  const std::string parent = cut == 0 ? std::string(1, path::kSeparator) : trimmed.substr(0, cut);
  struct stat st {};
  return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::uint32_t win32_error_from_errno(int err, const std::string& path) {
  switch (err) {
    case 0:
      return error::kSuccess;
    case ENOENT:
      return path.empty() || parent_is_folder(path) ? error::kFileNotFound : error::kPathNotFound;
    case ENOTDIR:
      return error::kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return error::kAccessDenied;
    case EBADF:
      return error::kInvalidHandle;
    case EEXIST:
      return error::kFileExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return error::kDiskFull;
    case ENOTEMPTY:
      return error::kDirNotEmpty;
    case ENAMETOOLONG:
      return error::kFilenameExcedRange;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
      return error::kSharingViolation;
    case EIO:
      return error::kReadFault;
    case EINVAL:
      return error::kInvalidParameter;
    case EMFILE:
    case ENFILE:
      return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case ENOMEM:
      return 8;  // ERROR_NOT_ENOUGH_MEMORY
    case EXDEV:
      return 17;  // ERROR_NOT_SAME_DEVICE
    case ELOOP:
      return 1921;  // ERROR_CANT_RESOLVE_FILENAME
    default:
      return 31;  // ERROR_GEN_FAILURE
  }
}

}  // namespace vmt::platform
