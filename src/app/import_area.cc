#include "app/import_area.h"

#include <algorithm>
#include <optional>

#include "app/messages.h"
#include "console/console.h"
#include "console/pipe_write.h"
#include "formats/coding.h"

namespace korvanex {

namespace {

namespace b = base_field;

// The prepared string fields: each keeps, in a new record, its length and characters only.
constexpr CountedField kPreparedTexts[] = {b::kPath,     b::kListACS,   b::kReadACS,
                                           b::kPostACS,  b::kSysopACS,  b::kPassword,
                                           b::kHostText, b::kHeaderFile};
// The prepared numbers, as runs of bytes: format, kind and mode; the host's four bytes;
// the flags and the two limits.
constexpr struct {
  size_t offset;
  size_t size;
} kPreparedNumbers[] = {
    {b::kBaseFormat, 3}, {b::kHostBytes, b::kHostByteCount}, {b::kRealNames, 7}};

// The console shows a tag in 62 columns, cut or padded with blanks, its control bytes as
// "?" so that an area list cannot send control sequences to the terminal.
constexpr size_t kTagColumns = 62;

std::string_view ConsoleTag(std::string_view tag, char (&field)[kTagColumns]) {
  const size_t kept = std::min(tag.size(), kTagColumns);
  std::transform(tag.begin(), tag.begin() + static_cast<std::ptrdiff_t>(kept), field,
                 TerminalSafeChar);
  std::fill(field + kept, field + kTagColumns, ' ');
  return std::string_view(field, kTagColumns);
}

}  // namespace

NewBaseFields PrepareNewBaseFields(const DefaultsRecord& defaults, const HostConfigRecord& host) {
  namespace d = defaults_field;
  NewBaseFields fields;
  uint8_t* r = fields.bytes.bytes;
  EncodeCounted(fields.bytes.bytes, b::kPath, MsgBasePath(host));
  r[b::kBaseFormat] = defaults.bytes[d::kBaseFormat];
  r[b::kBaseKind] = 1;
  r[b::kBaseMode] = 0;
  EncodeCounted(fields.bytes.bytes, b::kListACS, GetDefaultsText(defaults, d::kListACS));
  EncodeCounted(fields.bytes.bytes, b::kReadACS, GetDefaultsText(defaults, d::kReadACS));
  EncodeCounted(fields.bytes.bytes, b::kPostACS, GetDefaultsText(defaults, d::kPostACS));
  EncodeCounted(fields.bytes.bytes, b::kSysopACS, GetDefaultsText(defaults, d::kSysopACS));
  EncodeCounted(fields.bytes.bytes, b::kPassword, GetDefaultsText(defaults, d::kPassword));
  for (size_t i = 0; i < b::kHostByteCount; ++i) r[b::kHostBytes + i] = BaseDefaultByte(host, i);
  EncodeCounted(fields.bytes.bytes, b::kHostText, BaseDefaultText(host));
  r[b::kRealNames] = defaults.bytes[d::kRealNames];
  r[b::kDefNewScan] = defaults.bytes[d::kDefNewScan];
  r[b::kDefQwkScan] = defaults.bytes[d::kDefQwkScan];
  EncodeFixed16(r + b::kMaxMsgs, GetDefaultsNumber(defaults, d::kMaxMsgs));
  EncodeFixed16(r + b::kMaxMsgAge, GetDefaultsNumber(defaults, d::kMaxMsgAge));
  EncodeCounted(fields.bytes.bytes, b::kHeaderFile, GetDefaultsText(defaults, d::kHeaderFile));
  return fields;
}

void BuildBaseRecord(const NewBaseFields& fields, const AreaEntry& entry, int32_t index,
                     BaseRecord* record) {
  const uint8_t* from = fields.bytes.bytes;
  uint8_t* r = record->bytes;
  EncodeCounted(record->bytes, b::kName, entry.Tag);
  EncodeCounted(record->bytes, b::kShortName, entry.Tag);
  EncodeCounted(record->bytes, b::kFileName, entry.FileName);
  for (const CountedField& text : kPreparedTexts) {
    std::copy_n(from + text.offset, 1 + from[text.offset], r + text.offset);
  }
  for (const auto& number : kPreparedNumbers) {
    std::copy_n(from + number.offset, number.size, r + number.offset);
  }
  r[b::kAddressSlot] = entry.AddressSlot;
  EncodeFixed16(r + b::kIndex, static_cast<uint16_t>(index));
}

ImportResult ImportArea(ImportRun* run, const AreaEntry& entry) {
  // The head and the verdict are two texts, each parsed for codes on its own, gathered so
  // that the area's line leaves in one write once the verdict is known; a failure on the
  // way shows the head alone before its report. The head's own codes end where the tag
  // begins, so the tag is parsed on from there.
  std::string& line = run->line;
  line.clear();
  char tag_field[kTagColumns];
  AppendPipeText(message::kAreaHead, &line);
  AppendPipeText(ConsoleTag(entry.Tag, tag_field), &line);
  // Another program may have added, removed or renamed bases since the last area: the view
  // is brought up to date with the file before every verdict.
  ImportResult result;
  bool unfinished = false;
  result.error = RefreshBaseIndex(&run->mbases, &run->index, &unfinished);
  if (unfinished) result.error_line = message::kUnfinishedRecord;
  if (!result.done()) {
    ConsoleWrite(line);
    return result;
  }
  if (HasFileName(run->index, entry.FileName)) {
    AppendPipeLine(message::kAreaExists, &line);
    ConsoleWrite(line);
    return result;
  }
  const std::optional<int32_t> index = NextFreeIndex(&run->index);
  if (!index) {
    ConsoleWrite(line);
    result.error_line = message::kNoFreeIndex;
    return result;
  }
  AppendPipeLine(message::kAreaCreating, &line);
  ConsoleWrite(line);

  // The new record starts from the last whole record of the file, whose bytes stay
  // behind the lengths of its strings.
  BaseRecord record = run->index.last_record;
  BuildBaseRecord(run->new_base, entry, *index, &record);
  result.error = AppendToMbases(&run->mbases, record.bytes);
  if (result.error != kNoError) return result;
  AddAppendedRecord(&run->index, record);
  ++run->imported;
  return result;
}

}  // namespace korvanex
