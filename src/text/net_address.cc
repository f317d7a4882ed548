#include "text/net_address.h"

#include "text/text_utils.h"

namespace korvanex {

namespace {

// The piece between two 0-based positions; one that ends before it begins reads as 0.
uint16_t PieceValue(std::string_view text, size_t begin, size_t end) {
  return begin < end ? static_cast<uint16_t>(TextToInt(text.substr(begin, end - begin))) : 0;
}

}  // namespace

bool ParseNetAddress(std::string_view view, NetAddress* address) {
  const size_t colon = view.find(':');
  const size_t slash = view.find('/');
  const size_t dot = view.find('.');
  if (colon == std::string_view::npos || slash == std::string_view::npos) return false;
  // Without a ".", the node runs to the end of the text and the point is 0.
  const size_t node_end = dot == std::string_view::npos ? view.size() : dot;
  address->zone = PieceValue(view, 0, colon);
  address->net = PieceValue(view, colon + 1, slash);
  address->node = PieceValue(view, slash + 1, node_end);
  address->point = dot == std::string_view::npos ? 0 : PieceValue(view, dot + 1, view.size());
  return true;
}

uint8_t FindAddressSlot(std::string_view text, const uint16_t (&slot_zones)[kAddressSlotCount]) {
  // Only the zone decides, so only the zone is read of an address.
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || text.find('/') == std::string_view::npos) return 1;
  const uint16_t zone = PieceValue(text, 0, colon);
  for (int i = 0; i < kAddressSlotCount; ++i) {
    if (slot_zones[i] == zone) return static_cast<uint8_t>(i + 1);
  }
  return 1;
}

}  // namespace korvanex
