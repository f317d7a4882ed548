#include "console/pipe_write.h"

#include <algorithm>
#include <string>

#include "console/console.h"
#include "text/text_utils.h"

namespace korvanex {

void AppendPipeText(std::string_view text, ConsoleText* out) {
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '|') {
      // A run of plain characters up to the next pipe goes in one piece.
      const size_t run_end = std::min(text.find('|', i), text.size());
      out->bytes.append(text.substr(i, run_end - i));
      i = run_end;
    } else if (i + 2 < text.size()) {
      const std::string_view code = text.substr(i + 1, 2);
      const int32_t n = TextToInt(code);
      if (code == "00" || n > 0) {
        if (n <= 15) {
          SetForeground(static_cast<uint8_t>(n), out);
        } else {
          SetBackground(static_cast<uint8_t>(n - 16), out);
        }
      } else {
        out->bytes.append(text.substr(i, 3));
      }
      i += 3;  // the two characters after the pipe never start a code of their own
    } else {
      out->bytes.append(text.substr(i));
      i = text.size();
    }
  }
}

// CR and LF never complete a code, so the line end parsed with the text goes out as it
// stands.
void AppendPipeLine(std::string_view text, ConsoleText* out) {
  AppendPipeText(Join(text, "\r\n"), out);
}

void PipeTextOnce::AppendTo(ConsoleText* out) {
  const bool terminal = ConsoleIsTerminal();
  auto found = std::find_if(rendered_.begin(), rendered_.end(), [&](const Rendered& r) {
    return r.from == out->attr && r.terminal == terminal;
  });
  if (found == rendered_.end()) {
    ConsoleText text;
    text.start_attr = text.attr = out->attr;
    line_ ? AppendPipeLine(text_, &text) : AppendPipeText(text_, &text);
    found = rendered_.insert(rendered_.end(), {out->attr, text.attr, terminal, text.bytes});
  }
  out->bytes += found->bytes;
  out->attr = found->to;
}

// The text and its colour changes leave in one write, complete before the call returns, so
// a line reaches the terminal whole.
void PipeWrite(const Str255& text) {
  ConsoleText out;
  StartConsoleText(&out);
  AppendPipeText(text, &out);
  ConsoleWrite(out);
}

void PipeWriteLn(const Str255& text) { PipeWrite(Join(text, "\r\n")); }

}  // namespace korvanex
