#include "console/pipe_write.h"

#include <string>

#include "console/console.h"
#include "text/text_utils.h"

namespace korvanex {

void PipeWrite(const Str255& text) {
  // The text and its colour changes are gathered in order and leave in one write, complete
  // before the call returns, so a line reaches the terminal whole.
  std::string out;
  int last_text_byte = -1;
  const int length = text.size();
  int i = 0;
  while (i < length) {
    if (text.at(i) == '|' && i + 2 < length) {
      const Str255 code(text.view().substr(static_cast<size_t>(i) + 1, 2));
      const int32_t n = TextToInt(code);
      if (code == "00" || n > 0) {
        if (n <= 15) {
          SetForeground(static_cast<uint8_t>(n), &out);
        } else {
          SetBackground(static_cast<uint8_t>(n - 16), &out);
        }
      } else {
        out += text.view().substr(static_cast<size_t>(i), 3);
        last_text_byte = text.at(i + 2);
      }
      i += 3;  // the two characters after the pipe never start a code of their own
    } else {
      out += static_cast<char>(text.at(i));
      last_text_byte = text.at(i);
      ++i;
    }
  }
  ConsoleWrite(out, last_text_byte);
}

void PipeWriteLn(const Str255& text) { PipeWrite(Join(text, "\r\n")); }

}  // namespace korvanex
