// Base creation: one console line per area, and one appended record for each area whose
// file name mbases.dat does not hold yet.
#ifndef KORVANEX_APP_IMPORT_AREA_H_
#define KORVANEX_APP_IMPORT_AREA_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/area_line.h"
#include "app/mbases_file.h"
#include "app/mbases_view.h"
#include "console/console.h"
#include "formats/base_record.h"
#include "formats/defaults_record.h"
#include "formats/host_config.h"
#include "formats/outcome.h"

namespace korvanex {

// A base the run created, as much of its record as creating it again takes: the names up
// to and with the file name, and the address slot.
struct CreatedBase {
  uint8_t names[base_field::kPath.offset];
  uint8_t address_slot;
};

struct ImportRun {
  DefaultsRecord defaults;
  HostConfigRecord host;
  MbasesFile mbases;
  MbasesView view;   // brought up to date with the file before every area
  ConsoleText line;  // the console line of the area at hand
  std::vector<CreatedBase> created;
};

// Writes every field of a new base over `record`, by name, from the area, the defaults and
// the host; the bytes behind the lengths of its strings keep what `record` held.
void BuildBaseRecord(const AreaEntry& entry, const DefaultsRecord& defaults,
                     const HostConfigRecord& host, int32_t index, BaseRecord* record);

// Appends the record of a new base and then writes the area's console line, or writes the
// line of an area whose base exists. Where the run must wait for another import or
// program, it says so first.
Outcome ImportArea(ImportRun* run, const AreaEntry& entry);

// Ends an import that went through its whole area list: the run looks at the file once
// more, makes sure that every base it created is in it, and syncs it, so that the summary
// that follows promises nothing the file does not hold.
Outcome FinishImport(ImportRun* run);

}  // namespace korvanex

#endif  // KORVANEX_APP_IMPORT_AREA_H_
