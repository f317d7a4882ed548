#include "app/runtime_error.h"

#include <execinfo.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "console/console.h"

namespace korvanex {

namespace {

std::string Hex8(const void* address) {
  char text[9];
  (void)std::snprintf(text, sizeof text, "%08X",
                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(address) & 0xFFFFFFFFu));
  return text;
}

}  // namespace

int ReportRuntimeError(Outcome error) {
  // The code addresses are those of the calls that led here, innermost first, without
  // this function's own frame.
  void* frames[16];
  const int depth = backtrace(frames, 16);
  std::string report = "Runtime error " + std::to_string(error.number()) + " at 0x" +
                       Hex8(depth > 1 ? frames[1] : nullptr) + "\n";
  for (int i = 2; i < depth; ++i) report += "  0x" + Hex8(frames[i]) + "\n";
  // The report starts on a line of its own, also after an area line left open.
  ConsoleStartLine();
  ConsoleWrite(report + "\n");
  return error.number();
}

}  // namespace korvanex
