// The tool's own defaults file, korvanex.cfg: one 117-byte record with the settings that
// every new message base receives.
#ifndef KORVANEX_FORMATS_DEFAULTS_RECORD_H_
#define KORVANEX_FORMATS_DEFAULTS_RECORD_H_

#include <cstddef>
#include <cstdint>

#include "formats/coding.h"
#include "formats/outcome.h"

namespace korvanex {

constexpr size_t kDefaultsRecordSize = 117;

// The fields at their offsets; a counted field of capacity N takes N + 1 bytes.
namespace defaults_field {
constexpr CountedField kListACS = {0, 20};
constexpr CountedField kReadACS = {21, 20};
constexpr CountedField kPostACS = {42, 20};
constexpr CountedField kSysopACS = {63, 20};
constexpr CountedField kPassword = {84, 15};
constexpr size_t kRealNames = 100;   // uint8: 0 No, 1 Yes
constexpr size_t kDefNewScan = 101;  // uint8: 0 No, 1 Yes, 2 Forced
constexpr size_t kDefQwkScan = 102;  // uint8: 0 No, 1 Yes, 2 Forced
constexpr size_t kMaxMsgs = 103;     // uint16
constexpr size_t kMaxMsgAge = 105;   // uint16
constexpr CountedField kHeaderFile = {107, 8};
constexpr size_t kBaseFormat = 116;  // uint8: 0 JAM, 1 Squish
}  // namespace defaults_field

static_assert(FieldsFillRecord({defaults_field::kListACS,
                                defaults_field::kReadACS,
                                defaults_field::kPostACS,
                                defaults_field::kSysopACS,
                                defaults_field::kPassword,
                                {defaults_field::kRealNames, 1},
                                {defaults_field::kDefNewScan, 1},
                                {defaults_field::kDefQwkScan, 1},
                                {defaults_field::kMaxMsgs, 2},
                                {defaults_field::kMaxMsgAge, 2},
                                defaults_field::kHeaderFile,
                                {defaults_field::kBaseFormat, 1}},
                               kDefaultsRecordSize),
              "each field of the defaults record ends where the next begins");

constexpr char kDefaultsFileName[] = "korvanex.cfg";

// Its fields are read and written with the Decode and Encode functions of coding.h.
struct DefaultsRecord {
  uint8_t bytes[kDefaultsRecordSize] = {};
};
static_assert(sizeof(DefaultsRecord) == kDefaultsRecordSize, "no padding around the bytes");

// Sets the twelve fields to the built-in defaults. Only the length bytes and characters of
// the strings are set; the other bytes of the string fields keep what they held.
void SetBuiltInDefaults(DefaultsRecord* record);

// Loads korvanex.cfg from the current directory; `*loaded` says whether it gave the record.
// When it is missing or may not be opened for reading and writing, sets the built-in
// defaults. It fails with 100 when korvanex.cfg exists but gives no whole record (a short
// file, a directory or anything else that is not a regular file), and with 4 or 217 when
// the system had no descriptor or memory to open it, which says nothing about the file.
Outcome LoadDefaults(DefaultsRecord* record, bool* loaded);

// Saves the record to korvanex.cfg in the current directory and returns whether it saved.
// An existing file is rewritten in place and stays the same file (links, owner, mode); a
// new one appears only whole, where the file system allows. A symbolic link is followed,
// except one that may have been planted in a sticky directory that everyone may write.
bool SaveDefaults(const DefaultsRecord& record);

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_DEFAULTS_RECORD_H_
