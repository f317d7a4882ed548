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
#include "formats/fd_io.h"
#include "formats/host_config.h"
#include "formats/outcome.h"
#include "text/text_utils.h"

namespace korvanex {

namespace {

enum class AreaListRefusal { kNotOpened };

// The ERROR line of each refusal, by the enum of the module whose step refused; the area
// list's repeats the list's name as typed, shown as a tag is, so that no control byte of it
// reaches the terminal.
std::string RefusalLine(HostConfigRefusal refusal, std::string_view /*area_list*/) {
  switch (refusal) {
    case HostConfigRefusal::kNotOpened:
      return message::kOstrelNotOpened;
  }
  return "";
}
std::string RefusalLine(AreaListRefusal refusal, std::string_view area_list) {
  switch (refusal) {
    case AreaListRefusal::kNotOpened:
      return message::kAreaListNotOpenedBefore + TerminalSafe(area_list) +
             message::kAreaListNotOpenedAfter;
  }
  return "";
}
std::string RefusalLine(MbasesFile::Refusal refusal, std::string_view /*area_list*/) {
  switch (refusal) {
    case MbasesFile::Refusal::kNotOpened:
      return message::kMbasesNotOpened;
    case MbasesFile::Refusal::kNoFreeIndex:
      return message::kNoFreeIndex;
    case MbasesFile::Refusal::kUnfinishedRecord:
      return message::kUnfinishedRecord;
    case MbasesFile::Refusal::kKeptRewriting:
      return message::kKeptRewriting + std::to_string(message::kWaitLimitSeconds) + " seconds";
    case MbasesFile::Refusal::kNotAsWritten:
      return message::kNotAsWritten;
  }
  return "";
}
std::string RefusalLine(ConfigRefusal refusal, std::string_view /*area_list*/) {
  switch (refusal) {
    case ConfigRefusal::kSaveFailed:
      return message::kSaveFailed;
    case ConfigRefusal::kKeyboardEnded:
      return message::kKeyboardEnded;
  }
  return "";
}

// Ends the run on a step that was not done: a failure with its runtime error report and
// number; a refusal, for a reason of type `Reason`, with its ERROR line, on a line of its
// own, and status 1.
template <typename Reason>
int EndRun(Outcome outcome, std::string_view area_list = "") {
  if (outcome.failed()) return ReportRuntimeError(outcome);
  ConsoleStartLine();
  ConsoleWriteLine(RefusalLine(outcome.reason<Reason>(), area_list));
  return 1;
}

// Configuration mode ends the run; a failure is said below its screen.
int EnterConfigMode(DefaultsRecord* defaults) {
  const Outcome outcome = ConfigMode(defaults);
  if (outcome.ok()) return 0;
  ConsoleWrite("\n");
  return EndRun<ConfigRefusal>(outcome);
}

// The area list is opened for reading only; a directory does not open. A FIFO does, and
// the run reads whatever is written to it.
Outcome OpenAreaList(const char* path, int* fd) {
  *fd = open(path, O_RDONLY | O_NOCTTY | O_CLOEXEC);
  FileStamp stamp;
  if (*fd >= 0 && ScreenOpenFile(*fd, true, &stamp).ok()) return kDone;
  return Outcome::Refused(AreaListRefusal::kNotOpened);
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
    if (Outcome outcome = reader.ReadLine(&line, &got); !outcome.ok()) return outcome;
    if (!got) return kDone;
    if (!ParseAreaLine(line, slot_zones, &entry)) continue;
    if (Outcome outcome = ImportArea(run, entry); !outcome.ok()) return outcome;
  }
}

// The import the command line asks for: `args` are its two arguments, the board's root
// directory and the area list.
int Import(const char* const* args, const DefaultsRecord& defaults) {
  const char* const area_list = args[1];
  ImportRun run;
  run.defaults = defaults;
  Outcome outcome = LoadHostConfig(PathInRoot(args[0], "ostrel.dat").c_str(), &run.host);
  if (!outcome.ok()) return EndRun<HostConfigRefusal>(outcome);
  int area_fd = -1;
  outcome = OpenAreaList(area_list, &area_fd);
  if (!outcome.ok()) return EndRun<AreaListRefusal>(outcome, area_list);
  outcome = run.mbases.Open(DataPath(run.host).str() + "mbases.dat");
  if (!outcome.ok()) {
    close(area_fd);
    return EndRun<MbasesFile::Refusal>(outcome);
  }

  uint16_t slot_zones[kAddressSlotCount];
  SlotZones(run.host, slot_zones);
  outcome = ImportAreaList(area_fd, slot_zones, &run);
  close(area_fd);
  // The summary promises the bases reported: they are in the file and on the disk before it
  // is written. A run that stops early keeps what it appended on the disk too.
  if (outcome.ok()) {
    outcome = FinishImport(&run);
  } else {
    (void)run.mbases.Sync();
  }
  if (!outcome.ok()) return EndRun<MbasesFile::Refusal>(outcome);

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
  const Outcome outcome = LoadDefaults(&defaults, &loaded);
  if (!outcome.ok()) return ReportRuntimeError(outcome);
  if (!loaded) return EnterConfigMode(&defaults);

  const Str255 first_argument(argc > 1 ? argv[1] : "");
  if (UpperCase(first_argument) == "-CONFIG") return EnterConfigMode(&defaults);

  for (const char* line : {"", message::kBannerTitle, message::kBannerHost, ""}) {
    ConsoleWriteLine(line);
  }
  if (argc != 3) {
    ConsoleWriteLine(message::kUsageConfig);
    ConsoleWriteLine(message::kUsageImport);
    return 1;
  }
  return Import(argv + 1, defaults);
}

}  // namespace korvanex
