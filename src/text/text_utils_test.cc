#include "text/text_utils.h"

#include <string>

#include "gtest/gtest.h"

namespace korvanex {
namespace {

TEST(CountedText, CutsOnAssignmentAndStopsJoinsAt255) {
  EXPECT_EQ(StrN<3>("abcdef"), "abc");
  Str255 long_text(std::string(300, 'x'));
  EXPECT_EQ(long_text.size(), 255);
  EXPECT_EQ(Join(Str255(std::string(254, 'a')), "bc").view(), std::string(254, 'a') + "b");
  // Bytes 128-255 and NUL are ordinary characters.
  EXPECT_EQ(Str255(std::string("\x00\xff", 2)).size(), 2);
}

TEST(StripBoth, RemovesOnlyTheOuterRuns) {
  EXPECT_EQ(StripBoth("", ' '), "");
  EXPECT_EQ(StripBoth("    ", ' '), "");
  EXPECT_EQ(StripBoth("  a b  ", ' '), "a b");
  EXPECT_EQ(StripBoth("\ta\t", ' '), "\ta\t");
}

TEST(UpperCase, ChangesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("Echo-1_z{`}"), "ECHO-1_Z{`}");
  EXPECT_EQ(UpperCase("\xe4\xf6\xfc\xff"), "\xe4\xf6\xfc\xff");
  EXPECT_EQ(UpperCase(Str255(std::string(255, 'q'))).view(), std::string(255, 'Q'));
}

TEST(IntToText, WritesPlainDecimal) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-5), "-5");
  EXPECT_EQ(IntToText(65535), "65535");
  EXPECT_EQ(IntToText(2147483647), "2147483647");
  EXPECT_EQ(IntToText(-2147483647 - 1), "-2147483648");
}

TEST(TextToInt, ReadsTheWholeTextOrGivesZero) {
  struct Case {
    std::string text;
    int32_t value;
  };
  const Case cases[] = {
      {"", 0},
      {"   ", 0},
      {"12", 12},
      {" 12", 12},
      {"\t12", 12},
      {"12 ", 0},
      {"+7", 7},
      {"-7", -7},
      {"- 7", 0},
      {"+", 0},
      {"-", 0},
      {"$", 0},
      {"%", 0},
      {"-$", 0},
      {"007", 7},
      {"$1F", 31},
      {"$1f", 31},
      {"%101", 5},
      {"%102", 0},
      {"0x10", 0},
      {"1.5", 0},
      {"1A", 0},
      {"1Z", 0},  // 'Z' lies just below 'a': no digit, whatever it is counted from
      {"abc", 0},
      {"2147483647", 2147483647},
      {"2147483648", 0},
      {"4294967295", 0},
      {"99999999999999999999", 0},
      {"18446744073709551617", 0},  // 2 to the 64th + 1: read in 64 bits, it would be 1
      {"$10000000000000001", 0},
      {"-2147483648", -2147483647 - 1},
      {"-2147483649", 0},
      {"$FFFFFFFF", -1},
      {"$100000000", 0},
      {"-$10", -16},
      {"$80000000", -2147483647 - 1},
      {"-%1", -1},
      {"\xb9", 0},
      {std::string(255, ' '), 0},  // the blanks are skipped up to the end, not past it
      {std::string("12\0", 3), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToInt(Str255(c.text)), c.value) << c.text;
}

}  // namespace
}  // namespace korvanex
