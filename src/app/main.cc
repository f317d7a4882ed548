#include "app/korvanex_main.h"
#include "app/process_setup.h"
#include "formats/outcome.h"

int main(int argc, char** argv) {
  // Nothing can be written anywhere safe: end before any file is opened.
  if (!korvanex::PrepareProcess()) return korvanex::kErrorBadHandle.number();
  return korvanex::RunKorvanex(argc, argv);
}
