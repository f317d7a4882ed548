// mbases.dat as the run shares it with the host. The host and its utilities write the file
// while an import runs and take no lock: they append records (now and then in two writes),
// rewrite the file in place (often by cutting it to nothing and writing it again), or
// write a new copy and rename it over the old one. So before each area the run looks at
// the file that the path names now, with one stat of the whole path, so that a moved
// directory or a switched link is seen too, and compares it with what the run last saw:
// the file's own stamps when the run last read it, or right after the run's own last
// append (no clock is trusted). Another file there was put in place of the old one, and
// is opened, locked and read afresh; a file that only grew has new records to read; any
// other change of size or stamps means the file was rewritten. A rewritten file is read
// only once a look a pause later finds it unchanged, and is looked at again after the read.
//
// What the look cannot see: a rewrite that keeps the size and falls within the same tick
// of the file system's time stamps as the run's last read or append; a rewrite that comes
// with growth and keeps the record that ended the file (it is taken for an append); and a
// write that another program makes in the moment between the look and the run's append.
// The import makes up for what matters most: after a rewrite, and before it reports
// success, it checks that every base it created is still in the file.
//
// Nothing here waits without end or writes to the console: a look says what it found,
// and the import decides how long to wait and tells the operator.
#ifndef KORVANEX_APP_MBASES_FILE_H_
#define KORVANEX_APP_MBASES_FILE_H_

#include <cstdint>
#include <optional>
#include <string>

#include "formats/outcome.h"
#include "formats/record_file.h"

namespace korvanex {

struct MbasesFile {
  std::string path;
  RecordFile file;  // opened for appending
  bool locked = false;
  // The file as the run last saw it: when it last read it, or right after its own append.
  FileStamp seen;
  bool read = false;  // whether the run has read the file yet
  // A rewrite that a look found and that is read once a look a pause later finds it so.
  std::optional<FileStamp> rewrite;
  int64_t stray_size = -1;  // the size at the open, when an old partial record ended the file
};

// Opens mbases.dat at `path`, the host's DataPath joined to "mbases.dat"; refused with
// kMbasesNotOpened when it cannot be opened. The lock is taken by the first look.
Outcome OpenMbases(const std::string& path, MbasesFile* mbases);
void CloseMbases(MbasesFile* mbases);

// What one look at the file found: no change since the run last saw it; records added at
// its end; a rewrite, a new file in its place or the first look, to be read afresh;
// another import's lock on it, for which LockMbases waits; part of a record at its end
// that another program is writing (not the stray bytes an old one left); or a rewrite
// that is not known to have ended. After the last two, the caller pauses and looks again.
enum class MbasesLook { kUnchanged, kGrown, kRewritten, kLockBusy, kPartialRecord, kChanging };

// Looks once at the file the path names now. Unless it returns kLockBusy, kPartialRecord
// or kChanging, `seen` then describes the file.
Outcome LookAtMbases(MbasesFile* mbases, MbasesLook* look);

// Waits for the lock that another import holds on the file.
void LockMbases(MbasesFile* mbases);

// Appends a record; an old partial record that ended the file at the open is written over.
Outcome AppendToMbases(MbasesFile* mbases, const uint8_t* record);

// Makes what the run appended durable; nothing to do when it appended nothing. Every way out
// of a run that appended goes through it, also the one that running out of memory forces.
Outcome SyncAppends();

}  // namespace korvanex

#endif  // KORVANEX_APP_MBASES_FILE_H_
