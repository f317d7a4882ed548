// The report that ends a run on a failed input/output operation.
#ifndef KORVANEX_APP_RUNTIME_ERROR_H_
#define KORVANEX_APP_RUNTIME_ERROR_H_

#include "formats/outcome.h"

namespace korvanex {

// Writes "Runtime error N at 0x" and 8 upper-case hex digits, then "  0x" and 8 hex digits
// for each further level of the caller's call chain, then an empty line; returns N, which
// becomes the exit status.
int ReportRuntimeError(Outcome error);

}  // namespace korvanex

#endif  // KORVANEX_APP_RUNTIME_ERROR_H_
