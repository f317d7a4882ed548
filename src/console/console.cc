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
  ConsoleSink sink = WriteToStandardOutput;
  bool is_terminal = false;
  uint8_t attr = 7;  // the attribute the console shows
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

void ConsoleStart() { ConsoleStartWithSink(WriteToStandardOutput, isatty(STDOUT_FILENO) == 1); }

void ConsoleStartWithSink(ConsoleSink sink, bool is_terminal) {
  console = {sink, is_terminal};
  // The reset is no text: it leaves the line-start record alone.
  if (is_terminal) console.sink("\x1b[m", 3);
}

void ConsoleWrite(std::string_view bytes) {
  if (bytes.empty()) return;
  const std::string_view text = WithoutTrailingColour(bytes);
  if (!text.empty()) console.at_line_start = text.back() == '\n';
  console.sink(bytes.data(), bytes.size());
}

void ConsoleStartLine() {
  if (!console.at_line_start) ConsoleWrite("\r\n");
}

void ConsoleWriteLine(std::string_view text) { ConsoleWrite(std::string(text) + '\n'); }

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
  const int fg = to & 0x0F, bg = (to >> 4) & 7;
  const bool blink = (to & 0x80) != 0;
  // A reset to attribute 7 comes first unless the old foreground is 7, the new one is not,
  // and blink does not end; either way the change starts from foreground 7.
  const bool reset = (from & 0x0F) != 7 || fg == 7 || ((from & 0x80) != 0 && !blink);
  const uint8_t shown = reset ? 7 : from;
  // Each parameter goes in with its ";"; the first one is cut off at the end.
  std::string params = reset ? ";0" : "";
  if (fg >= 8) params += ";1";
  if (blink && (shown & 0x80) == 0) params += ";5";
  if (fg % 8 != 7) params += {';', '3', kSgrColourDigits[fg % 8]};
  if (bg != ((shown >> 4) & 7)) params += {';', '4', kSgrColourDigits[bg]};
  return params == ";0" ? std::string() : params.erase(0, 1);
}

}  // namespace korvanex
