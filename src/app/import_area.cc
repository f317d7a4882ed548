#include "app/import_area.h"

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
  EncodeCounted(r, b::kName, 40, entry.Tag);
  EncodeCounted(r, b::kShortName, 13, entry.Tag);
  EncodeCounted(r, b::kFileName, 8, entry.FileName);
  EncodeCounted(r, b::kPath, 40, MsgBasePath(host));
  r[b::kBaseFormat] = defaults.bytes[d::kBaseFormat];
  r[b::kBaseKind] = 1;
  r[b::kBaseMode] = 0;
  EncodeCounted(r, b::kListACS, 20, GetDefaultsText(defaults, d::kListACS, 20));
  EncodeCounted(r, b::kReadACS, 20, GetDefaultsText(defaults, d::kReadACS, 20));
  EncodeCounted(r, b::kPostACS, 20, GetDefaultsText(defaults, d::kPostACS, 20));
  EncodeCounted(r, b::kSysopACS, 20, GetDefaultsText(defaults, d::kSysopACS, 20));
  EncodeCounted(r, b::kPassword, 15, GetDefaultsText(defaults, d::kPassword, 15));
  for (int i = 0; i < 4; ++i) r[b::kHostBytes + static_cast<size_t>(i)] = BaseDefaultByte(host, i);
  r[b::kAddressSlot] = entry.AddressSlot;
  EncodeCounted(r, b::kHostText, 50, BaseDefaultText(host));
  r[b::kRealNames] = defaults.bytes[d::kRealNames];
  r[b::kDefNewScan] = defaults.bytes[d::kDefNewScan];
  r[b::kDefQwkScan] = defaults.bytes[d::kDefQwkScan];
  EncodeFixed16(r + b::kMaxMsgs, GetDefaultsNumber(defaults, d::kMaxMsgs));
  EncodeFixed16(r + b::kMaxMsgAge, GetDefaultsNumber(defaults, d::kMaxMsgAge));
  EncodeCounted(r, b::kHeaderFile, 8, GetDefaultsText(defaults, d::kHeaderFile, 8));
  EncodeFixed16(r + b::kIndex, static_cast<uint16_t>(index));
}

Str255 ConsoleTag(const Str255& tag) { return Str255(TerminalSafe(PadRight(tag, 62, ' ').view())); }

int ImportArea(ImportRun* run, const AreaEntry& entry) {
  const Str255 head = Join("|08- |07Area|08: |15", ConsoleTag(entry.Tag).view());
  // The verdict is known before anything is written, so the area's line leaves whole; a
  // failure on the way shows the head alone before its report.
  int64_t file_size = 0;
  if (int error = RefreshBaseIndex(run->mbases, &run->index, &file_size)) {
    PipeWrite(head);
    return error;
  }
  if (HasFileName(run->index, entry.FileName)) {
    PipeWriteLn(Join(head, "|12Exists"));
    return kNoError;
  }
  const int32_t index = NextFreeIndex(&run->index);
  if (index == 0) {
    PipeWrite(head);
    return kNoFreeIndex;
  }
  PipeWriteLn(Join(head, "|10Creating"));

  // The new record starts from the last whole record of the file, whose bytes stay
  // behind the lengths of its strings.
  BaseRecord record = run->index.last_record;
  BuildBaseRecord(entry, index, *run->defaults, *run->host, &record);
  // A partial record at the end is written over; otherwise the record goes to the end of
  // the file as it is then, so that nothing another program appended is ever overwritten.
  const bool partial_end = file_size % static_cast<int64_t>(kBaseRecordSize) != 0;
  const int error = partial_end ? WriteRecordAt(&run->mbases, run->index.record_count, record.bytes)
                                : AppendRecord(&run->mbases, record.bytes);
  if (error != kNoError) return error;
  AddAppendedRecord(&run->index, record);
  ++run->imported;
  return kNoError;
}

}  // namespace korvanex
