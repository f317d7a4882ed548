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
// only once it has stopped changing for a moment, and is looked at again after the read.
//
// What the look cannot see: a rewrite that keeps the size and falls within the same tick
// of the file system's time stamps as the run's last read or append; a rewrite that comes
// with growth and keeps the record that ended the file (it is taken for an append); and a
// write that another program makes in the moment between the look and the run's append.
// The import makes up for what matters most: after a rewrite, and before it reports
// success, it checks that every base it created is still in the file.
#ifndef KORVANEX_APP_MBASES_FILE_H_
#define KORVANEX_APP_MBASES_FILE_H_

#include <cstdint>
#include <string>

#include "app/import_result.h"
#include "formats/error_number.h"
#include "formats/record_file.h"

namespace korvanex {

struct MbasesFile {
  std::string path;
  RecordFile file;  // opened for appending, and locked
  // The file as the run last saw it: when it last read it, or right after its own append.
  FileStamp seen;
  bool read = false;        // whether the run has read the file that `seen` describes
  int64_t stray_size = -1;  // the size at the open, when an old partial record ended the file
};

// Opens mbases.dat at `path`, the host's DataPath joined to "mbases.dat", and takes its lock;
// a run that must wait for another import's lock says so. False when it cannot be opened.
bool OpenMbases(const std::string& path, MbasesFile* mbases);
void CloseMbases(MbasesFile* mbases);

enum class MbasesChange { kNone, kGrown, kRewritten };

// Looks at the file the path names now and says how it changed since the run last saw it
// (kRewritten also for a new file in its place and for the first look); `seen` then
// describes it. A partial record at its end is another program's write in progress, unless
// it ended the file at the open and had not changed for 10 seconds by then: the look waits
// for it, saying so, and ends with an ERROR line when it is still partial after 10 seconds,
// as when a rewritten file does not stop changing for that long.
ImportResult LookAtMbases(MbasesFile* mbases, MbasesChange* change);

// Appends a record; an old partial record that ended the file at the open is written over.
ErrorNumber AppendToMbases(MbasesFile* mbases, const uint8_t* record);

// Makes what the run appended durable; nothing to do when it appended nothing. Every way out
// of a run that appended goes through it, also the one that running out of memory forces.
ErrorNumber SyncAppends();

}  // namespace korvanex

#endif  // KORVANEX_APP_MBASES_FILE_H_
