// Configuration mode: the full-screen, single-key editor of the defaults.
#ifndef KORVANEX_CONSOLE_CONFIG_MODE_H_
#define KORVANEX_CONSOLE_CONFIG_MODE_H_

#include <cstdint>
#include <string>

#include "console/key_reader.h"
#include "console/terminal.h"
#include "formats/defaults_record.h"
#include "formats/outcome.h"
#include "text/counted_text.h"

namespace korvanex {

enum class ConfigRefusal { kSaveFailed, kKeyboardEnded };
// Runs the editor on `defaults` on the terminal until the operator saves with Q (done, or
// refused with kSaveFailed), or the keyboard input ends (refused with kKeyboardEnded); the
// caller says so to the operator.
Outcome ConfigMode(DefaultsRecord* defaults);

// The editor over any key source and screen size, saving through `save`; the console gets
// the screen.
using SaveFunction = bool (*)(const DefaultsRecord& record);
Outcome RunConfigMode(DefaultsRecord* defaults, KeyReader* keys, SaveFunction save,
                      ScreenSize size);

// The bytes of one whole screen, from the clearing of the old one to the prompt.
std::string ConfigScreen(const DefaultsRecord& defaults);

// The screen a field is edited on: its size, for placing the cursor, and what is drawn on it
// behind the field, to draw it again when it was lost.
struct EditScreen {
  ScreenSize size;
  std::string drawn;
};

// Edits `start` in place at a 1-based column and row: Backspace, Enter (keep the edit),
// Escape (keep `start`); every other key is appended while the text is shorter than
// `max_length`. A longer starting text is shown whole. Returns false, with `*result`
// untouched, when the keyboard input ended during the edit.
bool EditField(uint8_t column, uint8_t row,  // NOLINT(bugprone-easily-swappable-parameters)
               uint8_t max_length, const Str255& start, const EditScreen& screen, KeyReader* keys,
               Str255* result);

}  // namespace korvanex

#endif  // KORVANEX_CONSOLE_CONFIG_MODE_H_
