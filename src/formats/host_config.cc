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

Str255 DataPath(const HostConfigRecord& record) {
  return DecodeCountedAt(record.bytes, kHostConfigRecordSize, host_field::kDataPath.offset, 255);
}

std::string_view MsgBasePath(const HostConfigRecord& record) {
  return DecodeCounted(record.bytes, host_field::kMsgBasePath);
}

std::string_view BaseDefaultText(const HostConfigRecord& record) {
  return DecodeCounted(record.bytes, host_field::kBaseDefaultText);
}

uint8_t BaseDefaultByte(const HostConfigRecord& record, size_t i) {
  return record.bytes[host_field::kBaseDefaultBytes + i];
}

void SlotZones(const HostConfigRecord& record, uint16_t (&zones)[kAddressSlotCount]) {
  for (int i = 0; i < kAddressSlotCount; ++i) {
    zones[i] = DecodeFixed16(record.bytes + host_field::kNetAddressTable +
                             host_field::kAddressSlotSize * static_cast<size_t>(i));
  }
}

}  // namespace korvanex
