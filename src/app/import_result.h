// How a step of an import ended.
#ifndef KORVANEX_APP_IMPORT_RESULT_H_
#define KORVANEX_APP_IMPORT_RESULT_H_

#include "formats/error_number.h"

namespace korvanex {

// Done; stopped by a failed read or write of mbases.dat (its error number); or stopped
// with an ERROR line (no free index; another program left a record unfinished or would not
// stop rewriting the file).
struct ImportResult {
  ErrorNumber error = kNoError;
  const char* error_line = nullptr;
  bool done() const { return error == kNoError && error_line == nullptr; }
};

}  // namespace korvanex

#endif  // KORVANEX_APP_IMPORT_RESULT_H_
