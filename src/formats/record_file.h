// Binary files read and written in whole fixed-size records, straight through to the
// file with no buffering of our own.
#ifndef KORVANEX_FORMATS_RECORD_FILE_H_
#define KORVANEX_FORMATS_RECORD_FILE_H_

#include <cstddef>
#include <cstdint>

#include "formats/error_number.h"

namespace korvanex {

struct RecordFile {
  int fd = -1;
  size_t record_size = 0;
  bool appending = false;  // whether writes go to the end of the file, wherever it is
};

// How an open ended: kNoError, or the error number of the failure. A path that names no
// regular file (a directory, a FIFO, a socket or a device) never opens: `not_a_file` says
// so, and `error` is not kNoError.
struct OpenResult {
  ErrorNumber error = kNoError;
  bool not_a_file = false;
};

// Opens an existing regular file for reading and writing, falling back to reading only
// when the file system itself is read-only; never creates or truncates it, and never
// waits for a writer or reader of a FIFO.
OpenResult OpenRecordFile(const char* path, size_t record_size, RecordFile* file);

// Every other operation returns kNoError or an error number.

// The file's size in bytes; its whole records are the size divided by the record size.
ErrorNumber FileSize(const RecordFile& file, int64_t* size);
// Reads `count` whole records from record `first` on into `records`; fewer bytes than that
// is error 100.
ErrorNumber ReadRecordsAt(const RecordFile& file, int64_t first, size_t count, uint8_t* records);
// Writes one record at the end of the file as it is at that moment, after whatever another
// program appended meanwhile.
ErrorNumber AppendRecord(RecordFile* file, const uint8_t* record);
// Writes one record at record position `index`; used to write over a partial record that
// ends the file.
ErrorNumber WriteRecordAt(RecordFile* file, int64_t index, const uint8_t* record);
// Makes what was written durable; any failure is error 101.
ErrorNumber SyncRecordFile(const RecordFile& file);

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
