#include "console/pipe_write.h"

#include <string>

#include "console/console.h"
#include "gtest/gtest.h"

namespace korvanex {
namespace {

std::string captured;
std::vector<std::string> writes;

void Capture(const char* data, size_t size) {
  captured.append(data, size);
  writes.emplace_back(data, size);
}

// Output of PipeWrite on a terminal that starts at attribute 7, without the start-up reset.
std::string OnTerminal(const std::string& text, bool line = false) {
  ConsoleStartWithSink(Capture, true);
  captured.clear();
  writes.clear();
  if (line) {
    PipeWriteLn(Str255(text));
  } else {
    PipeWrite(Str255(text));
  }
  return captured;
}

TEST(Sgr, WorkedExamplesFromAttribute7) {
  EXPECT_EQ(SgrParameters(0x07, 0x08), "1;30");
  EXPECT_EQ(SgrParameters(0x08, 0x07), "");
  EXPECT_EQ(SgrParameters(0x07, 0x0F), "1");
  EXPECT_EQ(SgrParameters(0x0F, 0x0C), "0;1;31");
  EXPECT_EQ(SgrParameters(0x07, 0x17), "0;44");  // a new foreground of 7 always resets
  EXPECT_EQ(SgrParameters(0x07, 0x02), "32");
  EXPECT_EQ(SgrParameters(0x02, 0x32), "0;32;46");
  EXPECT_EQ(SgrParameters(0x87, 0x07), "");  // blink ends with a reset
  EXPECT_EQ(SgrParameters(0x03, 0x8B), "0;1;5;36");
}

TEST(Console, StartSendsOneResetOnlyOnATerminal) {
  captured.clear();
  ConsoleStartWithSink(Capture, true);
  EXPECT_EQ(captured, "\x1b[m");
  captured.clear();
  ConsoleStartWithSink(Capture, false);
  PipeWrite("|08a|12b|23c");
  EXPECT_EQ(captured, "abc");
}

TEST(PipeWrite, ColourCodes) {
  EXPECT_EQ(OnTerminal("|08- |07Area"), "\x1b[1;30m- \x1b[mArea");
  EXPECT_EQ(OnTerminal("|00x"), "\x1b[30mx");
  EXPECT_EQ(OnTerminal("| 5x|+5y"), "\x1b[35mxy");  // codes that read as 5
  EXPECT_EQ(OnTerminal("|$Fx"), "\x1b[1mx");
  EXPECT_EQ(OnTerminal("|%1x"), "\x1b[34mx");
  EXPECT_EQ(OnTerminal("|16x"), "x");  // background 0 is already shown
  EXPECT_EQ(OnTerminal("|23x"), "\x1b[0;47mx");
  EXPECT_EQ(OnTerminal("|24x"), "x");
  EXPECT_EQ(OnTerminal("|99x"), "\x1b[0;46mx");               // background 3, cyan
  EXPECT_EQ(OnTerminal("|17|12x"), "\x1b[0;44m\x1b[1;31mx");  // foreground keeps background
  EXPECT_EQ(OnTerminal("|12|12x"), "\x1b[1;31mx");            // one sequence, not two
  EXPECT_EQ(OnTerminal("ab|12"), "ab\x1b[1;31m");             // a code at the very end
}

TEST(PipeWrite, NonCodesArePrintedWithThePipe) {
  EXPECT_EQ(OnTerminal(""), "");
  EXPECT_EQ(OnTerminal("|"), "|");
  EXPECT_EQ(OnTerminal("a|1"), "a|1");  // too few characters after the pipe
  for (const char* text : {"|7a", "|-1", "|5 ", "| 0", "|+0", "|$0", "|ab", "|1|"}) {
    EXPECT_EQ(OnTerminal(text), text) << text;
  }
  // The second pipe is inside the first one's two characters and starts no code.
  EXPECT_EQ(OnTerminal("||07"), "||07");
}

TEST(PipeWrite, EachCallGoesOutInOneWrite) {
  OnTerminal("abc|12def|7xghi|08");
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0], "abc\x1b[1;31mdef|7xghi\x1b[0;1;30m");
  OnTerminal("");
  EXPECT_TRUE(writes.empty());
}

TEST(ConsoleText, OnlyWritingItChangesWhatTheConsoleShows) {
  OnTerminal("");
  ConsoleText red, plain;
  for (ConsoleText* text : {&red, &plain}) StartConsoleText(text);
  AppendPipeText("|12a", &red);
  AppendPipeText("b", &plain);
  for (const ConsoleText* text : {&plain, &red, &plain}) ConsoleWrite(*text);
  // The red text changed nothing until it was written; the plain one, built from attribute
  // 7, is brought back there first.
  EXPECT_EQ(captured, "b\x1b[1;31ma\x1b[mb");
}

TEST(PipeTextOnce, RenderedForEachStartAndConsoleMode) {
  PipeTextOnce exists("|12Exists", true);
  for (const bool terminal : {false, true, false}) {
    for (const uint8_t start : {7, 0x1F}) {
      ConsoleText once, fresh;
      once.attr = fresh.attr = start;
      ConsoleStartWithSink(Capture, terminal);
      exists.AppendTo(&once);
      AppendPipeLine("|12Exists", &fresh);
      EXPECT_EQ(once.bytes, fresh.bytes) << terminal << " " << int{start};
      EXPECT_EQ(once.attr, fresh.attr);
    }
  }
}

TEST(PipeWriteLn, LineEndIsCutAt255) {
  EXPECT_EQ(OnTerminal("", true), "\r\n");
  EXPECT_EQ(OnTerminal(std::string(254, 'a'), true), std::string(254, 'a') + "\r");
  EXPECT_EQ(OnTerminal(std::string(255, 'a'), true), std::string(255, 'a'));
  // A trailing pipe never takes the line end into a code.
  EXPECT_EQ(OnTerminal("x|", true), "x|\r\n");
  EXPECT_EQ(OnTerminal("x|1", true), "x|1\r\n");
}

TEST(Console, StartLineEndsOnlyALineLeftOpen) {
  OnTerminal("head|12");  // the colour change does not move the cursor
  ConsoleStartLine();
  EXPECT_EQ(captured, "head\x1b[1;31m\r\n");
  OnTerminal("done\r\n|12", false);
  ConsoleStartLine();
  EXPECT_EQ(captured, "done\r\n\x1b[1;31m");
  ConsoleStartWithSink(Capture, false);
  captured.clear();
  ConsoleStartLine();  // nothing written yet
  EXPECT_EQ(captured, "");
}

}  // namespace
}  // namespace korvanex
