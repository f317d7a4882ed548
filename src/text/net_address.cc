#include "text/net_address.h"

#include <string_view>

#include "text/text_utils.h"

namespace korvanex {

namespace {

// Positions are 0-based here; npos stands for an absent character.
uint16_t PieceValue(std::string_view text, size_t begin, size_t end) {
  if (end > text.size()) end = text.size();
  if (begin >= end) return 0;  // an empty piece reads as 0
  return static_cast<uint16_t>(TextToInt(Str255(text.substr(begin, end - begin))));
}

}  // namespace

bool ParseNetAddress(const Str255& text, NetAddress* address) {
  std::string_view view = text.view();
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

uint8_t FindAddressSlot(const Str255& text, const uint16_t (&slot_zones)[kAddressSlotCount]) {
  NetAddress address;
  if (!ParseNetAddress(text, &address)) return 1;
  for (int i = 0; i < kAddressSlotCount; ++i) {
    if (slot_zones[i] == address.zone) return static_cast<uint8_t>(i + 1);
  }
  return 1;
}

}  // namespace korvanex
