// PipeWrite and PipeWriteLn over arbitrary text into an in-memory console. The text shown
// on a terminal, with its colour sequences taken out, must equal what a pipe gets, and
// every sequence must be a well-formed SGR sequence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console/console.h"
#include "console/pipe_write.h"
#include "text/counted_text.h"

namespace {

std::string captured;

void Capture(const char* data, size_t size) { captured.append(data, size); }

// Removes ESC [ params m sequences; aborts on any other use of ESC.
std::string WithoutSgr(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\x1b') {
      plain += text[i];
      continue;
    }
    if (i + 1 >= text.size() || text[i + 1] != '[') abort();
    size_t j = i + 2;
    while (j < text.size() && ((text[j] >= '0' && text[j] <= '9') || text[j] == ';')) ++j;
    if (j >= text.size() || text[j] != 'm') abort();
    i = j;
  }
  return plain;
}

// Writes the text as the tool writes an area line, with or without a line end.
std::string Run(const korvanex::Str255& text, bool terminal, bool line_end) {
  captured.clear();
  korvanex::ConsoleStartWithSink(Capture, terminal);
  if (line_end) {
    korvanex::PipeWriteLn(text);
  } else {
    korvanex::PipeWrite(text);
  }
  return captured;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool line_end = (data[0] & 1) != 0;
  const korvanex::Str255 text(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));

  const std::string piped = Run(text, false, line_end);
  const std::string shown = Run(text, true, line_end);

  if (piped.find('\x1b') != std::string::npos && text.view().find('\x1b') == std::string::npos) {
    abort();  // a pipe never gets colour sequences
  }
  if (piped.size() > static_cast<size_t>(text.size()) + 2) abort();
  // An ESC of the text itself is not a sequence of ours; compare only texts without one.
  if (text.view().find('\x1b') == std::string_view::npos) {
    if (shown.rfind("\x1b[m", 0) != 0) abort();  // the terminal starts at attribute 7
    if (WithoutSgr(shown) != piped) abort();
  }
  if (line_end) {
    // The line end survives unless the text itself filled all 255 characters.
    const bool room = text.size() <= 253;
    if (room && (piped.size() < 2 || piped.compare(piped.size() - 2, 2, "\r\n") != 0)) abort();
  }
  return 0;
}
