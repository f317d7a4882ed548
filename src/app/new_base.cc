#include "app/new_base.h"

#include <algorithm>

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
  EncodeCounted(record->bytes, b::kListACS, DecodeCounted(defaults.bytes, d::kListACS));
  EncodeCounted(record->bytes, b::kReadACS, DecodeCounted(defaults.bytes, d::kReadACS));
  EncodeCounted(record->bytes, b::kPostACS, DecodeCounted(defaults.bytes, d::kPostACS));
  EncodeCounted(record->bytes, b::kSysopACS, DecodeCounted(defaults.bytes, d::kSysopACS));
  EncodeCounted(record->bytes, b::kPassword, DecodeCounted(defaults.bytes, d::kPassword));
  std::copy_n(host.bytes + host_field::kBaseDefaultBytes, b::kHostByteCount, r + b::kHostBytes);
  r[b::kAddressSlot] = entry.AddressSlot;
  EncodeCounted(record->bytes, b::kHostText, BaseDefaultText(host));
  r[b::kRealNames] = defaults.bytes[d::kRealNames];
  r[b::kDefNewScan] = defaults.bytes[d::kDefNewScan];
  r[b::kDefQwkScan] = defaults.bytes[d::kDefQwkScan];
  EncodeFixed16(r + b::kMaxMsgs, DecodeFixed16(defaults.bytes + d::kMaxMsgs));
  EncodeFixed16(r + b::kMaxMsgAge, DecodeFixed16(defaults.bytes + d::kMaxMsgAge));
  EncodeCounted(record->bytes, b::kHeaderFile, DecodeCounted(defaults.bytes, d::kHeaderFile));
  EncodeFixed16(r + b::kIndex, static_cast<uint16_t>(index));
}

}  // namespace korvanex
