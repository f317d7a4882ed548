#include "app/korvanex_main.h"

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "app/area_line.h"
#include "app/import_area.h"
#include "app/line_reader.h"
#include "app/messages.h"
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
  ConsoleWriteLine(message::kBannerTitle);
  ConsoleWriteLine(message::kBannerHost);
  ConsoleWriteLine("");
}

void WriteUsage() {
  ConsoleWriteLine(message::kUsageConfig);
  ConsoleWriteLine(message::kUsageImport);
}

// Configuration mode ends the run; a failure is said below its screen.
int EnterConfigMode(DefaultsRecord* defaults) {
  const ConfigModeEnd end = ConfigMode(defaults);
  if (end == ConfigModeEnd::kSaved) return 0;
  ConsoleWrite("\n");
  ConsoleWriteLine(end == ConfigModeEnd::kSaveFailed ? message::kSaveFailed
                                                     : message::kKeyboardEnded);
  return 1;
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

// The line loop over the open area list.
ImportResult ImportAreaList(int area_fd, const uint16_t (&slot_zones)[kAddressSlotCount],
                            ImportRun* run) {
  LineReader reader(area_fd);
  Str255 line;
  AreaEntry entry;
  ErrorNumber error;
  for (;;) {
    if (!reader.ReadLine(&line, &error)) return {error, nullptr};
    if (!ParseAreaLine(line, slot_zones, &entry)) continue;
    const ImportResult result = ImportArea(run, entry);
    if (!result.done()) return result;
  }
}

// The import the command line asks for: `args` are its two arguments, the board's root
// directory and the area list.
int Import(const char* const* args, const DefaultsRecord& defaults) {
  const char* const root = args[0];
  const char* const area_list = args[1];
  HostConfigRecord host;
  ErrorNumber read_error;
  if (!LoadHostConfig(PathInRoot(root, "ostrel.dat").c_str(), &host, &read_error)) {
    ConsoleWriteLine(message::kOstrelNotOpened);
    return 1;
  }
  if (read_error) return ReportRuntimeError(read_error);

  const int area_fd = OpenAreaList(area_list);
  if (area_fd < 0) {
    // The name is shown as a tag is: no control byte of it reaches the terminal.
    ConsoleWriteLine(std::string(message::kAreaListNotOpenedBefore) +
                     TerminalSafe(std::string_view(area_list)) + message::kAreaListNotOpenedAfter);
    return 1;
  }

  ImportRun run;
  run.new_base = PrepareNewBaseFields(defaults, host);
  if (!OpenMbases(DataPath(host).str() + "mbases.dat", &run.mbases)) {
    close(area_fd);
    ConsoleWriteLine(message::kMbasesNotOpened);
    return 1;
  }

  uint16_t slot_zones[kAddressSlotCount];
  SlotZones(host, slot_zones);
  ImportResult result = ImportAreaList(area_fd, slot_zones, &run);
  close(area_fd);
  // The summary promises the bases reported: they are in the file and on the disk before it
  // is written. A run that stops early keeps what it appended on the disk too.
  if (result.done()) {
    result = FinishImport(&run);
  } else {
    (void)SyncAppends();
  }
  CloseMbases(&run.mbases);
  if (result.error_line != nullptr) {
    ConsoleStartLine();
    ConsoleWriteLine(result.error_line);
    return 1;
  }
  if (result.error != kNoError) return ReportRuntimeError(result.error);

  ConsoleWriteLine("");
  PipeWriteLn(Join(
      Join(message::kSummaryBefore, IntToText(static_cast<int32_t>(run.created.size())).view()),
      message::kSummaryAfter));
  return 0;
}

}  // namespace

int RunKorvanex(int argc, const char* const* argv) {
  ConsoleStart();
  DefaultsRecord defaults;
  ErrorNumber error;
  if (!LoadDefaults(&defaults, &error)) {
    if (error) return ReportRuntimeError(error);
    return EnterConfigMode(&defaults);
  }

  const Str255 first_argument(argc > 1 ? argv[1] : "");
  if (UpperCase(first_argument) == "-CONFIG") return EnterConfigMode(&defaults);

  WriteBanner();
  if (argc != 3) {
    WriteUsage();
    return 1;
  }
  return Import(argv + 1, defaults);
}

}  // namespace korvanex
