#include "text/net_address.h"

#include <string>

#include "gtest/gtest.h"

namespace korvanex {
namespace {

TEST(ParseNetAddress, LenientPieces) {
  struct Case {
    std::string text;
    uint16_t zone, net, node, point;
  };
  const Case cases[] = {
      {"2:5020/1", 2, 5020, 1, 0},
      {"2:5020/1.7", 2, 5020, 1, 7},
      {"2:5020/1 2:5020/2", 2, 5020, 0, 0},  // the node piece holds a blank
      {"2:5020/1.5 2:5020/2", 2, 5020, 1, 0},
      {"1.2:3/4", 0, 3, 0, 0},  // the "." before the ":" ends the node piece early
      {"3/4:5", 0, 0, 0, 0},
      {"70000:1/1", 4464, 1, 1, 0},
      {"-1:1/1", 65535, 1, 1, 0},
      {":/", 0, 0, 0, 0},
      {"$15:%11/+7.", 21, 3, 7, 0},
  };
  for (const Case& c : cases) {
    NetAddress address;
    ASSERT_TRUE(ParseNetAddress(c.text, &address)) << c.text;
    EXPECT_EQ(address.zone, c.zone) << c.text;
    EXPECT_EQ(address.net, c.net) << c.text;
    EXPECT_EQ(address.node, c.node) << c.text;
    EXPECT_EQ(address.point, c.point) << c.text;
  }
}

TEST(ParseNetAddress, FailureLeavesTheAddressAlone) {
  for (const char* text : {"5020/1", "2:5020", ""}) {
    NetAddress address{9, 8, 7, 6};
    EXPECT_FALSE(ParseNetAddress(text, &address)) << text;
    EXPECT_EQ(address.zone, 9);
    EXPECT_EQ(address.point, 6);
  }
}

TEST(FindAddressSlot, FirstSlotOfTheZoneOrSlot1) {
  uint16_t zones[kAddressSlotCount] = {1, 2, 2};
  EXPECT_EQ(FindAddressSlot("2:5020/1", zones), 2);
  EXPECT_EQ(FindAddressSlot("1:1/1", zones), 1);
  EXPECT_EQ(FindAddressSlot("3:1/1", zones), 1);
  EXPECT_EQ(FindAddressSlot("5020/1", zones), 1);
  EXPECT_EQ(FindAddressSlot("abc:1/1", zones), 4);        // zone 0 matches the first empty slot
  EXPECT_EQ(FindAddressSlot("2:5/1 1:1/100", zones), 2);  // the first address decides
  zones[19] = 77;
  EXPECT_EQ(FindAddressSlot("77:1/1", zones), 20);
  uint16_t empty[kAddressSlotCount] = {};
  EXPECT_EQ(FindAddressSlot("21:1/100", empty), 1);
  // In ostrel.dat the default base text follows the table; its bytes are no slot.
  struct {
    uint16_t zones[kAddressSlotCount] = {1};
    uint16_t after = 3;
  } table;
  EXPECT_EQ(FindAddressSlot("3:1/1", table.zones), 1);
}

}  // namespace
}  // namespace korvanex
