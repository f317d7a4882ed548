#include "host_files.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "formats/coding.h"

namespace korvanex {

HostConfigRecord MakeHostConfig(const HostSetup& setup) {
  namespace h = host_field;
  HostConfigRecord record;
  uint8_t* r = record.bytes;
  EncodeCounted(record.bytes, h::kDataPath, Str255(setup.data_path));
  EncodeCounted(record.bytes, h::kMsgBasePath, Str255(setup.msgbase_path));
  for (size_t i = 0; i < 20; ++i) {
    EncodeFixed16(r + h::kNetAddressTable + i * h::kAddressSlotSize, setup.zones[i]);
  }
  EncodeCounted(record.bytes, h::kBaseDefaultText, Str255(setup.default_text));
  for (size_t i = 0; i < h::kBaseDefaultByteCount; ++i)
    r[h::kBaseDefaultBytes + i] = setup.default_bytes[i];
  return record;
}

BaseRecord MakeBaseRecord(const BaseSetup& setup) {
  namespace b = base_field;
  BaseRecord record;
  if (setup.under != nullptr) {
    record = *setup.under;
  } else {
    std::fill(std::begin(record.bytes), std::end(record.bytes), setup.fill);
  }
  uint8_t* r = record.bytes;
  EncodeCounted(record.bytes, b::kName, Str255(setup.name));
  EncodeCounted(record.bytes, b::kShortName, Str255(setup.short_name));
  EncodeCounted(record.bytes, b::kFileName, Str255(setup.file_name));
  EncodeCounted(record.bytes, b::kPath, Str255(setup.path));
  r[b::kBaseFormat] = setup.settings.format;
  r[b::kBaseKind] = setup.kind;
  r[b::kBaseMode] = setup.mode;
  EncodeCounted(record.bytes, b::kListACS, Str255(setup.settings.list_acs));
  EncodeCounted(record.bytes, b::kReadACS, Str255(setup.settings.read_acs));
  EncodeCounted(record.bytes, b::kPostACS, Str255(setup.settings.post_acs));
  EncodeCounted(record.bytes, b::kSysopACS, Str255(setup.settings.sysop_acs));
  EncodeCounted(record.bytes, b::kPassword, Str255(setup.settings.password));
  for (size_t i = 0; i < b::kHostByteCount; ++i) r[b::kHostBytes + i] = setup.host_bytes[i];
  r[b::kAddressSlot] = setup.address_slot;
  EncodeCounted(record.bytes, b::kHostText, Str255(setup.host_text));
  r[b::kRealNames] = setup.settings.real_names;
  r[b::kDefNewScan] = setup.settings.new_scan;
  r[b::kDefQwkScan] = setup.settings.qwk_scan;
  EncodeFixed16(r + b::kMaxMsgs, setup.settings.max_msgs);
  EncodeFixed16(r + b::kMaxMsgAge, setup.settings.max_age);
  EncodeCounted(record.bytes, b::kHeaderFile, Str255(setup.settings.header_file));
  EncodeFixed16(r + b::kIndex, static_cast<uint16_t>(setup.index));
  return record;
}

DefaultsRecord MakeDefaultsRecord(const DefaultsSetup& setup) {
  namespace d = defaults_field;
  DefaultsRecord record;
  SetDefaultsText(&record, d::kListACS, Str255(setup.list_acs));
  SetDefaultsText(&record, d::kReadACS, Str255(setup.read_acs));
  SetDefaultsText(&record, d::kPostACS, Str255(setup.post_acs));
  SetDefaultsText(&record, d::kSysopACS, Str255(setup.sysop_acs));
  SetDefaultsText(&record, d::kPassword, Str255(setup.password));
  record.bytes[d::kRealNames] = setup.real_names;
  record.bytes[d::kDefNewScan] = setup.new_scan;
  record.bytes[d::kDefQwkScan] = setup.qwk_scan;
  SetDefaultsNumber(&record, d::kMaxMsgs, setup.max_msgs);
  SetDefaultsNumber(&record, d::kMaxMsgAge, setup.max_age);
  SetDefaultsText(&record, d::kHeaderFile, Str255(setup.header_file));
  record.bytes[d::kBaseFormat] = setup.format;
  return record;
}

const uint8_t kBuiltInDefaultsBytes[kDefaultsRecordSize] = {
    0x03, 0x73, 0x32, 0x30, 0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0,    0x03, 0x73, 0x32, 0x30, 0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0,    0,    0x03, 0x73, 0x32, 0x30, 0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0,    0,    0,    0x04, 0x73, 0x32, 0x35, 0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0x01, 0x01, 0x01, 0xF4, 0x01, 0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0};

bool WriteWholeFile(const std::string& path, const void* bytes, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

}  // namespace korvanex
