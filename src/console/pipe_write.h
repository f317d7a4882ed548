// Text with pipe colour codes: "|" and two characters that name a colour.
#ifndef KORVANEX_CONSOLE_PIPE_WRITE_H_
#define KORVANEX_CONSOLE_PIPE_WRITE_H_

#include <string>

#include "text/counted_text.h"

namespace korvanex {

// Console bytes gathered from several pipe texts, to leave in one write.
struct PipeOutput {
  std::string bytes;
  int last_text_byte = -1;  // the last byte of text among them; -1 for colour changes only
};

// Appends to `out` what PipeWrite would write for the text, changing the colour state as it
// goes. Each text is parsed on its own: a code never spans two texts.
void AppendPipeText(const Str255& text, PipeOutput* out);
// The same for the text followed by CR LF, the whole cut at 255 characters.
void AppendPipeLine(const Str255& text, PipeOutput* out);
// Writes what was gathered, in one piece.
void WritePipeOutput(const PipeOutput& out);

// Writes the text, turning every valid pipe colour code into a colour change: "00" and
// codes that read as 1-15 set the foreground, 16-99 the background (code - 16) mod 8.
// Any other "|" group is written as it stands.
void PipeWrite(const Str255& text);
// PipeWrite of the text followed by CR LF, the whole cut at 255 characters.
void PipeWriteLn(const Str255& text);

}  // namespace korvanex

#endif  // KORVANEX_CONSOLE_PIPE_WRITE_H_
