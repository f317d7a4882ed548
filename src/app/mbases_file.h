// mbases.dat as the run shares it with the host. The host and its utilities write the file
// while an import runs and take no lock: they append records (now and then in two writes),
// rewrite the file in place, or write a new copy and rename it over the old one. So before
// each area the run looks at the file that the path names now (one fstatat in the data
// directory) and compares it with the file as the run last read or wrote it: another file
// there was put in place of the old one, and is opened, locked and read afresh; a file that
// only grew has new records to read; any other change of size or time stamps means the
// file was rewritten, and it is read afresh.
//
// What the look cannot see: a rewrite that keeps the size and falls within the same tick
// of the file system's time stamps as the run's last read or write, a rewrite that comes
// with growth (it is taken for an append), and a write that another program begins in the
// moment between the look and the run's append.
#ifndef KORVANEX_APP_MBASES_FILE_H_
#define KORVANEX_APP_MBASES_FILE_H_

#include <cstdint>
#include <string>

#include "formats/error_number.h"
#include "formats/record_file.h"

namespace korvanex {

struct MbasesFile {
  int dir_fd = -1;  // the data directory, in which `name` is looked up for every area
  std::string name;
  RecordFile file;  // opened for appending, and locked
  FileStamp known;  // the file as the run last read it
  // The size the run's last append left, and a time no earlier than that append's time
  // stamps: a look that finds this size and no later stamps finds nothing but the append.
  int64_t appended_size = -1;
  timespec appended_by = {};
  bool read = false;        // whether `known` describes what the run has read
  int64_t stray_size = -1;  // the size at the open, when a partial record ended the file
};

// Opens mbases.dat at `path`, the host's DataPath joined to "mbases.dat", and takes its lock;
// a run that must wait for another import's lock says so. False when it cannot be opened.
bool OpenMbases(const std::string& path, MbasesFile* mbases);
void CloseMbases(MbasesFile* mbases);

enum class MbasesChange { kNone, kGrown, kRewritten };

// Looks at the file the path names now and says how it changed since the run last read or
// wrote it (kRewritten also for a new file in its place and for the first look); `known`
// then describes it. A partial record at its end that was not there at the first look is
// another program's write in progress: the look waits for it, saying so, and sets
// `*unfinished` when it is still partial after 10 seconds.
ErrorNumber LookAtMbases(MbasesFile* mbases, MbasesChange* change, bool* unfinished);

// Appends a record; a partial record that ended the file at the first look and has not
// changed since is written over.
ErrorNumber AppendToMbases(MbasesFile* mbases, const uint8_t* record);

}  // namespace korvanex

#endif  // KORVANEX_APP_MBASES_FILE_H_
