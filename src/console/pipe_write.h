// Text with pipe colour codes: "|" and two characters that name a colour.
#ifndef KORVANEX_CONSOLE_PIPE_WRITE_H_
#define KORVANEX_CONSOLE_PIPE_WRITE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "text/counted_text.h"

namespace korvanex {

// Appends to `out` what PipeWrite writes for the text (at most 255 characters), its codes
// turned into colour changes of `out`, so that several texts can leave in one write. Each
// text is parsed on its own: a code never spans two texts.
void AppendPipeText(std::string_view text, ConsoleText* out);
// The same for the text followed by CR LF, the whole cut at 255 characters.
void AppendPipeLine(std::string_view text, ConsoleText* out);

// A constant text with pipe codes, or such a line, rendered once for each attribute it
// starts from and each console mode, and appended as rendered from then on.
class PipeTextOnce {
 public:
  explicit PipeTextOnce(std::string_view text, bool line = false) : text_(text), line_(line) {}
  void AppendTo(ConsoleText* out);

 private:
  struct Rendered {
    uint8_t from, to;
    bool terminal;
    std::string bytes;
  };
  std::string_view text_;
  bool line_;
  std::vector<Rendered> rendered_;  // a few: one for each attribute met
};

// Writes the text, turning every valid pipe colour code into a colour change: "00" and
// codes that read as 1-15 set the foreground, 16-99 the background (code - 16) mod 8.
// Any other "|" group is written as it stands.
void PipeWrite(const Str255& text);
// PipeWrite of the text followed by CR LF, the whole cut at 255 characters.
void PipeWriteLn(const Str255& text);

}  // namespace korvanex

#endif  // KORVANEX_CONSOLE_PIPE_WRITE_H_
