// One line of AREAS.BBS turned into the file name, tag and address slot of an area.
#ifndef KORVANEX_APP_AREA_LINE_H_
#define KORVANEX_APP_AREA_LINE_H_

#include <cstdint>
#include <string_view>

#include "text/net_address.h"

namespace korvanex {

// The file name and the tag are parts of the line they came from, valid as long as it is.
struct AreaEntry {
  std::string_view FileName;
  std::string_view Tag;
  uint8_t AddressSlot = 1;
};

// Accepts a line whose first non-blank character is "!" and whose file name (the last
// component of the path token, "/" and "\" both separating) holds no "NETMAIL" in any
// letter case; a marked line of a single token has no tag and is passed over too. Only
// blanks separate tokens. Returns false for a line that is passed over.
bool ParseAreaLine(std::string_view line, const uint16_t (&slot_zones)[kAddressSlotCount],
                   AreaEntry* entry);

}  // namespace korvanex

#endif  // KORVANEX_APP_AREA_LINE_H_
