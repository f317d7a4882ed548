#include "formats/error_number.h"

#include <errno.h>

namespace korvanex {

ErrorNumber ErrorNumberFromErrno(int system_error) {
  switch (system_error) {
    case ENOENT:
      return ErrorNumber(2);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return ErrorNumber(3);
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EEXIST:
    case EROFS:
      return ErrorNumber(5);
    case EBADF:
      return kErrorBadHandle;
    case EINTR:
    case EIO:
    case EAGAIN:
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EPIPE:
      return kErrorReadWrite;
    case ETXTBSY:
      return ErrorNumber(162);
    case ENOMEM:
    case EFAULT:
      return kErrorOutOfMemory;
    case EINVAL:
      return ErrorNumber(218);
    default:
      return kErrorReadWrite;
  }
}

}  // namespace korvanex
