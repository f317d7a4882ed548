#include "formats/record_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace korvanex {

Outcome OpenRecordFile(const char* path, size_t record_size, RecordFile* file, bool appending) {
  // Without O_NONBLOCK, the open of a FIFO would wait for the other end; with it, no open
  // waits, and whatever is not a regular file is turned away below.
  const int flags = O_NOCTTY | O_CLOEXEC | O_NONBLOCK | (appending ? O_APPEND : 0);
  // Asking for write access also keeps directories out: the system refuses them.
  int fd = open(path, O_RDWR | flags);
  if (fd < 0 && errno == EROFS) {
    // Only a read-only file system lets the open go on without write access; a file the
    // user may not write counts as one that cannot be opened.
    fd = open(path, O_RDONLY | flags);
  }
  if (fd < 0) {
    // A socket or a device without its hardware refuses the open itself.
    if (errno == EISDIR || errno == ENXIO || errno == ENODEV) return kErrorShortRecord;
    return OutcomeOfErrno(errno);
  }
  if (Outcome screened = ScreenOpenFile(fd, false, &file->opened); !screened.ok()) {
    return screened;
  }
  // Reads of a regular file never wait anyway; the flag goes so that nothing depends on it.
  // The status flags are the open's own: the system sets no other.
  if (fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const Outcome error = OutcomeOfErrno(errno);
    close(fd);
    return error;
  }
  file->fd = fd;
  file->record_size = record_size;
  return kDone;
}

Outcome ReadRecordsAt(const RecordFile& file, int64_t first, size_t count, uint8_t* records) {
  const size_t size = count * file.record_size;
  size_t got = 0;
  const off_t offset = static_cast<off_t>(first * static_cast<int64_t>(file.record_size));
  const Outcome read = ReadFullyAt(file.fd, records, size, offset, &got);
  return !read.ok() || got == size ? read : kErrorShortRecord;
}

Outcome AppendBytes(const RecordFile& file, const uint8_t* data, size_t size) {
  size_t written = 0;
  const Outcome error = WriteFully(file.fd, data, size, -1, &written);
  int64_t end = 0;
  FileStamp now;
  if (!error.ok() && written > 0 && EndOfAppend(file, &end).ok() &&
      StampAt(file.fd, nullptr, &now).ok() && now.size == end) {
    (void)CutRecordFile(file, end - static_cast<int64_t>(written));
  }
  return error;
}

Outcome EndOfAppend(const RecordFile& file, int64_t* end) {
  *end = lseek(file.fd, 0, SEEK_CUR);
  return *end < 0 ? OutcomeOfErrno(errno) : kDone;
}

Outcome WriteInPlace(const RecordFile& file, const uint8_t* data, size_t size, int64_t offset) {
  // A positioned write to a file opened for appending would go to its end.
  const int flags = fcntl(file.fd, F_GETFL);
  if (flags < 0 || fcntl(file.fd, F_SETFL, flags & ~O_APPEND) != 0) return OutcomeOfErrno(errno);
  const Outcome error = WriteFully(file.fd, data, size, static_cast<off_t>(offset));
  if (fcntl(file.fd, F_SETFL, flags) != 0 && error.ok()) return OutcomeOfErrno(errno);
  return error;
}

Outcome CutRecordFile(const RecordFile& file, int64_t size) {
  return ftruncate(file.fd, static_cast<off_t>(size)) == 0 ? kDone : OutcomeOfErrno(errno);
}

namespace {

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

bool IsSameFile(const FileStamp& a, const FileStamp& b) {
  return a.device == b.device && a.inode == b.inode;
}

bool IsUnchanged(const FileStamp& before, const FileStamp& now) {
  return IsSameFile(before, now) && before.size == now.size &&
         SameTime(before.modified, now.modified) && SameTime(before.changed, now.changed);
}

Outcome SyncRecordFile(const RecordFile& file) {
  return fdatasync(file.fd) == 0 ? kDone : kErrorReadWrite;
}

LockResult TryLockRecordFile(const RecordFile& file) {
  if (RetryOnSignal([&] { return flock(file.fd, LOCK_EX | LOCK_NB); }) == 0) {
    return LockResult::kLocked;
  }
  return errno == EWOULDBLOCK ? LockResult::kBusy : LockResult::kUnsupported;
}

bool LockRecordFile(const RecordFile& file) {
  return RetryOnSignal([&] { return flock(file.fd, LOCK_EX); }) == 0;
}

void CloseRecordFile(RecordFile* file) {
  if (file->fd >= 0) close(file->fd);
  file->fd = -1;
}

}  // namespace korvanex
