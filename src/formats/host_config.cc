#include "formats/host_config.h"

#include "formats/record_file.h"

namespace korvanex {

Outcome LoadHostConfig(const char* path, HostConfigRecord* record) {
  RecordFile file;
  const Outcome opened = OpenRecordFile(path, kHostConfigRecordSize, &file);
  if (!opened.ok()) return Outcome::Refused(HostConfigRefusal::kNotOpened);
  const Outcome read = ReadRecordsAt(file, 0, 1, record->bytes);
  CloseRecordFile(&file);
  return read;
}

}  // namespace korvanex
