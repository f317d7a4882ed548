// Text with pipe colour codes: "|" and two characters that name a colour.
#ifndef KORVANEX_CONSOLE_PIPE_WRITE_H_
#define KORVANEX_CONSOLE_PIPE_WRITE_H_

#include "text/counted_text.h"

namespace korvanex {

// Writes the text, turning every valid pipe colour code into a colour change: "00" and
// codes that read as 1-15 set the foreground, 16-99 the background (code - 16) mod 8.
// Any other "|" group is written as it stands.
void PipeWrite(const Str255& text);
// PipeWrite of the text followed by CR LF, the whole cut at 255 characters.
void PipeWriteLn(const Str255& text);

}  // namespace korvanex

#endif  // KORVANEX_CONSOLE_PIPE_WRITE_H_
