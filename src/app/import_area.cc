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

namespace {

CreatedBase CreatedBaseOf(const AreaEntry& entry) {
  CreatedBase base;
  base.tag_length = static_cast<uint8_t>(std::min(entry.Tag.size(), sizeof base.tag));
  base.file_name_length =
      static_cast<uint8_t>(std::min(entry.FileName.size(), sizeof base.file_name));
  std::copy_n(entry.Tag.begin(), base.tag_length, base.tag);
  std::copy_n(entry.FileName.begin(), base.file_name_length, base.file_name);
  base.address_slot = entry.AddressSlot;
  return base;
}

AreaEntry EntryOf(const CreatedBase& base) {
  AreaEntry entry;
  entry.Tag = std::string_view(base.tag, base.tag_length);
  entry.FileName = std::string_view(base.file_name, base.file_name_length);
  entry.AddressSlot = base.address_slot;
  return entry;
}

// Appends the record of a new base with the lowest free index. The record starts from the
// last whole record of the file, whose bytes stay behind the lengths of its strings.
ImportResult AppendNewBase(ImportRun* run, const AreaEntry& entry) {
  const std::optional<int32_t> index = NextFreeIndex(&run->index);
  if (!index) return {kNoError, message::kNoFreeIndex};
  BaseRecord record = run->index.last_record;
  BuildBaseRecord(run->new_base, entry, *index, &record);
  if (ErrorNumber error = AppendToMbases(&run->mbases, record.bytes)) return {error};
  AddAppendedRecord(&run->index, record);
  return {};
}

// Brings the view up to date with the file. Another program's rewrite or copy may have
// dropped bases of the run: after a read afresh, or whenever `check` asks, each base the
// run created is looked for by its file name, and one that is missing is appended again.
ImportResult UpdateView(ImportRun* run, bool check) {
  for (;;) {
    bool afresh = false;
    ImportResult result = RefreshBaseIndex(&run->mbases, &run->index, &afresh);
    if (!result.done() || !(afresh || check)) return result;
    bool appended = false;
    for (const CreatedBase& base : run->created) {
      const AreaEntry entry = EntryOf(base);
      if (HasFileName(run->index, entry.FileName)) continue;
      result = AppendNewBase(run, entry);
      if (!result.done()) return result;
      appended = true;
    }
    // What was appended again is looked at once more, like every append.
    if (!appended) return result;
    check = false;
  }
}

}  // namespace

ImportResult ImportArea(ImportRun* run, const AreaEntry& entry) {
  // The head and the verdict are two texts, each parsed for codes on its own, gathered so
  // that the area's line leaves in one write once the verdict is known; a failure on the
  // way shows the head alone before its report. The head's own codes end where the tag
  // begins, so the tag is parsed on from there.
  ConsoleText& line = run->line;
  StartConsoleText(&line);
  char tag_field[kTagColumns];
  AppendPipeText(message::kAreaHead, &line);
  AppendPipeText(ConsoleTag(entry.Tag, tag_field), &line);
  // Another program may have added, removed or renamed bases since the last area: the view
  // is brought up to date with the file before every verdict.
  ImportResult result = UpdateView(run, false);
  if (result.done() && HasFileName(run->index, entry.FileName)) {
    AppendPipeLine(message::kAreaExists, &line);
  } else if (result.done()) {
    // The line that reports a new base is written once its record is in the file, so that
    // nothing slow, such as a paused terminal, stands between the look and the append.
    result = AppendNewBase(run, entry);
    if (result.error_line == nullptr) AppendPipeLine(message::kAreaCreating, &line);
    if (result.done()) run->created.push_back(CreatedBaseOf(entry));
  }
  ConsoleWrite(line);
  return result;
}

ImportResult FinishImport(ImportRun* run) {
  ImportResult result = UpdateView(run, true);
  if (result.done()) result.error = SyncAppends();
  return result;
}

}  // namespace korvanex
