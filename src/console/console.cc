#include "console/console.h"

#include <errno.h>
#include <unistd.h>

namespace korvanex {

namespace {

void WriteToStandardOutput(const char* data, size_t size) {
  while (size > 0) {
    ssize_t written = write(STDOUT_FILENO, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return;  // the console is gone; the run goes on without it
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
}

struct ConsoleState {
  uint8_t attr = 7;
  uint8_t last_sent = 7;
  bool is_terminal = false;
  ConsoleSink sink = WriteToStandardOutput;
  bool at_line_start = true;
  bool batching = false;
  std::string batch;
};

ConsoleState console;

constexpr char kSgrColourDigits[] = "04261537";

// Sends bytes on, gathered while a batch is open. Colour sequences go only through here:
// they do not move the cursor, so they leave the line-start record alone.
void Emit(std::string_view bytes) {
  if (bytes.empty()) return;
  if (console.batching) {
    console.batch += bytes;
  } else {
    console.sink(bytes.data(), bytes.size());
  }
}

void ApplyAttr() {
  if (console.attr == console.last_sent) return;
  if (console.is_terminal) {
    Emit("\x1b[" + SgrParameters(console.last_sent, console.attr) + "m");
  }
  console.last_sent = console.attr;
}

}  // namespace

void ConsoleStart() {
  console = ConsoleState();
  console.is_terminal = isatty(STDOUT_FILENO) == 1;
  if (console.is_terminal) Emit("\x1b[m");
}

void ConsoleStartWithSink(ConsoleSink sink, bool is_terminal) {
  console = ConsoleState();
  console.sink = sink;
  console.is_terminal = is_terminal;
  if (is_terminal) Emit("\x1b[m");
}

void ConsoleWrite(std::string_view bytes) {
  if (bytes.empty()) return;
  console.at_line_start = bytes.back() == '\n';
  Emit(bytes);
}

void ConsoleStartLine() {
  if (!console.at_line_start) ConsoleWrite("\r\n");
}

void ConsoleBeginBatch() { console.batching = true; }

void ConsoleEndBatch() {
  console.batching = false;
  Emit(console.batch);
  console.batch.clear();
}

void ConsoleWriteLine(std::string_view text) {
  std::string line(text);
  line += '\n';
  ConsoleWrite(line);
}

uint8_t ConsoleAttr() { return console.attr; }

void SetForeground(uint8_t colour) {
  console.attr = static_cast<uint8_t>((colour & 0x0F) | (console.attr & 0x70));
  ApplyAttr();
}

void SetBackground(uint8_t colour) {
  console.attr = static_cast<uint8_t>((console.attr & 0x8F) | ((colour & 7) << 4));
  ApplyAttr();
}

std::string SgrParameters(uint8_t from, uint8_t to) {
  int old_fg = from & 0x0F, old_bg = (from >> 4) & 7;
  bool old_blink = (from & 0x80) != 0;
  const int new_fg = to & 0x0F, new_bg = (to >> 4) & 7;
  const bool new_blink = (to & 0x80) != 0;
  std::string params;
  auto add = [&params](std::string_view p) {
    if (!params.empty()) params += ';';
    params += p;
  };
  if (old_fg != 7 || new_fg == 7 || (old_blink && !new_blink)) {
    add("0");
    old_fg = 7;
    old_bg = 0;
    old_blink = false;
  }
  if (new_fg >= 8 && old_fg < 8) {
    add("1");
    old_fg += 8;
  }
  if (new_blink && !old_blink) add("5");
  if (new_fg != old_fg) add(std::string{'3', kSgrColourDigits[new_fg % 8]});
  if (new_bg != old_bg) add(std::string{'4', kSgrColourDigits[new_bg]});
  return params == "0" ? std::string() : params;
}

}  // namespace korvanex
