#include "app/area_line.h"

#include <string_view>

#include "text/text_utils.h"

namespace korvanex {

bool ParseAreaLine(const Str255& line, const uint16_t (&slot_zones)[kAddressSlotCount],
                   AreaEntry* entry) {
  const Str255 trimmed = StripBoth(line, ' ');
  if (trimmed.empty() || trimmed.at(0) != '!') return false;

  const std::string_view text = trimmed.view();
  const size_t blank = text.find(' ');
  // A single token has no tag: there is nothing to name a base after.
  if (blank == std::string_view::npos) return false;
  const std::string_view path = text.substr(0, blank);

  const size_t separator = path.find_last_of("/\\");
  const std::string_view file_name =
      separator == std::string_view::npos ? path : path.substr(separator + 1);
  if (UpperCase(Str255(file_name)).view().find("NETMAIL") != std::string_view::npos) {
    return false;
  }

  const Str255 rest = StripBoth(Str255(text.substr(blank + 1)), ' ');
  const size_t tag_end = rest.view().find(' ');
  const std::string_view tag = rest.view().substr(0, tag_end);
  const Str255 address_text = tag_end == std::string_view::npos
                                  ? Str255()
                                  : StripBoth(Str255(rest.view().substr(tag_end + 1)), ' ');

  entry->FileName = Str255(file_name);
  entry->Tag = Str255(tag);
  entry->AddressSlot = address_text.empty() ? 1 : FindAddressSlot(address_text, slot_zones);
  return true;
}

}  // namespace korvanex
