#include "app/korvanex_main.h"

#include <fcntl.h>
#include <unistd.h>

#include <iterator>
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
#include "formats/fd_io.h"
#include "formats/host_config.h"
#include "formats/outcome.h"
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

// The ERROR line of a refusal; the area list's repeats the list's name as typed, shown as
// a tag is, so that no control byte of it reaches the terminal.
std::string RefusalLine(Refusal refusal, std::string_view area_list) {
  // In the order of Refusal, kNone first.
  constexpr const char* kLines[] = {"",
                                    message::kOstrelNotOpened,
                                    message::kAreaListNotOpenedBefore,
                                    message::kMbasesNotOpened,
                                    message::kNoFreeIndex,
                                    message::kUnfinishedRecord,
                                    message::kKeptRewriting,
                                    message::kNotAsWritten,
                                    message::kSaveFailed,
                                    message::kKeyboardEnded};
  static_assert(std::size(kLines) == static_cast<size_t>(Refusal::kKeyboardEnded) + 1);
  std::string line = kLines[static_cast<size_t>(refusal)];
  if (refusal != Refusal::kAreaListNotOpened) return line;
  return line + TerminalSafe(area_list) + message::kAreaListNotOpenedAfter;
}

// Ends the run on a step that was not done: a refusal with its ERROR line, on a line of its
// own, and status 1; a failure with its runtime error report and number.
int EndRun(Outcome outcome, std::string_view area_list = "") {
  if (outcome.refusal() == Refusal::kNone) return ReportRuntimeError(outcome);
  ConsoleStartLine();
  ConsoleWriteLine(RefusalLine(outcome.refusal(), area_list));
  return 1;
}

// Configuration mode ends the run; a failure is said below its screen.
int EnterConfigMode(DefaultsRecord* defaults) {
  const Outcome outcome = ConfigMode(defaults);
  if (!outcome) return 0;
  ConsoleWrite("\n");
  return EndRun(outcome);
}

// The area list is opened for reading only; a directory does not open. A FIFO does, and
// the run reads whatever is written to it.
Outcome OpenAreaList(const char* path, int* fd) {
  *fd = open(path, O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (*fd < 0) return Outcome(Refusal::kAreaListNotOpened);
  const FileKind kind = KindOfOpenFile(*fd);
  if (kind == FileKind::kDirectory || kind == FileKind::kUnknown) {
    close(*fd);
    return Outcome(Refusal::kAreaListNotOpened);
  }
  return kDone;
}

// The root directory with exactly one "/" after it, then `name`. The root is used in full,
// however long: a path cut short could name another board's file.
std::string PathInRoot(std::string_view root, const char* name) {
  while (!root.empty() && root.back() == '/') root.remove_suffix(1);
  return std::string(root) + "/" + name;
}

// The line loop over the open area list.
Outcome ImportAreaList(int area_fd, const uint16_t (&slot_zones)[kAddressSlotCount],
                       ImportRun* run) {
  LineReader reader(area_fd);
  Str255 line;
  AreaEntry entry;
  for (bool got = true;;) {
    if (Outcome failed = reader.ReadLine(&line, &got)) return failed;
    if (!got) return kDone;
    if (!ParseAreaLine(line, slot_zones, &entry)) continue;
    if (Outcome failed = ImportArea(run, entry)) return failed;
  }
}

// The import the command line asks for: `args` are its two arguments, the board's root
// directory and the area list.
int Import(const char* const* args, const DefaultsRecord& defaults) {
  const char* const area_list = args[1];
  ImportRun run;
  run.defaults = defaults;
  if (Outcome failed = LoadHostConfig(PathInRoot(args[0], "ostrel.dat").c_str(), &run.host)) {
    return EndRun(failed);
  }
  int area_fd = -1;
  if (Outcome refused = OpenAreaList(area_list, &area_fd)) return EndRun(refused, area_list);
  if (Outcome refused = run.mbases.Open(DataPath(run.host).str() + "mbases.dat")) {
    close(area_fd);
    return EndRun(refused);
  }

  uint16_t slot_zones[kAddressSlotCount];
  SlotZones(run.host, slot_zones);
  Outcome outcome = ImportAreaList(area_fd, slot_zones, &run);
  close(area_fd);
  // The summary promises the bases reported: they are in the file and on the disk before it
  // is written. A run that stops early keeps what it appended on the disk too.
  if (!outcome) {
    outcome = FinishImport(&run);
  } else {
    (void)run.mbases.Sync();
  }
  if (outcome) return EndRun(outcome);

  ConsoleWriteLine("");
  PipeWriteLn(Join(
      Join(message::kSummaryBefore, IntToText(static_cast<int32_t>(run.mbases.created())).view()),
      message::kSummaryAfter));
  return 0;
}

}  // namespace

int RunKorvanex(int argc, const char* const* argv) {
  ConsoleStart();
  DefaultsRecord defaults;
  bool loaded = false;
  if (Outcome failed = LoadDefaults(&defaults, &loaded)) return EndRun(failed);
  if (!loaded) return EnterConfigMode(&defaults);

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
