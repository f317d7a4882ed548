#include "app/mbases_file.h"

#include <fcntl.h>
#include <time.h>

#include "formats/base_record.h"

namespace korvanex {

namespace {

constexpr int64_t kRecordSize = static_cast<int64_t>(kBaseRecordSize);
// How old a partial record that ends the file at the open must be to count as stray bytes.
constexpr time_t kStraySeconds = 10;

// The file the run has appended to, for the sync before any way out.
const MbasesFile* appended_to = nullptr;

// A new file in place of ours is locked by the next look, and read afresh once it has not
// changed for a pause: a partial record at its end is no stray.
Outcome Open(MbasesFile* mbases) {
  RecordFile file;
  if (Outcome failed = OpenRecordFile(mbases->path.c_str(), kBaseRecordSize, &file, true)) {
    return failed;
  }
  CloseRecordFile(&mbases->file);
  mbases->file = file;
  mbases->locked = false;
  mbases->stray_size = -1;
  if (Outcome failed = StampOfRecordFile(file, &mbases->seen)) return failed;
  if (mbases->read) mbases->rewrite = mbases->seen;
  return kDone;
}

// How the file changed since `seen`: not at all, by records added at its end, or otherwise;
// a rewrite may be under way, cut short and not yet written again, and is read once a look
// after a pause finds it the same.
MbasesLook ChangeSince(const FileStamp& seen, const FileStamp& now) {
  if (IsUnchanged(seen, now)) return MbasesLook::kUnchanged;
  const bool grown = now.size > seen.size && seen.size % kRecordSize == 0;
  return grown ? MbasesLook::kGrown : MbasesLook::kChanging;
}

}  // namespace

Outcome OpenMbases(const std::string& path, MbasesFile* mbases) {
  // A NUL in a damaged DataPath would end the path early and name some other file, such
  // as ostrel.dat itself; no file name holds a NUL, so no such mbases.dat can exist.
  mbases->path = path;
  if (path.find('\0') != std::string::npos || Open(mbases)) {
    CloseMbases(mbases);
    return Outcome(Refusal::kMbasesNotOpened);
  }
  // A partial record that ends the file when the run begins is stray bytes, written over,
  // once it has not changed for 10 seconds; a younger one may be another program's append
  // under way.
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  if (mbases->seen.size % kRecordSize != 0 &&
      now.tv_sec - mbases->seen.modified.tv_sec > kStraySeconds) {
    mbases->stray_size = mbases->seen.size;
  }
  return kDone;
}

void CloseMbases(MbasesFile* mbases) {
  appended_to = nullptr;  // one run, one mbases.dat
  CloseRecordFile(&mbases->file);
}

Outcome LookAtMbases(MbasesFile* mbases, MbasesLook* look) {
  // Two runs must never append to one mbases.dat at once. Where the file system keeps no
  // locks, the run goes on without one: its appends still go to the real end of the file.
  if (!mbases->locked) {
    mbases->locked = TryLockRecordFile(mbases->file) != LockResult::kBusy;
    if (!mbases->locked) {
      *look = MbasesLook::kLockBusy;
      return kDone;
    }
  }
  FileStamp now;
  if (Outcome failed = StampOfPath(mbases->path.c_str(), &now)) return failed;
  if (!IsSameFile(now, mbases->seen)) {
    // Another file was put in place of ours: appends to ours would be lost with it.
    *look = MbasesLook::kChanging;
    return Open(mbases);
  }
  const bool stray = now.size == mbases->stray_size && IsUnchanged(mbases->seen, now);
  if (now.size % kRecordSize != 0 && !stray) {
    *look = MbasesLook::kPartialRecord;
    return kDone;
  }
  if (mbases->rewrite) {
    *look = IsUnchanged(*mbases->rewrite, now) ? MbasesLook::kRewritten : MbasesLook::kChanging;
  } else {
    // The first look reads at once.
    *look = mbases->read ? ChangeSince(mbases->seen, now) : MbasesLook::kRewritten;
  }
  if (*look == MbasesLook::kChanging) {
    mbases->rewrite = now;
    return kDone;
  }
  mbases->rewrite.reset();
  mbases->seen = now;
  mbases->read = true;
  return kDone;
}

void LockMbases(MbasesFile* mbases) {
  (void)LockRecordFile(mbases->file);
  mbases->locked = true;
}

Outcome AppendToMbases(MbasesFile* mbases, const uint8_t* record) {
  const int64_t before = mbases->seen.size;
  appended_to = mbases;
  if (Outcome failed = AppendRecord(mbases->file, record, before, before == mbases->stray_size)) {
    return failed;
  }
  mbases->stray_size = -1;
  // The file's own stamps right after the write tell this append from any later write,
  // whatever the clocks say. A size that this append alone does not explain means another
  // program wrote as well: the file is then read afresh.
  if (Outcome failed = StampOfRecordFile(mbases->file, &mbases->seen)) return failed;
  if (mbases->seen.size != before - before % kRecordSize + kRecordSize) {
    mbases->rewrite = mbases->seen;
  }
  return kDone;
}

Outcome SyncAppends() { return appended_to == nullptr ? kDone : SyncRecordFile(appended_to->file); }

}  // namespace korvanex
