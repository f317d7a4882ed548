// Error numbers: what a run's exit status and runtime error report give for a failed
// input/output operation.
#ifndef KORVANEX_FORMATS_ERROR_NUMBER_H_
#define KORVANEX_FORMATS_ERROR_NUMBER_H_

namespace korvanex {

constexpr int kNoError = 0;
// A record read found fewer bytes than one record.
constexpr int kErrorShortRecord = 100;
// A read or write failed in the system (also used for system errors without a number of
// their own, so that every failure ends the run with a non-zero status).
constexpr int kErrorReadWrite = 101;

// The error number for a system error (an errno value); never 0.
int ErrorNumberFromErrno(int system_error);

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_ERROR_NUMBER_H_
