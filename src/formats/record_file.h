// Binary files read and written in whole fixed-size records, straight through to the
// file with no buffering of our own.
#ifndef KORVANEX_FORMATS_RECORD_FILE_H_
#define KORVANEX_FORMATS_RECORD_FILE_H_

#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <cstdint>

#include "formats/fd_io.h"
#include "formats/outcome.h"

// A build without 64-bit offsets, inode numbers and time stamps (see CMakeLists.txt) must
// not compile: on a 32-bit board it would fail on files stamped past 2038.
static_assert(sizeof(off_t) == 8, "off_t must be 64 bits: build with _FILE_OFFSET_BITS=64");
static_assert(sizeof(ino_t) == 8, "ino_t must be 64 bits: build with _FILE_OFFSET_BITS=64");
static_assert(sizeof(time_t) == 8, "time_t must be 64 bits: build with _TIME_BITS=64");

namespace korvanex {

struct RecordFile {
  int fd = -1;
  size_t record_size = 0;
  FileStamp opened;  // the file as the open found it
};

// Opens an existing regular file for reading and writing (reading only on a read-only file
// system), never creating, truncating or waiting; anything else fails with error 100. With
// `appending`, every write goes to the end of the file as it is at that moment.
Outcome OpenRecordFile(const char* path, size_t record_size, RecordFile* file,
                       bool appending = false);

// Every other operation returns kDone or an error number.

// Reads `count` whole records from record `first` on into `records`; fewer bytes than that
// is error 100.
Outcome ReadRecordsAt(const RecordFile& file, int64_t first, size_t count, uint8_t* records);
// Appends `size` bytes to a file opened for appending, at its end as it is at that moment.
// A write that fails part-way leaves none of them when the file ends in exactly the bytes
// it wrote: they are cut off again.
Outcome AppendBytes(const RecordFile& file, const uint8_t* data, size_t size);
// Where the last append ended, whatever another program wrote before it.
Outcome EndOfAppend(const RecordFile& file, int64_t* end);
// Writes `size` bytes at `offset`, over what is there, also in a file opened for appending.
Outcome WriteInPlace(const RecordFile& file, const uint8_t* data, size_t size, int64_t offset);
// Cuts the file to `size` bytes.
Outcome CutRecordFile(const RecordFile& file, int64_t size);
// Makes what was written durable; any failure is error 101.
Outcome SyncRecordFile(const RecordFile& file);

bool IsSameFile(const FileStamp& a, const FileStamp& b);
// Whether it is the same file with the same size and both times.
bool IsUnchanged(const FileStamp& before, const FileStamp& now);

// An exclusive advisory lock on the file, held until it is closed, which keeps two runs of
// the tool from writing the same file at once.
enum class LockResult { kLocked, kBusy, kUnsupported };
LockResult TryLockRecordFile(const RecordFile& file);
// Waits for the lock; false when the file system keeps no locks.
bool LockRecordFile(const RecordFile& file);

// Failures to close are never reported.
void CloseRecordFile(RecordFile* file);

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_RECORD_FILE_H_
