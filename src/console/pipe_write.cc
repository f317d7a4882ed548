#include "console/pipe_write.h"

#include <string>

#include "console/console.h"
#include "text/text_utils.h"

namespace korvanex {

void AppendPipeText(const Str255& text, PipeOutput* pipe_output) {
  std::string& out = pipe_output->bytes;
  const std::string_view view = text.view();
  const int length = text.size();
  int i = 0;
  while (i < length) {
    if (text.at(i) != '|') {
      // A run of plain characters up to the next pipe goes in one piece.
      size_t run_end = view.find('|', static_cast<size_t>(i));
      if (run_end == std::string_view::npos) run_end = view.size();
      out.append(view.substr(static_cast<size_t>(i), run_end - static_cast<size_t>(i)));
      pipe_output->last_text_byte = static_cast<unsigned char>(view[run_end - 1]);
      i = static_cast<int>(run_end);
    } else if (i + 2 < length) {
      const std::string_view code = view.substr(static_cast<size_t>(i) + 1, 2);
      // Two decimal digits, the form of every code the tool writes, are always a code.
      const bool digits = code[0] >= '0' && code[0] <= '9' && code[1] >= '0' && code[1] <= '9';
      const int32_t n = digits ? (code[0] - '0') * 10 + (code[1] - '0') : TextToInt(Str255(code));
      if (digits || n > 0) {
        if (n <= 15) {
          SetForeground(static_cast<uint8_t>(n), &out);
        } else {
          SetBackground(static_cast<uint8_t>(n - 16), &out);
        }
      } else {
        out += text.view().substr(static_cast<size_t>(i), 3);
        pipe_output->last_text_byte = text.at(i + 2);
      }
      i += 3;  // the two characters after the pipe never start a code of their own
    } else {
      out += static_cast<char>(text.at(i));
      pipe_output->last_text_byte = text.at(i);
      ++i;
    }
  }
}

void AppendPipeLine(const Str255& text, PipeOutput* out) {
  AppendPipeText(Join(text, "\r\n"), out);
}

void WritePipeOutput(const PipeOutput& out) { ConsoleWrite(out.bytes, out.last_text_byte); }

// The text and its colour changes leave in one write, complete before the call returns, so
// a line reaches the terminal whole.
void PipeWrite(const Str255& text) {
  PipeOutput out;
  AppendPipeText(text, &out);
  WritePipeOutput(out);
}

void PipeWriteLn(const Str255& text) {
  PipeOutput out;
  AppendPipeLine(text, &out);
  WritePipeOutput(out);
}

}  // namespace korvanex
