#include "app/korvanex_main.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "app/area_line.h"
#include "app/import_area.h"
#include "app/line_reader.h"
#include "app/runtime_error.h"
#include "console/config_mode.h"
#include "console/console.h"
#include "console/pipe_write.h"
#include "formats/defaults_record.h"
#include "formats/error_number.h"
#include "formats/fd_io.h"
#include "formats/host_config.h"
#include "formats/record_file.h"
#include "text/text_utils.h"

namespace korvanex {

namespace {

void WriteBanner() {
  ConsoleWriteLine("");
  ConsoleWriteLine("KORVANEX v1.0 : Imports AREAS.BBS File Into Ostrel");
  ConsoleWriteLine("              : Compatible with Ostrel BBS v1.07.2");
  ConsoleWriteLine("");
}

void WriteUsage() {
  ConsoleWriteLine("              : KORVANEXS -CONFIG");
  ConsoleWriteLine("              : KORVANEXS [root ostrel dir] [filename to import]");
}

// The area list is opened for reading only; a directory does not open. A FIFO does, and
// the run reads whatever is written to it.
int OpenAreaList(const char* path) {
  const int fd = open(path, O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  const FileKind kind = KindOfOpenFile(fd);
  if (kind == FileKind::kDirectory || kind == FileKind::kUnknown) {
    close(fd);
    return -1;
  }
  return fd;
}

// The root directory with exactly one "/" after it, then `name`. The root is used in full,
// however long: a path cut short could name another board's file.
std::string PathInRoot(std::string_view root, const char* name) {
  while (!root.empty() && root.back() == '/') root.remove_suffix(1);
  return std::string(root) + "/" + name;
}

// Two runs must never append to one mbases.dat at once; a run that has to wait says so, so
// that it never looks hung. Where the file system keeps no locks, the run goes on without
// one: its appends still go to the real end of the file.
void LockMbases(const RecordFile& mbases) {
  if (TryLockRecordFile(mbases) != LockResult::kBusy) return;
  ConsoleWriteLine("Waiting for another import into mbases.dat to finish");
  (void)LockRecordFile(mbases);
}

// The line loop over the open area list. Returns 0, an error number or kNoFreeIndex.
int ImportAreaList(int area_fd, const uint16_t (&slot_zones)[kAddressSlotCount], ImportRun* run) {
  LineReader reader(area_fd);
  Str255 line;
  AreaEntry entry;
  for (;;) {
    bool got_line = false;
    if (int error = reader.ReadLine(&line, &got_line)) return error;
    if (!got_line) return kNoError;
    if (!ParseAreaLine(line, slot_zones, &entry)) continue;
    if (int error = ImportArea(run, entry)) return error;
  }
}

// The two arguments of the command line, in their order there.
int Import(const char* root, const char* area_list,  // NOLINT(bugprone-easily-swappable-parameters)
           const DefaultsRecord& defaults) {
  HostConfigRecord host;
  const HostConfigLoad load = LoadHostConfig(PathInRoot(root, "ostrel.dat").c_str(), &host);
  if (!load.opened) {
    ConsoleWriteLine("ERROR: Unable to open ostrel.dat (Bad root ostrel dir?)");
    return 1;
  }
  if (load.read_error != kNoError) return ReportRuntimeError(load.read_error);

  const int area_fd = OpenAreaList(area_list);
  if (area_fd < 0) {
    ConsoleWriteLine(std::string("ERROR: Unable to open AREAS.BBS file (") + area_list + ")");
    return 1;
  }

  ImportRun run;
  run.defaults = &defaults;
  run.host = &host;
  const std::string mbases_path = DataPath(host).str() + "mbases.dat";
  // A NUL in a damaged DataPath would end the path early and name some other file, such
  // as ostrel.dat itself; no file name holds a NUL, so no such mbases.dat can exist.
  if (mbases_path.find('\0') != std::string::npos ||
      OpenRecordFile(mbases_path.c_str(), kBaseRecordSize, &run.mbases).error != kNoError) {
    close(area_fd);
    ConsoleWriteLine("ERROR: Unable to open mbases.dat");
    return 1;
  }
  LockMbases(run.mbases);

  uint16_t slot_zones[kAddressSlotCount];
  SlotZones(host, slot_zones);
  int result = ImportAreaList(area_fd, slot_zones, &run);
  close(area_fd);
  // The summary promises the bases: they are on the disk before it is written.
  if (result == kNoError && run.imported > 0) result = SyncRecordFile(run.mbases);
  CloseRecordFile(&run.mbases);
  if (result == kNoFreeIndex) {
    ConsoleStartLine();
    ConsoleWriteLine("ERROR: No free base index in mbases.dat");
    return 1;
  }
  if (result != kNoError) return ReportRuntimeError(result);

  ConsoleWriteLine("");
  PipeWriteLn(
      Join(Join("|07Complete; Imported |15", IntToText(static_cast<int32_t>(run.imported)).view()),
           " |07bases."));
  return 0;
}

}  // namespace

int RunKorvanex(int argc, const char* const* argv) {
  ConsoleStart();
  DefaultsRecord defaults;
  const DefaultsLoad load = LoadDefaults(&defaults);
  if (load.error != kNoError) return ReportRuntimeError(load.error);
  if (!load.from_file) return ConfigMode(&defaults);

  const Str255 first_argument(argc > 1 ? argv[1] : "");
  if (UpperCase(first_argument) == "-CONFIG") return ConfigMode(&defaults);

  WriteBanner();
  if (argc != 3) {
    WriteUsage();
    return 1;
  }
  return Import(argv[1], argv[2], defaults);
}

}  // namespace korvanex
