// Network addresses (zone:net/node.point) and the choice of a host address slot.
#ifndef KORVANEX_TEXT_NET_ADDRESS_H_
#define KORVANEX_TEXT_NET_ADDRESS_H_

#include <cstdint>
#include <string_view>

namespace korvanex {

struct NetAddress {
  uint16_t zone = 0;
  uint16_t net = 0;
  uint16_t node = 0;
  uint16_t point = 0;
};

constexpr int kAddressSlotCount = 20;

// Reads any text holding both a ":" and a "/" as an address: the pieces around the first
// ":", "/" and "." go through TextToInt (0 when not a number) and keep their low 16 bits.
// Returns false, leaving `address` as it was, when either separator is missing.
bool ParseNetAddress(std::string_view text, NetAddress* address);

// The first slot (1..20) whose zone equals the zone of the text's address; 1 when the text
// is not an address or no slot holds that zone.
uint8_t FindAddressSlot(std::string_view text, const uint16_t (&slot_zones)[kAddressSlotCount]);

}  // namespace korvanex

#endif  // KORVANEX_TEXT_NET_ADDRESS_H_
