#include "host_files.h"

#include <cstdio>

#include "formats/coding.h"

namespace korvanex {

HostConfigRecord MakeHostConfig(const HostSetup& setup) {
  namespace h = host_field;
  HostConfigRecord record;
  uint8_t* r = record.bytes;
  EncodeCounted(r, h::kDataPath, 40, Str255(setup.data_path));
  EncodeCounted(r, h::kMsgBasePath, 40, Str255(setup.msgbase_path));
  for (size_t i = 0; i < 20; ++i) {
    EncodeFixed16(r + h::kNetAddressTable + i * h::kAddressSlotSize, setup.zones[i]);
  }
  EncodeCounted(r, h::kBaseDefaultText, 50, Str255(setup.default_text));
  for (size_t i = 0; i < 4; ++i) r[h::kBaseDefaultBytes + i] = setup.default_bytes[i];
  return record;
}

BaseRecord MakeBaseRecord(const BaseSetup& setup) {
  namespace b = base_field;
  BaseRecord record;
  uint8_t* r = record.bytes;
  EncodeCounted(r, b::kName, 40, Str255(setup.name));
  EncodeCounted(r, b::kShortName, 13, Str255(setup.short_name));
  EncodeCounted(r, b::kFileName, 8, Str255(setup.file_name));
  EncodeCounted(r, b::kPath, 40, Str255(setup.path));
  r[b::kBaseFormat] = setup.format;
  r[b::kBaseKind] = setup.kind;
  r[b::kBaseMode] = setup.mode;
  EncodeCounted(r, b::kListACS, 20, Str255(setup.list_acs));
  EncodeCounted(r, b::kReadACS, 20, Str255(setup.read_acs));
  EncodeCounted(r, b::kPostACS, 20, Str255(setup.post_acs));
  EncodeCounted(r, b::kSysopACS, 20, Str255(setup.sysop_acs));
  EncodeCounted(r, b::kPassword, 15, Str255(setup.password));
  for (size_t i = 0; i < 4; ++i) r[b::kHostBytes + i] = setup.host_bytes[i];
  r[b::kAddressSlot] = setup.address_slot;
  EncodeCounted(r, b::kHostText, 50, Str255(setup.host_text));
  r[b::kRealNames] = setup.real_names;
  r[b::kDefNewScan] = setup.new_scan;
  r[b::kDefQwkScan] = setup.qwk_scan;
  EncodeFixed16(r + b::kMaxMsgs, setup.max_msgs);
  EncodeFixed16(r + b::kMaxMsgAge, setup.max_age);
  EncodeCounted(r, b::kHeaderFile, 8, Str255(setup.header_file));
  EncodeFixed16(r + b::kIndex, static_cast<uint16_t>(setup.index));
  return record;
}

DefaultsRecord MakeDefaultsRecord(const DefaultsSetup& setup) {
  namespace d = defaults_field;
  DefaultsRecord record;
  SetDefaultsText(&record, d::kListACS, 20, Str255(setup.list_acs));
  SetDefaultsText(&record, d::kReadACS, 20, Str255(setup.read_acs));
  SetDefaultsText(&record, d::kPostACS, 20, Str255(setup.post_acs));
  SetDefaultsText(&record, d::kSysopACS, 20, Str255(setup.sysop_acs));
  SetDefaultsText(&record, d::kPassword, 15, Str255(setup.password));
  record.bytes[d::kRealNames] = setup.real_names;
  record.bytes[d::kDefNewScan] = setup.new_scan;
  record.bytes[d::kDefQwkScan] = setup.qwk_scan;
  SetDefaultsNumber(&record, d::kMaxMsgs, setup.max_msgs);
  SetDefaultsNumber(&record, d::kMaxMsgAge, setup.max_age);
  SetDefaultsText(&record, d::kHeaderFile, 8, Str255(setup.header_file));
  record.bytes[d::kBaseFormat] = setup.format;
  return record;
}

bool WriteWholeFile(const std::string& path, const void* bytes, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

}  // namespace korvanex
