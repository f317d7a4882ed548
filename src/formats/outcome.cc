#include "formats/outcome.h"

#include <errno.h>

#include <algorithm>
#include <iterator>

namespace korvanex {

Outcome OutcomeOfErrno(int system_error) {
  struct ErrorAndNumber {
    int system_error;
    int number;
  };
  static constexpr ErrorAndNumber kNumbers[] = {
      {ENOENT, 2}, {ENOTDIR, 3},   {ENAMETOOLONG, 3}, {ELOOP, 3},    {EMFILE, 4},
      {ENFILE, 4}, {EACCES, 5},    {EPERM, 5},        {EEXIST, 5},   {EROFS, 5},
      {EBADF, 6},  {ETXTBSY, 162}, {ENOMEM, 217},     {EFAULT, 217}, {EINVAL, 218}};
  const ErrorAndNumber* found = std::find_if(
      std::begin(kNumbers), std::end(kNumbers),
      [system_error](const ErrorAndNumber& entry) { return entry.system_error == system_error; });
  if (found != std::end(kNumbers)) return Outcome::Failure(found->number);
  // Any other error, EINTR, EIO, EAGAIN, ENOSPC, EDQUOT, EFBIG and EPIPE among them, is a
  // failed read or write.
  return kErrorReadWrite;
}

}  // namespace korvanex
