#include "formats/record_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/fd_io.h"

namespace korvanex {

OpenResult OpenRecordFile(const char* path, size_t record_size, RecordFile* file) {
  // Without O_NONBLOCK, the open of a FIFO would wait for the other end; with it, no open
  // waits, and whatever is not a regular file is turned away below.
  const int flags = O_NOCTTY | O_CLOEXEC | O_NONBLOCK;
  // Asking for write access also keeps directories out: the system refuses them.
  int fd = open(path, O_RDWR | flags);
  if (fd < 0 && errno == EROFS) {
    // Only a read-only file system lets the open go on without write access; a file the
    // user may not write counts as one that cannot be opened.
    fd = open(path, O_RDONLY | flags);
  }
  OpenResult result;
  if (fd < 0) {
    // A socket or a device without its hardware refuses the open itself.
    result.not_a_file = errno == EISDIR || errno == ENXIO || errno == ENODEV;
    result.error = ErrorNumberFromErrno(errno);
    return result;
  }
  const FileKind kind = KindOfOpenFile(fd);
  if (kind != FileKind::kRegular) {
    result.not_a_file = kind != FileKind::kUnknown;
    result.error = result.not_a_file ? kErrorReadWrite : ErrorNumberFromErrno(errno);
    close(fd);
    return result;
  }
  // Reads of a regular file never wait anyway; the flag goes so that nothing depends on it.
  const int status_flags = fcntl(fd, F_GETFL);
  if (status_flags < 0 || fcntl(fd, F_SETFL, status_flags & ~O_NONBLOCK) != 0) {
    result.error = ErrorNumberFromErrno(errno);
    close(fd);
    return result;
  }
  file->fd = fd;
  file->record_size = record_size;
  file->appending = false;
  return result;
}

ErrorNumber FileSize(const RecordFile& file, int64_t* size) {
  struct stat status;
  if (fstat(file.fd, &status) != 0) return ErrorNumberFromErrno(errno);
  *size = status.st_size;
  return kNoError;
}

ErrorNumber ReadRecordsAt(const RecordFile& file, int64_t first, size_t count, uint8_t* records) {
  const size_t size = count * file.record_size;
  size_t got = 0;
  const int system_error =
      ReadFullyAt(file.fd, records, size,
                  static_cast<off_t>(first * static_cast<int64_t>(file.record_size)), &got);
  if (system_error != 0) return ErrorNumberFromErrno(system_error);
  return got == size ? kNoError : kErrorShortRecord;
}

namespace {

// Turns appending on or off for the descriptor: a positioned write on a descriptor that
// appends would land at the end instead.
ErrorNumber SetAppending(RecordFile* file, bool appending) {
  if (file->appending == appending) return kNoError;
  const int flags = fcntl(file->fd, F_GETFL);
  if (flags < 0) return ErrorNumberFromErrno(errno);
  if (fcntl(file->fd, F_SETFL, appending ? flags | O_APPEND : flags & ~O_APPEND) != 0) {
    return ErrorNumberFromErrno(errno);
  }
  file->appending = appending;
  return kNoError;
}

}  // namespace

ErrorNumber AppendRecord(RecordFile* file, const uint8_t* record) {
  if (ErrorNumber error = SetAppending(file, true)) return error;
  const int system_error = WriteFully(file->fd, record, file->record_size);
  return system_error != 0 ? ErrorNumberFromErrno(system_error) : kNoError;
}

ErrorNumber WriteRecordAt(RecordFile* file, int64_t index, const uint8_t* record) {
  if (ErrorNumber error = SetAppending(file, false)) return error;
  const off_t offset = static_cast<off_t>(index * static_cast<int64_t>(file->record_size));
  const int system_error = WriteFully(file->fd, record, file->record_size, offset);
  return system_error != 0 ? ErrorNumberFromErrno(system_error) : kNoError;
}

ErrorNumber SyncRecordFile(const RecordFile& file) {
  return fdatasync(file.fd) == 0 ? kNoError : kErrorReadWrite;
}

LockResult TryLockRecordFile(const RecordFile& file) {
  for (;;) {
    if (flock(file.fd, LOCK_EX | LOCK_NB) == 0) return LockResult::kLocked;
    if (errno == EWOULDBLOCK) return LockResult::kBusy;
    if (errno != EINTR) return LockResult::kUnsupported;
  }
}

bool LockRecordFile(const RecordFile& file) {
  for (;;) {
    if (flock(file.fd, LOCK_EX) == 0) return true;
    if (errno != EINTR) return false;
  }
}

void CloseRecordFile(RecordFile* file) {
  if (file->fd >= 0) close(file->fd);
  file->fd = -1;
}

}  // namespace korvanex
