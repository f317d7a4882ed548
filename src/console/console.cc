#include "console/console.h"

#include <unistd.h>

#include <algorithm>

#include "formats/fd_io.h"

namespace korvanex {

namespace {

void WriteToStandardOutput(const char* data, size_t size) {
  // A console that is gone takes nothing more; the run goes on without it.
  WriteFully(STDOUT_FILENO, data, size);
}

struct ConsoleState {
  uint8_t attr = 7;  // the attribute the console shows
  bool is_terminal = false;
  ConsoleSink sink = WriteToStandardOutput;
  bool at_line_start = true;
};

ConsoleState console;

constexpr char kSgrColourDigits[] = "04261537";

// The sequence that takes a terminal from attribute `from` to `to`; none when they are the
// same or the console is no terminal.
void AppendAttrChange(uint8_t from, uint8_t to, std::string* out) {
  if (from == to || !console.is_terminal) return;
  *out += "\x1b[";
  *out += SgrParameters(from, to);
  *out += 'm';
}

void ChangeAttr(uint8_t attr, ConsoleText* text) {
  AppendAttrChange(text->attr, attr, &text->bytes);
  text->attr = attr;
}

}  // namespace

void ConsoleStart() { ConsoleStartWithSink(WriteToStandardOutput, isatty(STDOUT_FILENO) == 1); }

void ConsoleStartWithSink(ConsoleSink sink, bool is_terminal) {
  console = ConsoleState();
  console.sink = sink;
  console.is_terminal = is_terminal;
  // The reset is no text: it leaves the line-start record alone.
  if (is_terminal) console.sink("\x1b[m", 3);
}

namespace {

// The bytes without the colour sequences (ESC [ parameters m) that end them: those do not
// move the cursor, so only what comes before them says where a line stands.
std::string_view WithoutTrailingColour(std::string_view bytes) {
  while (bytes.size() >= 3 && bytes.back() == 'm') {
    const size_t start = bytes.rfind("\x1b[");
    if (start == std::string_view::npos) break;
    const std::string_view parameters = bytes.substr(start + 2, bytes.size() - start - 3);
    if (parameters.find_first_not_of("0123456789;") != std::string_view::npos) break;
    bytes = bytes.substr(0, start);
  }
  return bytes;
}

}  // namespace

void ConsoleWrite(std::string_view bytes) {
  if (bytes.empty()) return;
  const std::string_view text = WithoutTrailingColour(bytes);
  if (!text.empty()) console.at_line_start = text.back() == '\n';
  console.sink(bytes.data(), bytes.size());
}

void ConsoleStartLine() {
  if (!console.at_line_start) ConsoleWrite("\r\n");
}

void ConsoleWriteLine(std::string_view text) {
  std::string line(text);
  line += '\n';
  ConsoleWrite(line);
}

bool ConsoleIsTerminal() { return console.is_terminal; }

std::string TerminalSafe(std::string_view text) {
  std::string shown(text);
  std::transform(shown.begin(), shown.end(), shown.begin(), TerminalSafeChar);
  return shown;
}

void StartConsoleText(ConsoleText* text) {
  text->bytes.clear();
  text->start_attr = text->attr = console.attr;
}

void ConsoleWrite(const ConsoleText& text) {
  if (text.start_attr == console.attr) {
    ConsoleWrite(text.bytes);
  } else {
    // A text built from another attribute than the one shown is brought to its start first.
    std::string bytes;
    AppendAttrChange(console.attr, text.start_attr, &bytes);
    ConsoleWrite(bytes + text.bytes);
  }
  console.attr = text.attr;
}

void SetForeground(uint8_t colour, ConsoleText* text) {
  ChangeAttr(static_cast<uint8_t>((colour & 0x0F) | (text->attr & 0x70)), text);
}

void SetBackground(uint8_t colour, ConsoleText* text) {
  ChangeAttr(static_cast<uint8_t>((text->attr & 0x8F) | ((colour & 7) << 4)), text);
}

std::string SgrParameters(uint8_t from,  // NOLINT(bugprone-easily-swappable-parameters)
                          uint8_t to) {
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
