#include "console/terminal.h"

#include "gtest/gtest.h"

namespace korvanex {
namespace {

TEST(Terminal, CursorSequences) {
  EXPECT_EQ(ClearScreenSequence(), "\x1b[H\x1b[2J");
  EXPECT_EQ(MoveCursorSequence(20, 3), "\x1b[3;20H");
  EXPECT_EQ(MoveCursorSequence(1, 1), "\x1b[1;1H");
  // Positions before the first column or row are ignored.
  EXPECT_EQ(MoveCursorSequence(0, 3), "");
  EXPECT_EQ(MoveCursorSequence(20, 0), "");
  EXPECT_EQ(MoveCursorSequence(-1, -1), "");
}

}  // namespace
}  // namespace korvanex
