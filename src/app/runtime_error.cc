#include "app/runtime_error.h"

#include <execinfo.h>

#include <cstdio>

#include "console/console.h"

namespace korvanex {

namespace {

std::string Hex8(uintptr_t address) {
  char text[9];
  (void)std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(address & 0xFFFFFFFFu));
  return text;
}

}  // namespace

std::string FormatRuntimeErrorReport(int error_number, const uintptr_t* addresses, int count) {
  std::string report = "Runtime error " + std::to_string(error_number) + " at 0x" +
                       Hex8(count > 0 ? addresses[0] : 0) + "\n";
  for (int i = 1; i < count; ++i) report += "  0x" + Hex8(addresses[i]) + "\n";
  report += "\n";
  return report;
}

int ReportRuntimeError(Outcome error) {
  // The code addresses are those of the calls that led here, innermost first, without
  // this function's own frame.
  void* frames[16];
  const int depth = backtrace(frames, 16);
  uintptr_t addresses[16];
  int count = 0;
  for (int i = 1; i < depth; ++i) addresses[count++] = reinterpret_cast<uintptr_t>(frames[i]);
  // The report starts on a line of its own, also after an area line left open.
  ConsoleStartLine();
  ConsoleWrite(FormatRuntimeErrorReport(error.number(), addresses, count));
  return error.number();
}

}  // namespace korvanex
