// Binary files read and written in whole fixed-size records, straight through to the
// file with no buffering of our own.
#ifndef KORVANEX_FORMATS_RECORD_FILE_H_
#define KORVANEX_FORMATS_RECORD_FILE_H_

#include <cstddef>
#include <cstdint>

namespace korvanex {

struct RecordFile {
  int fd = -1;
  size_t record_size = 0;
};

// Opens an existing file for reading and writing, falling back to reading only when the
// file system itself is read-only; never creates or truncates it. A directory does not
// open. Returns 0 or the errno of the failure.
int OpenRecordFile(const char* path, size_t record_size, RecordFile* file);

// Every other operation returns 0 or an error number (formats/error_number.h).

// Sets the position to record 0.
int RewindRecordFile(const RecordFile& file);
// The number of whole records: the file size divided by the record size, rounded down.
int CountRecords(const RecordFile& file, int64_t* count);
// Reads one record at the position into `record` and advances; fewer bytes than one
// record is error 100.
int ReadNextRecord(const RecordFile& file, uint8_t* record);
// Writes one record at the position and advances.
int WriteNextRecord(const RecordFile& file, const uint8_t* record);
// Sets the position to record `index`, the place of the next write.
int SeekRecord(const RecordFile& file, int64_t index);
// Failures to close are never reported.
void CloseRecordFile(RecordFile* file);

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_RECORD_FILE_H_
