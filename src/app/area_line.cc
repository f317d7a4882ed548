#include "app/area_line.h"

#include "text/text_utils.h"

namespace korvanex {

namespace {

// A plain search: most names differ at their first letter, which std::search's general
// loop does not make the most of.
bool HoldsNetmail(std::string_view file_name) {
  constexpr std::string_view kNetmail = "NETMAIL";
  for (size_t at = 0; at + kNetmail.size() <= file_name.size(); ++at) {
    size_t i = 0;
    while (i < kNetmail.size() && UpperCaseChar(file_name[at + i]) == kNetmail[i]) ++i;
    if (i == kNetmail.size()) return true;
  }
  return false;
}

}  // namespace

bool ParseAreaLine(std::string_view line, const uint16_t (&slot_zones)[kAddressSlotCount],
                   AreaEntry* entry) {
  const std::string_view text = StripBoth(line, ' ');
  if (text.empty() || text[0] != '!') return false;

  const size_t blank = text.find(' ');
  // A single token has no tag: there is nothing to name a base after.
  if (blank == std::string_view::npos) return false;
  const std::string_view path = text.substr(0, blank);

  size_t name_start = path.size();
  while (name_start > 0 && path[name_start - 1] != '/' && path[name_start - 1] != '\\') {
    --name_start;
  }
  const std::string_view file_name = path.substr(name_start);
  if (HoldsNetmail(file_name)) return false;

  const std::string_view rest = StripBoth(text.substr(blank + 1), ' ');
  const size_t tag_end = rest.find(' ');
  const std::string_view address_text =
      tag_end == std::string_view::npos ? std::string_view() : StripBoth(rest.substr(tag_end), ' ');

  entry->FileName = file_name;
  entry->Tag = rest.substr(0, tag_end);
  entry->AddressSlot = address_text.empty() ? 1 : FindAddressSlot(address_text, slot_zones);
  return true;
}

}  // namespace korvanex
