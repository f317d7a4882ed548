#include "formats/error_number.h"

#include <errno.h>

namespace korvanex {

int ErrorNumberFromErrno(int system_error) {
  switch (system_error) {
    case ENOENT:
      return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EEXIST:
    case EROFS:
      return 5;
    case EBADF:
      return 6;
    case EINTR:
    case EIO:
    case EAGAIN:
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
    case EPIPE:
      return kErrorReadWrite;
    case ETXTBSY:
      return 162;
    case ENOMEM:
    case EFAULT:
      return 217;
    case EINVAL:
      return 218;
    default:
      return kErrorReadWrite;
  }
}

}  // namespace korvanex
