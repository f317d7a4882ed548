#include "console/pipe_write.h"

#include <string>

#include "console/console.h"
#include "text/text_utils.h"

namespace korvanex {

void PipeWrite(const Str255& text) {
  // The whole text with its colour changes goes out in one write, complete before the
  // call returns; each run of plain characters comes before the change that follows it.
  ConsoleBeginBatch();
  std::string run;
  const int length = text.size();
  int i = 0;
  while (i < length) {
    if (text.at(i) == '|' && i + 2 < length) {
      const Str255 code(text.view().substr(static_cast<size_t>(i) + 1, 2));
      const int32_t n = TextToInt(code);
      if (code == "00" || n > 0) {
        ConsoleWrite(run);
        run.clear();
        if (n <= 15) {
          SetForeground(static_cast<uint8_t>(n));
        } else {
          SetBackground(static_cast<uint8_t>(n - 16));
        }
      } else {
        run += text.view().substr(static_cast<size_t>(i), 3);
      }
      i += 3;  // the two characters after the pipe never start a code of their own
    } else {
      run += static_cast<char>(text.at(i));
      ++i;
    }
  }
  ConsoleWrite(run);
  ConsoleEndBatch();
}

void PipeWriteLn(const Str255& text) { PipeWrite(Join(text, "\r\n")); }

}  // namespace korvanex
