// How a fallible step of the tool ended, and the error numbers that a failed read or write
// gives the run's exit status and runtime error report.
#ifndef KORVANEX_FORMATS_OUTCOME_H_
#define KORVANEX_FORMATS_OUTCOME_H_

#include <cstdint>

namespace korvanex {

// Why a run stops with an ERROR line of its own; only the top of the program gives each
// its text.
enum class Refusal : uint8_t {
  kNone,
  kOstrelNotOpened,
  kAreaListNotOpened,
  kMbasesNotOpened,
  kNoFreeIndex,
  kUnfinishedRecord,
  kKeptRewriting,
  kNotAsWritten,
  kSaveFailed,
  kKeyboardEnded,
};

// Done; failed with an error number of the table below (the run ends with its runtime
// error report and exit status); or refused (the run ends with an ERROR line). A type of
// its own, so that neither a system error (an errno value) nor a bool can be taken for
// one; it tests true when the step did not end done, so that `if (Outcome failed = ...)`
// reads "if it failed".
class Outcome {
 public:
  constexpr Outcome() = default;
  constexpr explicit Outcome(int error_number) : number_(error_number) {}
  constexpr explicit Outcome(Refusal refusal) : refusal_(refusal) {}
  // The error number of a failure, 0 for a step that was done or refused.
  constexpr int number() const { return number_; }
  constexpr Refusal refusal() const { return refusal_; }
  constexpr explicit operator bool() const { return number_ != 0 || refusal_ != Refusal::kNone; }
  friend constexpr bool operator==(Outcome a, Outcome b) = default;

 private:
  int number_ = 0;
  Refusal refusal_ = Refusal::kNone;
};

constexpr Outcome kDone;
// The process has no descriptor left for another open file.
constexpr Outcome kErrorTooManyOpenFiles{4};
// A file handle that is not open.
constexpr Outcome kErrorBadHandle{6};
// A record read found fewer bytes than one record.
constexpr Outcome kErrorShortRecord{100};
// A read or write failed in the system (also used for system errors without a number of
// their own, so that every failure ends the run with a non-zero status).
constexpr Outcome kErrorReadWrite{101};
// Memory could not be had.
constexpr Outcome kErrorOutOfMemory{217};

// The failure for a system error (an errno value); never kDone.
Outcome OutcomeOfErrno(int system_error);

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_OUTCOME_H_
