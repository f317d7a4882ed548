// Base creation: one console line per area, and one appended record for each area whose
// file name mbases.dat does not hold yet.
#ifndef KORVANEX_APP_IMPORT_AREA_H_
#define KORVANEX_APP_IMPORT_AREA_H_

#include <cstdint>

#include "app/area_line.h"
#include "app/base_index.h"
#include "app/mbases_file.h"
#include "formats/base_record.h"
#include "formats/defaults_record.h"
#include "formats/error_number.h"
#include "formats/host_config.h"

namespace korvanex {

// How an area, or the whole area list, ended: done, stopped by a failed read or write of
// mbases.dat (its error number), or stopped with an ERROR line (no index from the record
// count + 1 up to 32767 was free; the file ends in a record another program left unfinished).
struct ImportResult {
  ErrorNumber error = kNoError;
  const char* error_line = nullptr;
  bool done() const { return error == kNoError && error_line == nullptr; }
};

struct ImportRun {
  MbasesFile mbases;
  const DefaultsRecord* defaults = nullptr;
  const HostConfigRecord* host = nullptr;
  BaseIndex index;  // read at the first area, brought up to date for every new name
  uint32_t imported = 0;
};

// Fills `record` for a new base. Strings are written as length and characters only, so
// their trailing bytes keep what `record` held.
void BuildBaseRecord(const AreaEntry& entry, int32_t index, const DefaultsRecord& defaults,
                     const HostConfigRecord& host, BaseRecord* record);

// The tag as the console shows it: padded or cut to 62 characters, with the control bytes
// 0-31, 127 and 128-159 shown as "?" so that an area list cannot send control sequences to
// the terminal.
Str255 ConsoleTag(const Str255& tag);

// Writes the area's console line and, for a new base, appends its record.
ImportResult ImportArea(ImportRun* run, const AreaEntry& entry);

}  // namespace korvanex

#endif  // KORVANEX_APP_IMPORT_AREA_H_
