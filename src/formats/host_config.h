// The host's configuration: the first 1824 bytes of ostrel.dat, of which five fields are
// used. The file is only ever read.
#ifndef KORVANEX_FORMATS_HOST_CONFIG_H_
#define KORVANEX_FORMATS_HOST_CONFIG_H_

#include <cstddef>
#include <cstdint>

#include "formats/coding.h"
#include "formats/outcome.h"
#include "text/counted_text.h"
#include "text/net_address.h"

namespace korvanex {

constexpr size_t kHostConfigRecordSize = 1824;

// The fields the tool reads, at their offsets; the bytes between them are the host's own.
namespace host_field {
constexpr CountedField kDataPath = {82, 40};
constexpr CountedField kMsgBasePath = {123, 40};
constexpr size_t kNetAddressTable = 823;  // 20 slots of 24 bytes; zone = first uint16
constexpr size_t kAddressSlotSize = 24;
constexpr CountedField kBaseDefaultText = {1303, 50};
constexpr size_t kBaseDefaultBytes = 1354;  // 4 x uint8
constexpr size_t kBaseDefaultByteCount = 4;
}  // namespace host_field

static_assert(FieldsFillRecord({{0, 82},
                                host_field::kDataPath,
                                host_field::kMsgBasePath,
                                {164, 659},
                                {host_field::kNetAddressTable,
                                 kAddressSlotCount* host_field::kAddressSlotSize},
                                host_field::kBaseDefaultText,
                                {host_field::kBaseDefaultBytes, host_field::kBaseDefaultByteCount},
                                {1358, 466}},
                               kHostConfigRecordSize),
              "each field of the host record ends where the next begins");

struct HostConfigRecord {
  uint8_t bytes[kHostConfigRecordSize] = {};
};
static_assert(sizeof(HostConfigRecord) == kHostConfigRecordSize, "no padding around the bytes");

enum class HostConfigRefusal { kNotOpened };
// Reads the first 1824 bytes of the file at `path`: refused with kNotOpened when it cannot
// be opened (a path that names no regular file included); a failed read is its error
// number (100 for a file shorter than the record).
Outcome LoadHostConfig(const char* path, HostConfigRecord* record);

// The stored DataPath; its length byte is taken as stored, up to 255 characters, taking
// its further characters from the bytes that follow the field.
inline Str255 DataPath(const HostConfigRecord& record) {
  return DecodeCountedAt(record.bytes, kHostConfigRecordSize, host_field::kDataPath.offset, 255);
}
// The stored MsgBasePath, cut to 40 characters, where it lies in the record.
inline std::string_view MsgBasePath(const HostConfigRecord& record) {
  return DecodeCounted(record.bytes, host_field::kMsgBasePath);
}
// The stored BaseDefaultText, cut to 50 characters, where it lies in the record.
inline std::string_view BaseDefaultText(const HostConfigRecord& record) {
  return DecodeCounted(record.bytes, host_field::kBaseDefaultText);
}
// The zones of slots 1..20, in order.
inline void SlotZones(const HostConfigRecord& record, uint16_t (&zones)[kAddressSlotCount]) {
  for (int i = 0; i < kAddressSlotCount; ++i) {
    zones[i] = DecodeFixed16(record.bytes + host_field::kNetAddressTable +
                             host_field::kAddressSlotSize * static_cast<size_t>(i));
  }
}

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_HOST_CONFIG_H_
