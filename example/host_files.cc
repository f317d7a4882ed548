#include "host_files.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "app/new_base.h"
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
  // The tool's own builder writes the fields; a host's base then differs from a new one
  // only in its long name, its kind and its mode.
  namespace b = base_field;
  BaseRecord background;
  if (setup.under != nullptr) {
    background = *setup.under;
  } else {
    std::fill(std::begin(background.bytes), std::end(background.bytes), setup.fill);
  }
  HostSetup host;
  host.msgbase_path = setup.path;
  host.default_text = setup.host_text;
  std::copy(setup.host_bytes.begin(), setup.host_bytes.end(), host.default_bytes.begin());
  const AreaEntry area = {setup.file_name, setup.short_name, setup.address_slot};
  BaseRecord record = background;
  BuildBaseRecord(area, MakeDefaultsRecord(setup.settings), MakeHostConfig(host), setup.index,
                  &record);
  std::copy_n(background.bytes + b::kName.offset, b::kName.capacity + 1, record.bytes);
  EncodeCounted(record.bytes, b::kName, Str255(setup.name));
  record.bytes[b::kBaseKind] = setup.kind;
  record.bytes[b::kBaseMode] = setup.mode;
  return record;
}

DefaultsRecord MakeDefaultsRecord(const DefaultsSetup& setup) {
  namespace d = defaults_field;
  DefaultsRecord record;
  EncodeCounted(record.bytes, d::kListACS, Str255(setup.list_acs));
  EncodeCounted(record.bytes, d::kReadACS, Str255(setup.read_acs));
  EncodeCounted(record.bytes, d::kPostACS, Str255(setup.post_acs));
  EncodeCounted(record.bytes, d::kSysopACS, Str255(setup.sysop_acs));
  EncodeCounted(record.bytes, d::kPassword, Str255(setup.password));
  record.bytes[d::kRealNames] = setup.real_names;
  record.bytes[d::kDefNewScan] = setup.new_scan;
  record.bytes[d::kDefQwkScan] = setup.qwk_scan;
  EncodeFixed16(record.bytes + d::kMaxMsgs, setup.max_msgs);
  EncodeFixed16(record.bytes + d::kMaxMsgAge, setup.max_age);
  EncodeCounted(record.bytes, d::kHeaderFile, Str255(setup.header_file));
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
