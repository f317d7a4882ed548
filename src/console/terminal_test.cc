#include "console/terminal.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

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

// The editor may read the end of a hung-up terminal's input before the hang-up's signal
// comes: arriving once the keyboard is released, the signal must not end the process.
TEST(Terminal, HangUpAfterTheKeyboardIsReleasedEndsNothing) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
  const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
  const int input = dup(STDIN_FILENO);
  (void)signal(SIGHUP, SIG_DFL);  // as a shell starts the tool, also under nohup
  ASSERT_EQ(dup2(terminal, STDIN_FILENO), STDIN_FILENO);
  { RawKeyboard keyboard; }
  raise(SIGHUP);
  dup2(input, STDIN_FILENO);
  for (int fd : {input, terminal, master}) close(fd);
}

}  // namespace
}  // namespace korvanex
