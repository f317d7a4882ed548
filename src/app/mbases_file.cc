#include "app/mbases_file.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "app/messages.h"
#include "console/console.h"
#include "formats/base_record.h"

namespace korvanex {

namespace {

constexpr int64_t kRecordSize = static_cast<int64_t>(kBaseRecordSize);
constexpr int64_t kUnfinishedWaitMs = 10000;

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
          OpenRecordFileAt(mbases->dir_fd, mbases->name.c_str(), kBaseRecordSize, true, &file)) {
    return error;
  }
  CloseRecordFile(&mbases->file);
  mbases->file = file;
  Lock(file);
  mbases->read = false;
  mbases->stray_size = -1;  // a partial record at the end of a new file in place is no stray
  return StampOfRecordFile(file, &mbases->known);
}

bool NotLater(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec <= b.tv_nsec);
}

int64_t MillisecondsSince(const timespec& start) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
}

void PauseMs(int64_t ms) {
  const timespec pause = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
  nanosleep(&pause, nullptr);
}

}  // namespace

bool OpenMbases(const std::string& path, MbasesFile* mbases) {
  // A NUL in a damaged DataPath would end the path early and name some other file, such
  // as ostrel.dat itself; no file name holds a NUL, so no such mbases.dat can exist.
  if (path.find('\0') != std::string::npos) return false;
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  mbases->name = slash == std::string::npos ? path : path.substr(slash + 1);
  mbases->dir_fd = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (mbases->dir_fd < 0) return false;
  if (OpenAndLock(mbases) != kNoError) {
    CloseMbases(mbases);
    return false;
  }
  // A partial record that ends the file when the run begins is stray bytes, written over.
  if (mbases->known.size % kRecordSize != 0) mbases->stray_size = mbases->known.size;
  return true;
}

void CloseMbases(MbasesFile* mbases) {
  CloseRecordFile(&mbases->file);
  if (mbases->dir_fd >= 0) close(mbases->dir_fd);
  mbases->dir_fd = -1;
}

ErrorNumber LookAtMbases(MbasesFile* mbases, MbasesChange* change, bool* unfinished) {
  *unfinished = false;
  timespec wait_start = {};
  int64_t pause_ms = 0;
  for (;;) {
    FileStamp now;
    if (ErrorNumber error = StampOfPath(mbases->dir_fd, mbases->name.c_str(), &now)) return error;
    if (!IsSameFile(now, mbases->known)) {
      // Another file was put in place of ours: appends to ours would be lost with it.
      if (ErrorNumber error = OpenAndLock(mbases)) return error;
      continue;
    }
    const bool stray = now.size == mbases->stray_size && IsUnchanged(mbases->known, now);
    if (now.size % kRecordSize != 0 && !stray) {
      // Another program has written part of a record: wait until it has written the rest.
      if (pause_ms == 0) {
        ConsoleWriteLine(message::kWaitingForWriter);
        clock_gettime(CLOCK_MONOTONIC, &wait_start);
      } else if (MillisecondsSince(wait_start) >= kUnfinishedWaitMs) {
        *unfinished = true;
        return kNoError;
      }
      pause_ms = std::min<int64_t>(pause_ms * 2 + 1, 100);
      PauseMs(pause_ms);
      continue;
    }
    if (!mbases->read) {
      *change = MbasesChange::kRewritten;
    } else if (IsUnchanged(mbases->known, now)) {
      *change = MbasesChange::kNone;
    } else if (now.size == mbases->appended_size) {
      // The run's own append, unless something wrote the file after it.
      const bool own =
          NotLater(now.modified, mbases->appended_by) && NotLater(now.changed, mbases->appended_by);
      *change = own ? MbasesChange::kNone : MbasesChange::kRewritten;
    } else {
      *change = now.size > mbases->known.size ? MbasesChange::kGrown : MbasesChange::kRewritten;
    }
    mbases->appended_size = -1;
    mbases->known = now;
    mbases->read = true;
    return kNoError;
  }
}

ErrorNumber AppendToMbases(MbasesFile* mbases, const uint8_t* record) {
  const int64_t before = mbases->known.size;
  const bool over_stray = before == mbases->stray_size;
  if (ErrorNumber error = AppendRecord(mbases->file, record, over_stray ? before : -1)) {
    return error;
  }
  mbases->stray_size = -1;
  // The clock read after the write is no earlier than the time stamps the write set, so
  // the next look tells this append from a later write without a look of its own.
  mbases->appended_size = before - before % kRecordSize + kRecordSize;
  clock_gettime(CLOCK_REALTIME, &mbases->appended_by);
  return kNoError;
}

}  // namespace korvanex
