#include "app/mbases_file.h"

#include <fcntl.h>
#include <time.h>

#include <algorithm>

#include "app/messages.h"
#include "console/console.h"
#include "formats/base_record.h"

namespace korvanex {

namespace {

constexpr int64_t kRecordSize = static_cast<int64_t>(kBaseRecordSize);
// How long the run waits for another program's write before it gives up.
constexpr int64_t kWriterWaitMs = 10000;
// How long a rewritten file must stay unchanged before it is read: the host's rewrite cuts
// the file short and then writes it, and the short file in between must not be trusted.
constexpr int64_t kQuietMs = 30;
// How old a partial record that ends the file at the open must be to count as stray bytes.
constexpr time_t kStraySeconds = 10;

// The file the run has appended to, for the sync before any way out.
const MbasesFile* appended_to = nullptr;

// Two runs must never append to one mbases.dat at once; a run that has to wait says so, so
// that it never looks hung. Where the file system keeps no locks, the run goes on without
// one: its appends still go to the real end of the file.
void Lock(const RecordFile& file) {
  if (TryLockRecordFile(file) != LockResult::kBusy) return;
  ConsoleWriteLine(message::kWaitingForLock);
  (void)LockRecordFile(file);
}

ErrorNumber OpenAndLock(MbasesFile* mbases) {
  RecordFile file;
  if (ErrorNumber error =
          OpenRecordFileAt(AT_FDCWD, mbases->path.c_str(), kBaseRecordSize, true, &file)) {
    return error;
  }
  CloseRecordFile(&mbases->file);
  mbases->file = file;
  Lock(file);
  mbases->read = false;
  mbases->stray_size = -1;  // a partial record at the end of a new file in place is no stray
  return StampOfRecordFile(file, &mbases->seen);
}

// How the file changed since `seen`: not at all, by records added at its end, or otherwise.
MbasesChange ChangeSince(const FileStamp& seen, const FileStamp& now) {
  if (IsUnchanged(seen, now)) return MbasesChange::kNone;
  const bool grown = now.size > seen.size && seen.size % kRecordSize == 0;
  return grown ? MbasesChange::kGrown : MbasesChange::kRewritten;
}

int64_t MillisecondsSince(const timespec& start) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
}

// A wait for another program's write, which lasts 10 seconds at most and is said once.
struct WriterWait {
  bool started = false;
  bool said = false;
  timespec start = {};
};

// Pauses for `ms`, saying first that the run waits when `say`; false, without a pause,
// once the wait has lasted 10 seconds.
bool PauseForWriter(WriterWait* wait, int64_t ms, bool say) {
  if (!wait->started) {
    wait->started = true;
    clock_gettime(CLOCK_MONOTONIC, &wait->start);
  } else if (MillisecondsSince(wait->start) >= kWriterWaitMs) {
    return false;
  }
  if (say && !wait->said) {
    ConsoleWriteLine(message::kWaitingForWriter);
    wait->said = true;
  }
  const timespec pause = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
  nanosleep(&pause, nullptr);
  return true;
}

}  // namespace

bool OpenMbases(const std::string& path, MbasesFile* mbases) {
  // A NUL in a damaged DataPath would end the path early and name some other file, such
  // as ostrel.dat itself; no file name holds a NUL, so no such mbases.dat can exist.
  if (path.find('\0') != std::string::npos) return false;
  mbases->path = path;
  if (OpenAndLock(mbases) != kNoError) {
    CloseMbases(mbases);
    return false;
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
  return true;
}

void CloseMbases(MbasesFile* mbases) {
  appended_to = nullptr;  // one run, one mbases.dat
  CloseRecordFile(&mbases->file);
}

ImportResult LookAtMbases(MbasesFile* mbases, MbasesChange* change) {
  // Only a change from a file the run had read is waited out; the first look reads at once.
  const bool had_read = mbases->read;
  WriterWait wait;
  FileStamp previous;  // the look before, when the run waits for a rewrite to end
  bool waiting_for_quiet = false;
  for (int64_t partial_pause_ms = 0;;) {
    FileStamp now;
    if (ErrorNumber error = StampOfPath(AT_FDCWD, mbases->path.c_str(), &now)) return {error};
    if (!IsSameFile(now, mbases->seen)) {
      // Another file was put in place of ours: appends to ours would be lost with it.
      if (ErrorNumber error = OpenAndLock(mbases)) return {error};
      continue;
    }
    const bool stray = now.size == mbases->stray_size && IsUnchanged(mbases->seen, now);
    if (now.size % kRecordSize != 0 && !stray) {
      // Another program has written part of a record: wait until it has written the rest.
      partial_pause_ms = std::min<int64_t>(partial_pause_ms * 2 + 1, 100);
      if (!PauseForWriter(&wait, partial_pause_ms, true)) {
        return {kNoError, message::kUnfinishedRecord};
      }
      continue;
    }
    *change = mbases->read ? ChangeSince(mbases->seen, now) : MbasesChange::kRewritten;
    const bool quiet = waiting_for_quiet && IsSameFile(previous, now) && IsUnchanged(previous, now);
    if (*change == MbasesChange::kRewritten && had_read && !quiet) {
      // Another look after a pause: a file still changing is said to be waited for.
      if (!PauseForWriter(&wait, kQuietMs, waiting_for_quiet)) {
        return {kNoError, message::kKeptRewriting};
      }
      previous = now;
      waiting_for_quiet = true;
      continue;
    }
    mbases->seen = now;
    mbases->read = true;
    return {};
  }
}

ErrorNumber AppendToMbases(MbasesFile* mbases, const uint8_t* record) {
  const int64_t before = mbases->seen.size;
  appended_to = mbases;
  if (ErrorNumber error =
          AppendRecord(mbases->file, record, before, before == mbases->stray_size)) {
    return error;
  }
  mbases->stray_size = -1;
  // The file's own stamps right after the write tell this append from any later write,
  // whatever the clocks say. A size that this append alone does not explain means another
  // program wrote as well: the file is then read afresh.
  if (ErrorNumber error = StampOfRecordFile(mbases->file, &mbases->seen)) return error;
  mbases->read = mbases->seen.size == before - before % kRecordSize + kRecordSize;
  return kNoError;
}

ErrorNumber SyncAppends() {
  return appended_to == nullptr ? kNoError : SyncRecordFile(appended_to->file);
}

}  // namespace korvanex
