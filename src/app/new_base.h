// The record of a new base, built from its area, the defaults and the host's configuration.
#ifndef KORVANEX_APP_NEW_BASE_H_
#define KORVANEX_APP_NEW_BASE_H_

#include <cstdint>

#include "app/area_line.h"
#include "formats/base_record.h"
#include "formats/defaults_record.h"
#include "formats/host_config.h"

namespace korvanex {

// Writes every field of a new base over `record`, by name, from the area, the defaults and
// the host; the bytes behind the lengths of its strings keep what `record` held.
void BuildBaseRecord(const AreaEntry& entry, const DefaultsRecord& defaults,
                     const HostConfigRecord& host, int32_t index, BaseRecord* record);

}  // namespace korvanex

#endif  // KORVANEX_APP_NEW_BASE_H_
