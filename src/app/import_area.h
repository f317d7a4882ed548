// Base creation: one console line per area, and one appended record for each area whose
// file name mbases.dat does not hold yet.
#ifndef KORVANEX_APP_IMPORT_AREA_H_
#define KORVANEX_APP_IMPORT_AREA_H_

#include "app/area_line.h"
#include "app/mbases_file.h"
#include "app/messages.h"
#include "console/console.h"
#include "console/pipe_write.h"
#include "formats/defaults_record.h"
#include "formats/host_config.h"
#include "formats/outcome.h"

namespace korvanex {

struct ImportRun {
  DefaultsRecord defaults;
  HostConfigRecord host;
  MbasesFile mbases{defaults, host};
  ConsoleText line;  // the console line of the area at hand
  PipeTextOnce head{message::kAreaHead};
  PipeTextOnce exists{message::kAreaExists, true};
  PipeTextOnce creating{message::kAreaCreating, true};
};

// Appends the record of a new base and then writes the area's console line, or writes the
// line of an area whose base exists. Where the run must wait for another import or
// program, it says so first.
Outcome ImportArea(ImportRun* run, const AreaEntry& entry);

// Ends an import that went through its whole area list: mbases.dat is read whole once it
// is still and must hold every base the run created, once and as written; then it is
// synced, so that the summary that follows promises nothing the file does not hold.
Outcome FinishImport(ImportRun* run);

}  // namespace korvanex

#endif  // KORVANEX_APP_IMPORT_AREA_H_
