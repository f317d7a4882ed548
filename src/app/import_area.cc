#include "app/import_area.h"

#include <optional>

#include "app/messages.h"
#include "console/console.h"
#include "console/pipe_write.h"
#include "formats/coding.h"
#include "formats/error_number.h"
#include "text/text_utils.h"

namespace korvanex {

void BuildBaseRecord(const AreaEntry& entry, int32_t index, const DefaultsRecord& defaults,
                     const HostConfigRecord& host, BaseRecord* record) {
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

Str255 ConsoleTag(const Str255& tag) { return TerminalSafe(PadRight(tag, 62, ' ')); }

ImportResult ImportArea(ImportRun* run, const AreaEntry& entry) {
  // The head and the verdict are two texts, each parsed for codes on its own, gathered so
  // that the area's line leaves in one write once the verdict is known; a failure on the
  // way shows the head alone before its report.
  PipeOutput line;
  AppendPipeText(Join(message::kAreaHead, ConsoleTag(entry.Tag).view()), &line);
  // Another program may have added, removed or renamed bases since the last area: the view
  // is brought up to date with the file before every verdict.
  ImportResult result;
  bool unfinished = false;
  result.error = RefreshBaseIndex(&run->mbases, &run->index, &unfinished);
  if (unfinished) result.error_line = message::kUnfinishedRecord;
  if (!result.done()) {
    WritePipeOutput(line);
    return result;
  }
  if (HasFileName(run->index, entry.FileName)) {
    AppendPipeLine(message::kAreaExists, &line);
    WritePipeOutput(line);
    return result;
  }
  const std::optional<int32_t> index = NextFreeIndex(&run->index);
  if (!index) {
    WritePipeOutput(line);
    result.error_line = message::kNoFreeIndex;
    return result;
  }
  AppendPipeLine(message::kAreaCreating, &line);
  WritePipeOutput(line);

  // The new record starts from the last whole record of the file, whose bytes stay
  // behind the lengths of its strings.
  BaseRecord record = run->index.last_record;
  BuildBaseRecord(entry, *index, *run->defaults, *run->host, &record);
  result.error = AppendToMbases(&run->mbases, record.bytes);
  if (result.error != kNoError) return result;
  AddAppendedRecord(&run->index, record);
  ++run->imported;
  return result;
}

}  // namespace korvanex
