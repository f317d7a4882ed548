#include "app/new_base.h"

#include "formats/coding.h"

namespace korvanex {

void BuildBaseRecord(const AreaEntry& entry, const DefaultsRecord& defaults,
                     const HostConfigRecord& host, int32_t index, BaseRecord* record) {
  namespace b = base_field;
  namespace d = defaults_field;
  uint8_t* r = record->bytes;
  EncodeCounted(record->bytes, b::kName, entry.Tag);
  EncodeCounted(record->bytes, b::kShortName, entry.Tag);
  EncodeCounted(record->bytes, b::kFileName, entry.FileName);
  EncodeCounted(record->bytes, b::kPath, MsgBasePath(host));
  r[b::kBaseFormat] = defaults.bytes[d::kBaseFormat];
  r[b::kBaseKind] = 1;
  r[b::kBaseMode] = 0;
  EncodeCounted(record->bytes, b::kListACS, GetDefaultsText(defaults, d::kListACS));
  EncodeCounted(record->bytes, b::kReadACS, GetDefaultsText(defaults, d::kReadACS));
  EncodeCounted(record->bytes, b::kPostACS, GetDefaultsText(defaults, d::kPostACS));
  EncodeCounted(record->bytes, b::kSysopACS, GetDefaultsText(defaults, d::kSysopACS));
  EncodeCounted(record->bytes, b::kPassword, GetDefaultsText(defaults, d::kPassword));
  for (size_t i = 0; i < b::kHostByteCount; ++i) r[b::kHostBytes + i] = BaseDefaultByte(host, i);
  r[b::kAddressSlot] = entry.AddressSlot;
  EncodeCounted(record->bytes, b::kHostText, BaseDefaultText(host));
  r[b::kRealNames] = defaults.bytes[d::kRealNames];
  r[b::kDefNewScan] = defaults.bytes[d::kDefNewScan];
  r[b::kDefQwkScan] = defaults.bytes[d::kDefQwkScan];
  EncodeFixed16(r + b::kMaxMsgs, GetDefaultsNumber(defaults, d::kMaxMsgs));
  EncodeFixed16(r + b::kMaxMsgAge, GetDefaultsNumber(defaults, d::kMaxMsgAge));
  EncodeCounted(record->bytes, b::kHeaderFile, GetDefaultsText(defaults, d::kHeaderFile));
  EncodeFixed16(r + b::kIndex, static_cast<uint16_t>(index));
}

}  // namespace korvanex
