// Configuration mode: the full-screen, single-key editor of the defaults.
#ifndef KORVANEX_CONSOLE_CONFIG_MODE_H_
#define KORVANEX_CONSOLE_CONFIG_MODE_H_

#include "formats/defaults_record.h"

namespace korvanex {

// Runs the editor on `defaults` until the operator saves with Q. Returns the exit status
// of the run: 0 after a successful save, 1 when the save failed or the keyboard input
// ended.
int ConfigMode(DefaultsRecord* defaults);

}  // namespace korvanex

#endif  // KORVANEX_CONSOLE_CONFIG_MODE_H_
