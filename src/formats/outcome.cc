#include "formats/outcome.h"

#include <errno.h>

namespace korvanex {

Outcome OutcomeOfErrno(int system_error) {
  switch (system_error) {
    case ENOENT:
      return Outcome::Failure(2);
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return Outcome::Failure(3);
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EEXIST:
    case EROFS:
      return Outcome::Failure(5);
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
      return Outcome::Failure(162);
    case ENOMEM:
    case EFAULT:
      return kErrorOutOfMemory;
    case EINVAL:
      return Outcome::Failure(218);
    default:
      return kErrorReadWrite;
  }
}

}  // namespace korvanex
