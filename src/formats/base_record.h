// The host's message base record: one 282-byte record per base in mbases.dat.
#ifndef KORVANEX_FORMATS_BASE_RECORD_H_
#define KORVANEX_FORMATS_BASE_RECORD_H_

#include <cstddef>
#include <cstdint>

#include "formats/coding.h"

namespace korvanex {

constexpr size_t kBaseRecordSize = 282;

// The fields at their offsets; a counted field of capacity N takes N + 1 bytes.
namespace base_field {
constexpr CountedField kName = {0, 40};
constexpr CountedField kShortName = {41, 13};
constexpr CountedField kFileName = {55, 8};
constexpr CountedField kPath = {64, 40};
constexpr size_t kBaseFormat = 105;  // uint8: 0 JAM, 1 Squish
constexpr size_t kBaseKind = 106;    // uint8
constexpr size_t kBaseMode = 107;    // uint8
constexpr CountedField kListACS = {108, 20};
constexpr CountedField kReadACS = {129, 20};
constexpr CountedField kPostACS = {150, 20};
constexpr CountedField kSysopACS = {171, 20};
constexpr CountedField kPassword = {192, 15};
constexpr size_t kHostBytes = 208;  // 4 x uint8
constexpr size_t kHostByteCount = 4;
constexpr size_t kAddressSlot = 212;  // uint8, 1..20
constexpr CountedField kHostText = {213, 50};
constexpr size_t kRealNames = 264;   // uint8
constexpr size_t kDefNewScan = 265;  // uint8
constexpr size_t kDefQwkScan = 266;  // uint8
constexpr size_t kMaxMsgs = 267;     // uint16
constexpr size_t kMaxMsgAge = 269;   // uint16
constexpr CountedField kHeaderFile = {271, 8};
constexpr size_t kIndex = 280;  // int16
}  // namespace base_field

static_assert(FieldsFillRecord({base_field::kName,
                                base_field::kShortName,
                                base_field::kFileName,
                                base_field::kPath,
                                {base_field::kBaseFormat, 1},
                                {base_field::kBaseKind, 1},
                                {base_field::kBaseMode, 1},
                                base_field::kListACS,
                                base_field::kReadACS,
                                base_field::kPostACS,
                                base_field::kSysopACS,
                                base_field::kPassword,
                                {base_field::kHostBytes, base_field::kHostByteCount},
                                {base_field::kAddressSlot, 1},
                                base_field::kHostText,
                                {base_field::kRealNames, 1},
                                {base_field::kDefNewScan, 1},
                                {base_field::kDefQwkScan, 1},
                                {base_field::kMaxMsgs, 2},
                                {base_field::kMaxMsgAge, 2},
                                base_field::kHeaderFile,
                                {base_field::kIndex, 2}},
                               kBaseRecordSize),
              "each field of the base record ends where the next begins");

struct BaseRecord {
  uint8_t bytes[kBaseRecordSize] = {};
};
static_assert(sizeof(BaseRecord) == kBaseRecordSize, "no padding around the bytes");

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_BASE_RECORD_H_
