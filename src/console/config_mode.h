// Configuration mode: the full-screen, single-key editor of the defaults.
#ifndef KORVANEX_CONSOLE_CONFIG_MODE_H_
#define KORVANEX_CONSOLE_CONFIG_MODE_H_

#include <cstdint>
#include <string>

#include "console/key_reader.h"
#include "formats/defaults_record.h"
#include "text/counted_text.h"

namespace korvanex {

constexpr char kSaveFailedMessage[] = "ERROR: Unable to save korvanex.cfg";
constexpr char kKeyboardEndedMessage[] = "ERROR: Keyboard input ended; settings not saved";

// Runs the editor on `defaults` until the operator saves with Q. Returns the exit status
// of the run: 0 after a successful save, 1 when the save failed or the keyboard input
// ended.
int ConfigMode(DefaultsRecord* defaults);

// The editor over any key source, saving through `save`; the console gets the screen.
using SaveFunction = bool (*)(const DefaultsRecord& record);
int RunConfigMode(DefaultsRecord* defaults, KeyReader* keys, SaveFunction save);

// The bytes of one whole screen, from the clearing of the old one to the prompt.
std::string ConfigScreen(const DefaultsRecord& defaults);

// Edits `start` in place at a 1-based column and row: Backspace, Enter (keep the edit),
// Escape (keep `start`); every other key is appended while the text is shorter than
// `max_length`. A longer starting text is shown whole. When the screen has to be drawn
// again, `screen` is drawn with the edit in progress over it. Returns false, with
// `*result` untouched, when the keyboard input ended during the edit.
bool EditField(uint8_t column, uint8_t row, uint8_t max_length, const Str255& start,
               std::string_view screen, KeyReader* keys, Str255* result);

}  // namespace korvanex

#endif  // KORVANEX_CONSOLE_CONFIG_MODE_H_
