// Error numbers: what a run's exit status and runtime error report give for a failed
// input/output operation.
#ifndef KORVANEX_FORMATS_ERROR_NUMBER_H_
#define KORVANEX_FORMATS_ERROR_NUMBER_H_

namespace korvanex {

// An error number of the table below, or none. A type of its own, so that a system error
// (an errno value) can never be taken for one; it tests true when there is an error, so
// that `if (ErrorNumber error = ...)` reads "if it failed".
class ErrorNumber {
 public:
  constexpr ErrorNumber() = default;
  constexpr explicit ErrorNumber(int number) : number_(number) {}
  constexpr int number() const { return number_; }
  constexpr explicit operator bool() const { return number_ != 0; }
  friend constexpr bool operator==(ErrorNumber a, ErrorNumber b) = default;

 private:
  int number_ = 0;
};

constexpr ErrorNumber kNoError;
// The process has no descriptor left for another open file.
constexpr ErrorNumber kErrorTooManyOpenFiles{4};
// A file handle that is not open.
constexpr ErrorNumber kErrorBadHandle{6};
// A record read found fewer bytes than one record.
constexpr ErrorNumber kErrorShortRecord{100};
// A read or write failed in the system (also used for system errors without a number of
// their own, so that every failure ends the run with a non-zero status).
constexpr ErrorNumber kErrorReadWrite{101};
// Memory could not be had.
constexpr ErrorNumber kErrorOutOfMemory{217};

// The error number for a system error (an errno value); never kNoError.
ErrorNumber ErrorNumberFromErrno(int system_error);

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_ERROR_NUMBER_H_
