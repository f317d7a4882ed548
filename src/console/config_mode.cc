#include "console/config_mode.h"

#include "console/console.h"

namespace korvanex {

int ConfigMode(DefaultsRecord*) {
  ConsoleWriteLine("ERROR: Configuration mode is not available in this build");
  return 1;
}

}  // namespace korvanex
