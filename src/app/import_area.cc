#include "app/import_area.h"

#include <algorithm>

#include "app/messages.h"
#include "console/console.h"
#include "console/pipe_write.h"

namespace korvanex {

namespace {

// The console shows a tag cut or padded with blanks to its columns, its control bytes as
// "?" so that an area list cannot send control sequences to the terminal.
std::string_view ConsoleTag(std::string_view tag, char (&field)[message::kTagColumns]) {
  const size_t kept = std::min(tag.size(), message::kTagColumns);
  std::transform(tag.begin(), tag.begin() + static_cast<std::ptrdiff_t>(kept), field,
                 TerminalSafeChar);
  std::fill(field + kept, field + message::kTagColumns, ' ');
  return std::string_view(field, message::kTagColumns);
}

// Brings what the run knows of mbases.dat up to date, saying once what it waits for.
Outcome UpdateMbases(ImportRun* run) {
  bool said = false;
  for (;;) {
    MbasesFile::Step step;
    if (Outcome outcome = run->mbases.Update(&step); !outcome.ok()) return outcome;
    if (step == MbasesFile::Step::kReady) return kDone;
    if (step == MbasesFile::Step::kLockWait) ConsoleWriteLine(message::kWaitingForLock);
    if (step == MbasesFile::Step::kWriterWait && !said) {
      ConsoleWriteLine(message::kWaitingForWriter);
      said = true;
    }
  }
}

}  // namespace

Outcome ImportArea(ImportRun* run, const AreaEntry& entry) {
  // The head and the verdict are two texts, each parsed for codes on its own, gathered so
  // that the area's line leaves in one write once the verdict is known; a failure on the
  // way shows the head alone before its report. The head's own codes end where the tag
  // begins, so the tag is parsed on from there.
  ConsoleText& line = run->line;
  StartConsoleText(&line);
  char tag_field[message::kTagColumns];
  run->head.AppendTo(&line);
  AppendPipeText(ConsoleTag(entry.Tag, tag_field), &line);
  // Another program may have added, removed or renamed bases since the last area: what
  // the run knows of the file is brought up to date before every verdict. A new base's
  // line is written once its record is in the file, so that nothing slow, such as a
  // paused terminal, stands between the look and the append; one that another program's
  // write pushed aside is tried again after the next look.
  Outcome outcome;
  for (bool landed = false; !landed && (outcome = UpdateMbases(run)).ok();) {
    if (run->mbases.Has(entry.FileName)) {
      run->exists.AppendTo(&line);
      break;
    }
    outcome = run->mbases.Create(entry, &landed);
    // A write that failed is named by its line, right before its runtime error report.
    if (landed || outcome.failed()) run->creating.AppendTo(&line);
    if (!outcome.ok()) break;
  }
  ConsoleWrite(line);
  return outcome;
}

Outcome FinishImport(ImportRun* run) {
  if (run->mbases.created() == 0) return kDone;
  run->mbases.CheckAll();
  if (Outcome outcome = UpdateMbases(run); !outcome.ok()) return outcome;
  return run->mbases.Sync();
}

}  // namespace korvanex
