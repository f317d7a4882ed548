#include "formats/fd_io.h"

#include <sys/stat.h>
#include <unistd.h>

namespace korvanex {

Outcome WriteFully(int fd, const void* data, size_t size, off_t offset, size_t* written) {
  const char* bytes = static_cast<const char*>(data);
  size_t unused = 0;
  if (written == nullptr) written = &unused;
  *written = 0;
  while (size > 0) {
    const ssize_t put = RetryOnSignal(
        [&] { return offset < 0 ? write(fd, bytes, size) : pwrite(fd, bytes, size, offset); });
    if (put < 0) return OutcomeOfErrno(errno);
    if (put == 0) return kErrorReadWrite;
    bytes += put;
    *written += static_cast<size_t>(put);
    size -= static_cast<size_t>(put);
    if (offset >= 0) offset += put;
  }
  return kDone;
}

Outcome ReadFullyAt(int fd, void* data, size_t size, off_t offset, size_t* got) {
  char* bytes = static_cast<char*>(data);
  *got = 0;
  while (*got < size) {
    const ssize_t part = pread(fd, bytes + *got, size - *got, offset + static_cast<off_t>(*got));
    if (part < 0) return OutcomeOfErrno(errno);
    if (part == 0) break;
    *got += static_cast<size_t>(part);
  }
  return kDone;
}

Outcome StampAt(int fd, const char* path, FileStamp* stamp) {
  struct stat status;
  if ((path == nullptr ? fstat(fd, &status) : fstatat(fd, path, &status, 0)) != 0) {
    return OutcomeOfErrno(errno);
  }
  *stamp = {.mode = status.st_mode,
            .device = status.st_dev,
            .inode = status.st_ino,
            .size = status.st_size,
            .modified = status.st_mtim,
            .changed = status.st_ctim};
  return kDone;
}

Outcome ScreenOpenFile(int fd, bool streams, FileStamp* stamp) {
  Outcome outcome = StampAt(fd, nullptr, stamp);
  if (outcome.ok() && !S_ISREG(stamp->mode) && (!streams || S_ISDIR(stamp->mode))) {
    outcome = kErrorShortRecord;
  }
  if (!outcome.ok()) close(fd);
  return outcome;
}

}  // namespace korvanex
