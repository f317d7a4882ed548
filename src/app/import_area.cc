#include "app/import_area.h"

#include <time.h>

#include <algorithm>
#include <optional>

#include "app/messages.h"
#include "console/console.h"
#include "console/pipe_write.h"
#include "formats/coding.h"

namespace korvanex {

namespace {

namespace b = base_field;

// The console shows a tag cut or padded with blanks to its columns, its control bytes as
// "?" so that an area list cannot send control sequences to the terminal.
std::string_view ConsoleTag(std::string_view tag, char (&field)[message::kTagColumns]) {
  const size_t kept = std::min(tag.size(), message::kTagColumns);
  std::transform(tag.begin(), tag.begin() + static_cast<std::ptrdiff_t>(kept), field,
                 TerminalSafeChar);
  std::fill(field + kept, field + message::kTagColumns, ' ');
  return std::string_view(field, message::kTagColumns);
}

CreatedBase CreatedBaseOf(const BaseRecord& record) {
  CreatedBase base;
  std::copy_n(record.bytes, sizeof base.names, base.names);
  base.address_slot = record.bytes[b::kAddressSlot];
  return base;
}

// The area a created base came from, as far as its record tells: the tag as Name holds it.
AreaEntry EntryOf(const CreatedBase& base) {
  const auto text = [&base](CountedField field) {
    return std::string_view(reinterpret_cast<const char*>(base.names + field.offset + 1),
                            base.names[field.offset]);
  };
  return {text(b::kFileName), text(b::kName), base.address_slot};
}

// Appends the record of a new base with the lowest free index. The record starts from the
// last whole record of the file, whose bytes stay behind the lengths of its strings.
Outcome AppendNewBase(ImportRun* run, const AreaEntry& entry) {
  const std::optional<int32_t> index = TakeFreeIndex(&run->view);
  if (!index) return Outcome(Refusal::kNoFreeIndex);
  BaseRecord record = run->view.last_record;
  BuildBaseRecord(entry, run->defaults, run->host, *index, &record);
  if (Outcome failed = AppendToMbases(&run->mbases, record.bytes)) return failed;
  TakeInAppended(&run->view, record);
  return kDone;
}

// A wait for another program that is writing mbases.dat: said once, so that the run never
// looks hung, and given up after 10 seconds of pauses.
struct WriterWait {
  int64_t waited_ms = 0;
  int64_t pause_ms = 0;
  bool said = false;
};

// Pauses before the next look. Part of a record is waited for with pauses that grow to
// 100 ms. A rewrite is read once a look 30 ms later finds it the same: the host cuts the
// file short and then writes it, and the short file in between must not be trusted; only
// a file still changing after that first pause is said to be waited for.
Outcome PauseForWriter(WriterWait* wait, MbasesLook look) {
  const bool partial = look == MbasesLook::kPartialRecord;
  if (wait->waited_ms >= 10000) {
    return Outcome(partial ? Refusal::kUnfinishedRecord : Refusal::kKeptRewriting);
  }
  if (!wait->said && (partial || wait->pause_ms > 0)) {
    ConsoleWriteLine(message::kWaitingForWriter);
    wait->said = true;
  }
  wait->pause_ms = partial ? std::min<int64_t>(wait->pause_ms * 2 + 1, 100) : 30;
  wait->waited_ms += wait->pause_ms;
  const timespec pause = {0, static_cast<long>(wait->pause_ms) * 1000000};
  nanosleep(&pause, nullptr);
  return kDone;
}

// Looks at the file and reads what the view lacks, again and again until a look finds the
// file as it was read, waiting where another import or program is busy with it.
Outcome RefreshView(ImportRun* run, bool* afresh) {
  WriterWait wait;
  for (;;) {
    MbasesLook look;
    if (Outcome failed = LookAtMbases(&run->mbases, &look)) return failed;
    switch (look) {
      case MbasesLook::kUnchanged:
        return kDone;
      case MbasesLook::kGrown:
      case MbasesLook::kRewritten:
        if (Outcome failed =
                ReadIntoView(run->mbases, look == MbasesLook::kRewritten, &run->view, afresh)) {
          return failed;
        }
        break;
      case MbasesLook::kLockBusy:
        ConsoleWriteLine(message::kWaitingForLock);
        LockMbases(&run->mbases);
        break;
      case MbasesLook::kPartialRecord:
      case MbasesLook::kChanging:
        if (Outcome refused = PauseForWriter(&wait, look)) return refused;
        break;
    }
  }
}

// Brings the view up to date with the file. Another program's rewrite or copy may have
// dropped bases of the run: after a read afresh, or whenever `check` asks, each base the
// run created is looked for by its file name, and one that is missing is appended again.
Outcome UpdateView(ImportRun* run, bool check) {
  for (;;) {
    bool afresh = false;
    if (Outcome failed = RefreshView(run, &afresh)) return failed;
    if (!afresh && !check) return kDone;
    bool appended = false;
    for (const CreatedBase& base : run->created) {
      const AreaEntry entry = EntryOf(base);
      if (HasFileName(run->view, entry.FileName)) continue;
      if (Outcome failed = AppendNewBase(run, entry)) return failed;
      appended = true;
    }
    // What was appended again is looked at once more, like every append.
    if (!appended) return kDone;
    check = false;
  }
}

}  // namespace

void BuildBaseRecord(const AreaEntry& entry, const DefaultsRecord& defaults,
                     const HostConfigRecord& host, int32_t index, BaseRecord* record) {
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

Outcome ImportArea(ImportRun* run, const AreaEntry& entry) {
  // The head and the verdict are two texts, each parsed for codes on its own, gathered so
  // that the area's line leaves in one write once the verdict is known; a failure on the
  // way shows the head alone before its report. The head's own codes end where the tag
  // begins, so the tag is parsed on from there.
  ConsoleText& line = run->line;
  StartConsoleText(&line);
  char tag_field[message::kTagColumns];
  AppendPipeText(message::kAreaHead, &line);
  AppendPipeText(ConsoleTag(entry.Tag, tag_field), &line);
  // Another program may have added, removed or renamed bases since the last area: the view
  // is brought up to date with the file before every verdict.
  Outcome outcome = UpdateView(run, false);
  if (!outcome && HasFileName(run->view, entry.FileName)) {
    AppendPipeLine(message::kAreaExists, &line);
  } else if (!outcome) {
    // The line that reports a new base is written once its record is in the file, so that
    // nothing slow, such as a paused terminal, stands between the look and the append.
    outcome = AppendNewBase(run, entry);
    if (outcome.refusal() == Refusal::kNone) AppendPipeLine(message::kAreaCreating, &line);
    if (!outcome) run->created.push_back(CreatedBaseOf(run->view.last_record));
  }
  ConsoleWrite(line);
  return outcome;
}

Outcome FinishImport(ImportRun* run) {
  if (Outcome failed = UpdateView(run, true)) return failed;
  return SyncAppends();
}

}  // namespace korvanex
