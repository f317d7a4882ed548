// The tool's own defaults file, korvanex.cfg: one 117-byte record with the settings that
// every new message base receives.
#ifndef KORVANEX_FORMATS_DEFAULTS_RECORD_H_
#define KORVANEX_FORMATS_DEFAULTS_RECORD_H_

#include <cstddef>
#include <cstdint>

#include "formats/coding.h"
#include "formats/outcome.h"
#include "text/counted_text.h"

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

struct DefaultsRecord {
  uint8_t bytes[kDefaultsRecordSize] = {};
};
static_assert(sizeof(DefaultsRecord) == kDefaultsRecordSize, "no padding around the bytes");

// The text of a string field, its length cut to the field's capacity, where it lies in the
// record.
std::string_view GetDefaultsText(const DefaultsRecord& record, CountedField field);
// Writes the length and characters of `text` cut to the field's capacity; the bytes behind
// the new length keep what they held.
void SetDefaultsText(DefaultsRecord* record, CountedField field, const Str255& text);
uint16_t GetDefaultsNumber(const DefaultsRecord& record, size_t offset);
void SetDefaultsNumber(DefaultsRecord* record, size_t offset, uint16_t value);

// Sets the twelve fields to the built-in defaults. Only the length bytes and characters of
// the strings are set; the other bytes of the string fields keep what they held.
void SetBuiltInDefaults(DefaultsRecord* record);

// Loads korvanex.cfg from the current directory; `*loaded` says whether it gave the record.
// When it is missing or may not be opened for reading and writing, sets the built-in
// defaults. It fails with 100 when korvanex.cfg exists but gives no whole record (a short
// file, a directory or anything else that is not a regular file), and with 4 or 217 when
// the system had no descriptor or memory to open it, which says nothing about the file.
Outcome LoadDefaults(DefaultsRecord* record, bool* loaded);

// Saves the record to korvanex.cfg in the current directory. An existing file is
// rewritten in place: the 117 bytes go over its start in one write, anything behind them
// is cut off and the file is flushed, so it stays the same file with its hard links,
// owner, group, mode and ACLs (and a bind mount of it can be saved). A write that fails
// at once leaves the old settings whole; a failure after it may leave the new ones in.
// A symbolic link is followed as a plain open follows it, except in a sticky directory
// that everyone may write, where only a link of the user's or of the directory's owner is
// followed; nothing is created through a dangling link. The name is first opened without
// following a link, so a file cannot turn into a link behind the check. What remains:
// the rule looks at the link named korvanex.cfg only, and links further along its chain
// are followed as the system allows; a link that passed the check can be swapped before
// the open only by its owner, the directory's owner or root, whom the rule trusts anyway.
// A new file is built whole as an unnamed file and only then linked as korvanex.cfg,
// failing if that name has appeared meanwhile, so no one finds it empty or partial, even
// after the save was killed. Where the file system has no unnamed files, a hidden file
// that only the user may read until it is whole takes its place, and a killed save leaves
// it behind; it gets the name by a link or by a rename that will not replace, and keeps
// its mode where modes cannot be changed. Where there is neither, korvanex.cfg is created
// (never over an existing one) and written in place, and a killed save may leave it empty
// or partial. Returns whether it saved.
bool SaveDefaults(const DefaultsRecord& record);

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_DEFAULTS_RECORD_H_
