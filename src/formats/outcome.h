// How a fallible step of the tool ended, and the error numbers that a failed read or write
// gives the run's exit status and runtime error report.
#ifndef KORVANEX_FORMATS_OUTCOME_H_
#define KORVANEX_FORMATS_OUTCOME_H_

namespace korvanex {

// Done; failed with an error number of the table below (the run ends with its runtime
// error report and exit status); or refused for a reason (the run ends with an ERROR line).
// Each module that refuses declares its reasons as an enum of its own, and only the top of
// the program, which knows whose step it ran, reads them back.
class Outcome {
 public:
  static constexpr Outcome Failure(int number) { return Outcome(number); }
  template <typename Reason>
  static constexpr Outcome Refused(Reason reason) {
    return Outcome(-1 - static_cast<int>(reason));
  }
  constexpr Outcome() = default;
  constexpr bool ok() const { return code_ == 0; }
  constexpr bool failed() const { return code_ > 0; }
  // The error number of a failure, 0 otherwise.
  constexpr int number() const { return failed() ? code_ : 0; }
  template <typename Reason>
  constexpr Reason reason() const {
    return static_cast<Reason>(-1 - code_);
  }
  friend constexpr bool operator==(Outcome a, Outcome b) = default;

 private:
  constexpr explicit Outcome(int code) : code_(code) {}
  int code_ = 0;  // the error number of a failure; -1 - the reason of a refusal
};

constexpr Outcome kDone;
// The process has no descriptor left for another open file.
constexpr Outcome kErrorTooManyOpenFiles = Outcome::Failure(4);
// A file handle that is not open.
constexpr Outcome kErrorBadHandle = Outcome::Failure(6);
// A record read found fewer bytes than one record.
constexpr Outcome kErrorShortRecord = Outcome::Failure(100);
// A read or write failed in the system (also used for system errors without a number of
// their own, so that every failure ends the run with a non-zero status).
constexpr Outcome kErrorReadWrite = Outcome::Failure(101);
// Memory could not be had.
constexpr Outcome kErrorOutOfMemory = Outcome::Failure(217);

// The failure for a system error (an errno value); never kDone.
Outcome OutcomeOfErrno(int system_error);

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_OUTCOME_H_
