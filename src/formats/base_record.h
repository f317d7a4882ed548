// The host's message base record: one 282-byte record per base in mbases.dat.
#ifndef KORVANEX_FORMATS_BASE_RECORD_H_
#define KORVANEX_FORMATS_BASE_RECORD_H_

#include <cstddef>
#include <cstdint>

namespace korvanex {

// Field offsets; a counted string of capacity N occupies N + 1 bytes from its offset.
namespace base_field {
constexpr size_t kName = 0;           // Str40
constexpr size_t kShortName = 41;     // Str13
constexpr size_t kFileName = 55;      // Str8
constexpr size_t kPath = 64;          // Str40
constexpr size_t kBaseFormat = 105;   // uint8: 0 JAM, 1 Squish
constexpr size_t kBaseKind = 106;     // uint8
constexpr size_t kBaseMode = 107;     // uint8
constexpr size_t kListACS = 108;      // Str20
constexpr size_t kReadACS = 129;      // Str20
constexpr size_t kPostACS = 150;      // Str20
constexpr size_t kSysopACS = 171;     // Str20
constexpr size_t kPassword = 192;     // Str15
constexpr size_t kHostBytes = 208;    // 4 x uint8
constexpr size_t kAddressSlot = 212;  // uint8, 1..20
constexpr size_t kHostText = 213;     // Str50
constexpr size_t kRealNames = 264;    // uint8
constexpr size_t kDefNewScan = 265;   // uint8
constexpr size_t kDefQwkScan = 266;   // uint8
constexpr size_t kMaxMsgs = 267;      // uint16
constexpr size_t kMaxMsgAge = 269;    // uint16
constexpr size_t kHeaderFile = 271;   // Str8
constexpr size_t kIndex = 280;        // int16
constexpr size_t kEnd = 282;
}  // namespace base_field

constexpr size_t kBaseRecordSize = 282;
static_assert(base_field::kEnd == kBaseRecordSize, "the fields fill the record exactly");
static_assert(base_field::kHeaderFile + 9 == base_field::kIndex, "Str8 then the index");

struct BaseRecord {
  uint8_t bytes[kBaseRecordSize] = {};
};
static_assert(sizeof(BaseRecord) == kBaseRecordSize, "no padding around the bytes");

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_BASE_RECORD_H_
