// ParseNetAddress and FindAddressSlot over arbitrary bytes. The first 40 bytes are the
// host's 20 slot zones; the rest is the address text of an area line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/counted_text.h"
#include "text/net_address.h"

using korvanex::kAddressSlotCount;
using korvanex::NetAddress;
using korvanex::Str255;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kZoneBytes = 2 * kAddressSlotCount;
  if (size < kZoneBytes) return 0;
  uint16_t zones[kAddressSlotCount];
  for (size_t i = 0; i < kAddressSlotCount; ++i) {
    zones[i] = static_cast<uint16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }
  const Str255 text(
      std::string_view(reinterpret_cast<const char*>(data + kZoneBytes), size - kZoneBytes));

  NetAddress address;
  address.zone = 0xBEEF;
  address.net = 0xBEEF;
  address.node = 0xBEEF;
  address.point = 0xBEEF;
  const bool parsed = korvanex::ParseNetAddress(text, &address);
  const bool has_separators = text.view().find(':') != std::string_view::npos &&
                              text.view().find('/') != std::string_view::npos;
  if (parsed != has_separators) abort();
  if (!parsed && (address.zone != 0xBEEF || address.net != 0xBEEF || address.node != 0xBEEF ||
                  address.point != 0xBEEF)) {
    abort();  // a failed parse leaves the address alone
  }

  const uint8_t slot = korvanex::FindAddressSlot(text, zones);
  if (slot < 1 || slot > kAddressSlotCount) abort();
  // The slot is the first one holding the zone, or 1 when none does (or no address).
  int first_match = 0;
  for (int i = 0; parsed && i < kAddressSlotCount && first_match == 0; ++i) {
    if (zones[i] == address.zone) first_match = i + 1;
  }
  if (slot != (first_match == 0 ? 1 : first_match)) abort();
  return 0;
}
