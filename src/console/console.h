// The console colour model: the attribute the console shows, texts that carry their own
// colour changes until they are written, and the plain writer that every line of output
// goes through.
#ifndef KORVANEX_CONSOLE_CONSOLE_H_
#define KORVANEX_CONSOLE_CONSOLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvanex {

// Where console bytes go. The default writes them to standard output; tests and fuzzers
// put an in-memory sink in its place.
using ConsoleSink = void (*)(const char* data, size_t size);

// Tests once whether standard output is a terminal and, when it is, sends ESC [ m so that
// the terminal starts at attribute 7. Call before the first output.
void ConsoleStart();
// Resets the colour state to attribute 7 and sends output to `sink`, with or without the
// terminal's colour sequences; for tests and fuzzers.
void ConsoleStartWithSink(ConsoleSink sink, bool is_terminal);

// Writes the bytes unchanged, in one piece, and returns when they are written. A failed
// write is dropped: a console that went away must never stop an import half-way. The
// console keeps track of whether its text (colour sequences aside) ended a line.
void ConsoleWrite(std::string_view bytes);
// Ends a line that was left open (with CR LF), so that what follows starts in column 1;
// does nothing when the last text written ended a line.
void ConsoleStartLine();
// A plain line: the text unchanged, then LF.
void ConsoleWriteLine(std::string_view text);

// Whether the console is a terminal, which takes colour sequences.
bool ConsoleIsTerminal();

// The text as the console may show it: the control bytes 0-31, 127 and 128-159 become
// "?", so that text from a file cannot send control sequences to the terminal.
inline char TerminalSafeChar(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte < 32 || (byte >= 127 && byte < 160) ? '?' : c;
}
std::string TerminalSafe(std::string_view text);

// Text on its way to the console: its bytes, colour sequences included, the attribute the
// console shows where it starts and the one its bytes leave. Building a text changes
// nothing on the console; the console takes over the attribute it leaves when, and only
// when, the text is written.
struct ConsoleText {
  std::string bytes;
  uint8_t start_attr = 7;
  uint8_t attr = 7;
};
// Empties `text` and starts it from the attribute the console shows now.
void StartConsoleText(ConsoleText* text);
// Writes the text, in one piece, and takes over the attribute it leaves.
void ConsoleWrite(const ConsoleText& text);

// Foreground 0-15 of the text's attribute; keeps the background, clears blink. On a
// terminal the sequence that shows the change, if one is needed, goes into the text.
void SetForeground(uint8_t colour, ConsoleText* text);
// Background from the low three bits of `colour`; keeps foreground and blink. As above.
void SetBackground(uint8_t colour, ConsoleText* text);

// The SGR parameters ("1;30", or "" for the lone reset) that take a terminal from
// attribute `from` to attribute `to`; only meaningful when the two differ.
std::string SgrParameters(uint8_t from, uint8_t to);

}  // namespace korvanex

#endif  // KORVANEX_CONSOLE_CONSOLE_H_
