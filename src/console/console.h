// The console colour model: the current attribute, the attribute the terminal last
// showed, and the plain writer that every line of output goes through.
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

// Writes the bytes unchanged and returns when they are written. A failed write is dropped:
// a console that went away must never stop an import half-way.
void ConsoleWrite(std::string_view bytes);
// Between these two calls, console output is gathered and then written in one piece, in
// order, when the batch ends: a line of text and colour changes reaches the terminal whole.
void ConsoleBeginBatch();
void ConsoleEndBatch();
// Ends a line that PipeWrite left open (with CR LF), so that what follows starts in
// column 1; does nothing when the last byte written ended a line.
void ConsoleStartLine();
// A plain line: the text unchanged, then LF.
void ConsoleWriteLine(std::string_view text);

// The current attribute: foreground in bits 0-3, background in bits 4-6, blink in bit 7.
uint8_t ConsoleAttr();
// Foreground 0-15; keeps the background, clears blink.
void SetForeground(uint8_t colour);
// Background from the low three bits of `colour`; keeps foreground and blink.
void SetBackground(uint8_t colour);

// The SGR parameters ("1;30", or "" for the lone reset) that take a terminal from
// attribute `from` to attribute `to`; only meaningful when the two differ.
std::string SgrParameters(uint8_t from, uint8_t to);

}  // namespace korvanex

#endif  // KORVANEX_CONSOLE_CONSOLE_H_
