#include "app/area_line.h"

#include <algorithm>

#include "text/text_utils.h"

namespace korvanex {

namespace {

bool HoldsNetmail(std::string_view file_name) {
  constexpr std::string_view kNetmail = "NETMAIL";
  return std::search(file_name.begin(), file_name.end(), kNetmail.begin(), kNetmail.end(),
                     [](char c, char upper) { return UpperCaseChar(c) == upper; }) !=
         file_name.end();
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
