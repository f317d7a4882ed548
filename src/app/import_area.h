// Base creation: one console line per area, and one appended record for each area whose
// file name mbases.dat does not hold yet.
#ifndef KORVANEX_APP_IMPORT_AREA_H_
#define KORVANEX_APP_IMPORT_AREA_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/area_line.h"
#include "app/base_index.h"
#include "app/import_result.h"
#include "app/mbases_file.h"
#include "console/console.h"
#include "formats/base_record.h"
#include "formats/defaults_record.h"
#include "formats/error_number.h"
#include "formats/host_config.h"

namespace korvanex {

// The fields of a new base that come from the defaults and the host, the same for every
// area: each string's length and characters and every number, at their offsets.
struct NewBaseFields {
  BaseRecord bytes;
};
NewBaseFields PrepareNewBaseFields(const DefaultsRecord& defaults, const HostConfigRecord& host);

// A base the run created, as much of it as creating it again takes: the tag as far as the
// record holds it, the file name and the address slot.
struct CreatedBase {
  char tag[base_field::kName.capacity];
  char file_name[base_field::kFileName.capacity];
  uint8_t tag_length = 0;
  uint8_t file_name_length = 0;
  uint8_t address_slot = 1;
};

struct ImportRun {
  MbasesFile mbases;
  NewBaseFields new_base;
  BaseIndex index;   // brought up to date with the file before every area
  ConsoleText line;  // the console line of the area at hand
  std::vector<CreatedBase> created;
};

// Fills `record` for a new base: the area's fields and the prepared ones are written over
// it, and the bytes behind the lengths of its strings keep what `record` held.
void BuildBaseRecord(const NewBaseFields& fields, const AreaEntry& entry, int32_t index,
                     BaseRecord* record);

// Appends the record of a new base and then writes the area's console line, or writes the
// line of an area whose base exists.
ImportResult ImportArea(ImportRun* run, const AreaEntry& entry);

// Ends an import that went through its whole area list: the run looks at the file once
// more, makes sure that every base it created is in it, and syncs it, so that the summary
// that follows promises nothing the file does not hold.
ImportResult FinishImport(ImportRun* run);

}  // namespace korvanex

#endif  // KORVANEX_APP_IMPORT_AREA_H_
