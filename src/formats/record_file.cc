#include "formats/record_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/error_number.h"

namespace korvanex {

int OpenRecordFile(const char* path, size_t record_size, RecordFile* file) {
  const int flags = O_NOCTTY | O_CLOEXEC;
  // Asking for write access also keeps directories out: the system refuses them.
  int fd = open(path, O_RDWR | flags);
  if (fd < 0 && errno == EROFS) {
    // Only a read-only file system lets the open go on without write access; a file the
    // user may not write counts as one that cannot be opened. A directory would open for
    // reading here, so it is turned away by hand.
    fd = open(path, O_RDONLY | flags);
    struct stat status;
    if (fd >= 0 && fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
      close(fd);
      errno = EISDIR;
      fd = -1;
    }
  }
  if (fd < 0) return errno;
  file->fd = fd;
  file->record_size = record_size;
  return 0;
}

int RewindRecordFile(const RecordFile& file) { return SeekRecord(file, 0); }

int SeekRecord(const RecordFile& file, int64_t index) {
  const off_t offset = static_cast<off_t>(index) * static_cast<off_t>(file.record_size);
  if (lseek(file.fd, offset, SEEK_SET) < 0) return ErrorNumberFromErrno(errno);
  return kNoError;
}

int CountRecords(const RecordFile& file, int64_t* count) {
  struct stat status;
  if (fstat(file.fd, &status) != 0) return ErrorNumberFromErrno(errno);
  *count = status.st_size / static_cast<off_t>(file.record_size);
  return kNoError;
}

int ReadNextRecord(const RecordFile& file, uint8_t* record) {
  size_t done = 0;
  while (done < file.record_size) {
    ssize_t got = read(file.fd, record + done, file.record_size - done);
    if (got < 0) return ErrorNumberFromErrno(errno);
    if (got == 0) return kErrorShortRecord;
    done += static_cast<size_t>(got);
  }
  return kNoError;
}

int WriteNextRecord(const RecordFile& file, const uint8_t* record) {
  size_t done = 0;
  while (done < file.record_size) {
    ssize_t put = write(file.fd, record + done, file.record_size - done);
    if (put < 0) return ErrorNumberFromErrno(errno);
    if (put == 0) return kErrorReadWrite;
    done += static_cast<size_t>(put);
  }
  return kNoError;
}

void CloseRecordFile(RecordFile* file) {
  if (file->fd >= 0) close(file->fd);
  file->fd = -1;
}

}  // namespace korvanex
