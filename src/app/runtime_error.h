// The report that ends a run on a failed input/output operation.
#ifndef KORVANEX_APP_RUNTIME_ERROR_H_
#define KORVANEX_APP_RUNTIME_ERROR_H_

#include <cstdint>
#include <string>

#include "formats/outcome.h"

namespace korvanex {

// "Runtime error N at 0x" and 8 upper-case hex digits, then "  0x" and 8 hex digits for
// each further calling level, then an empty line.
std::string FormatRuntimeErrorReport(int error_number, const uintptr_t* addresses, int count);

// Writes the report for `error_number` with the addresses of the caller's call chain and
// returns the number, which becomes the exit status.
int ReportRuntimeError(Outcome error);

}  // namespace korvanex

#endif  // KORVANEX_APP_RUNTIME_ERROR_H_
