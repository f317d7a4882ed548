#include "console/terminal.h"

#include "gtest/gtest.h"

namespace korvanex {
namespace {

TEST(Terminal, CursorSequences) {
  EXPECT_EQ(ClearScreenSequence(), "\x1b[H\x1b[2J");
  const ScreenSize unknown;
  EXPECT_EQ(MoveCursorSequence(20, 3, unknown), "\x1b[3;20H");
  EXPECT_EQ(MoveCursorSequence(1, 1, unknown), "\x1b[1;1H");
  EXPECT_EQ(MoveCursorSequence(200, 99, unknown), "\x1b[99;200H");
  // Positions before the first column or row, or beyond the screen, are ignored.
  EXPECT_EQ(MoveCursorSequence(0, 3, unknown), "");
  EXPECT_EQ(MoveCursorSequence(20, 0, unknown), "");
  EXPECT_EQ(MoveCursorSequence(-1, -1, unknown), "");
  const ScreenSize small = {80, 12};
  EXPECT_EQ(MoveCursorSequence(80, 12, small), "\x1b[12;80H");
  EXPECT_EQ(MoveCursorSequence(20, 13, small), "");
  EXPECT_EQ(MoveCursorSequence(81, 1, small), "");
}

}  // namespace
}  // namespace korvanex
