#include "app/area_line.h"

#include <string>

#include "gtest/gtest.h"

namespace korvanex {
namespace {

const uint16_t kZones[kAddressSlotCount] = {1, 2, 21};

struct Parsed {
  bool accepted;
  std::string file_name, tag;
  int slot;
};

Parsed Parse(const std::string& line) {
  AreaEntry entry;
  entry.AddressSlot = 99;
  const bool accepted = ParseAreaLine(line, kZones, &entry);
  return {accepted, std::string(entry.FileName), std::string(entry.Tag), entry.AddressSlot};
}

TEST(ParseAreaLine, TrimsAndSplitsOnBlanksOnly) {
  Parsed p = Parse("   !/home/bbs/echo/general    GENERAL   21:1/100  ");
  EXPECT_TRUE(p.accepted);
  EXPECT_EQ(p.file_name, "general");
  EXPECT_EQ(p.tag, "GENERAL");
  EXPECT_EQ(p.slot, 3);

  // A tab is part of the token it stands in.
  p = Parse("!/e/general\tGENERAL 2:1/1");
  EXPECT_TRUE(p.accepted);
  EXPECT_EQ(p.file_name, "general\tGENERAL");
  EXPECT_EQ(p.tag, "2:1/1");
  EXPECT_EQ(p.slot, 1);
}

TEST(ParseAreaLine, PassesOverUnmarkedAndEmptyLines) {
  for (const char* line : {"", "    ", "; !/e/general GENERAL", "/e/general GENERAL",
                           "x!/e/general GENERAL", "\t!/e/general GENERAL"}) {
    EXPECT_FALSE(Parse(line).accepted) << line;
  }
}

TEST(ParseAreaLine, FileNameIsTheLastComponent) {
  EXPECT_EQ(Parse("!D:\\MSGS\\GENERAL GENERAL 21:1/100").file_name, "GENERAL");
  EXPECT_EQ(Parse("!/a\\b/c GENERAL").file_name, "c");
  Parsed no_separator = Parse("!general GENERAL");
  EXPECT_EQ(no_separator.file_name, "!general");
  EXPECT_EQ(no_separator.slot, 1);
  Parsed empty = Parse("!/home/bbs/echo/ GENERAL");
  EXPECT_TRUE(empty.accepted);
  EXPECT_EQ(empty.file_name, "");
}

TEST(ParseAreaLine, NetmailIsTestedInTheFileNameOnly) {
  EXPECT_FALSE(Parse("!/home/bbs/echo/netmail NETMAIL 21:1/100").accepted);
  EXPECT_FALSE(Parse("!/home/bbs/echo/MyNetmail2 LOCALNET").accepted);
  EXPECT_FALSE(Parse("!/e/xNeTmAiLx X").accepted);
  EXPECT_TRUE(Parse("!/home/bbs/echo/general NETMAIL").accepted);
  EXPECT_TRUE(Parse("!/netmail/general GENERAL").accepted);  // the directory is not tested
}

TEST(ParseAreaLine, AddressSlotFromTheWholeAddressText) {
  EXPECT_EQ(Parse("!/e/general GENERAL").slot, 1);
  EXPECT_EQ(Parse("!/e/general GENERAL 2:5/1 21:1/100").slot, 2);
  EXPECT_EQ(Parse("!/e/general GENERAL    21:1/100   2:5/1").slot, 3);
  EXPECT_EQ(Parse("!/e/general GENERAL junk").slot, 1);
}

TEST(ParseAreaLine, SingleTokenHasNoTagAndIsPassedOver) {
  EXPECT_FALSE(Parse("!/a/b").accepted);
  EXPECT_FALSE(Parse("   !general   ").accepted);
}

TEST(ParseAreaLine, TagBytesAreKept) {
  Parsed p = Parse("!/e/x |12Red\x1b[2J 1:1/1");
  EXPECT_EQ(p.tag, "|12Red\x1b[2J");
}

}  // namespace
}  // namespace korvanex
