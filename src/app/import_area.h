// Base creation: one console line per area, and one appended record for each area whose
// file name mbases.dat does not hold yet.
#ifndef KORVANEX_APP_IMPORT_AREA_H_
#define KORVANEX_APP_IMPORT_AREA_H_

#include <cstdint>
#include <string>
#include <string_view>

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

// The fields of a new base that come from the defaults and the host, the same for every
// area: each string's length and characters and every number, at their offsets.
struct NewBaseFields {
  BaseRecord bytes;
};
NewBaseFields PrepareNewBaseFields(const DefaultsRecord& defaults, const HostConfigRecord& host);

struct ImportRun {
  MbasesFile mbases;
  NewBaseFields new_base;
  BaseIndex index;   // brought up to date with the file before every area
  std::string line;  // the console line of the area at hand
  uint32_t imported = 0;
};

// Fills `record` for a new base: the area's fields and the prepared ones are written over
// it, and the bytes behind the lengths of its strings keep what `record` held.
void BuildBaseRecord(const NewBaseFields& fields, const AreaEntry& entry, int32_t index,
                     BaseRecord* record);

// Writes the area's console line and, for a new base, appends its record.
ImportResult ImportArea(ImportRun* run, const AreaEntry& entry);

}  // namespace korvanex

#endif  // KORVANEX_APP_IMPORT_AREA_H_
