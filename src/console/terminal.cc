#include "console/terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace korvanex {

std::string ClearScreenSequence() { return "\x1b[H\x1b[2J"; }

ScreenSize TerminalSize() {
  winsize size = {};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return {};
  return {size.ws_col, size.ws_row};
}

std::string MoveCursorSequence(int column, int row, ScreenSize size) {
  if (column < 1 || row < 1) return "";
  if ((size.columns > 0 && column > size.columns) || (size.rows > 0 && row > size.rows)) {
    return "";
  }
  return "\x1b[" + std::to_string(row) + ";" + std::to_string(column) + "H";
}

namespace {

// What the signal handlers need; only async-signal-safe calls touch it there.
termios saved_modes;
termios raw_modes;
volatile sig_atomic_t modes_saved = 0;
int null_input = -1;

// The actions the signals had before, put back when the keyboard is released.
struct sigaction old_actions[NSIG];
bool handled[NSIG];
// A pipe that gets a byte whenever the process is continued, so that the read of a key
// breaks off whenever the continue came, even just before the wait began.
int continued[2] = {-1, -1};

// Sets the handler of a signal, with an empty mask and no flags.
int SetHandler(int signal_number, void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  return sigaction(signal_number, &action, nullptr);
}

// The terminal must not stay raw after the process is gone; the signal then takes the
// course it had before (it is blocked until the handler returns, and is then delivered
// again).
void OnEndingSignal(int signal_number) {
  RestoreTerminalForExit();
  sigaction(signal_number, &old_actions[signal_number], nullptr);
  (void)raise(signal_number);
}

// A hung-up terminal is a keyboard that went away: its input now ends, so the editor
// stops on its normal end-of-input path instead of dying with the terminal left raw.
void OnHangUp(int) {
  const int saved_errno = errno;
  RestoreTerminalForExit();
  if (null_input >= 0) dup2(null_input, STDIN_FILENO);
  errno = saved_errno;
}

// A stop asked for (SIGTSTP) hands the shell its terminal settings back first.
void OnStopRequest(int signal_number) {
  const int saved_errno = errno;
  RestoreTerminalForExit();
  SetHandler(signal_number, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal_number);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  (void)raise(signal_number);  // stops here until continued
  // cppcheck-suppress unreachableCode ; raise() returns once the process is continued
  SetHandler(signal_number, OnStopRequest);
  errno = saved_errno;
}

// Continued after any stop: the shell may have changed the settings meanwhile.
void OnContinue(int) {
  const int saved_errno = errno;
  if (modes_saved) tcsetattr(STDIN_FILENO, TCSANOW, &raw_modes);
  if (continued[1] >= 0) (void)!write(continued[1], "", 1);
  errno = saved_errno;
}

void Install(int signal_number, void (*handler)(int)) {
  struct sigaction& old = old_actions[signal_number];
  // A signal the process was started ignoring stays ignored.
  handled[signal_number] = sigaction(signal_number, nullptr, &old) == 0 &&
                           old.sa_handler != SIG_IGN && SetHandler(signal_number, handler) == 0;
}

}  // namespace

void RestoreTerminalForExit() {
  if (modes_saved) tcsetattr(STDIN_FILENO, TCSANOW, &saved_modes);
}

RawKeyboard::RawKeyboard() {
  termios modes;
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &modes) != 0) return;
  saved_modes = modes;
  // Output processing stays on, so a line end still starts the next line at column 1.
  modes.c_iflag &=
      ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  modes.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  modes.c_cc[VMIN] = 1;
  modes.c_cc[VTIME] = 0;
  raw_modes = modes;
  modes_saved = 1;
  null_input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (pipe2(continued, O_NONBLOCK | O_CLOEXEC) != 0) continued[0] = continued[1] = -1;
  // Every signal whose default action ends the process, but for SIGHUP (below) and SIGKILL,
  // which cannot be caught.
  for (int signal_number : {SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,  SIGFPE,
                            SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGXCPU,
                            SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGSYS,  SIGPWR,  SIGSTKFLT}) {
    Install(signal_number, OnEndingSignal);
  }
  for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
    Install(signal_number, OnEndingSignal);
  }
  Install(SIGHUP, OnHangUp);
  Install(SIGTSTP, OnStopRequest);
  Install(SIGCONT, OnContinue);
  // TCSANOW rather than TCSAFLUSH: keys typed ahead are kept.
  tcsetattr(STDIN_FILENO, TCSANOW, &raw_modes);
  active_ = true;
}

RawKeyboard::~RawKeyboard() { Restore(); }

int RawKeyboard::continued_fd() const { return continued[0]; }

void RawKeyboard::Restore() {
  if (!active_) return;
  active_ = false;
  // TCSADRAIN: the screen already written reaches the terminal under the raw settings.
  tcsetattr(STDIN_FILENO, TCSADRAIN, &saved_modes);
  modes_saved = 0;
  // The hang-up's handler stays, with nothing left to do: the editor may have read the end
  // of a hung-up terminal's input before its signal came, which must not then end the run
  // that the editor already ended.
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    if (handled[signal_number] && signal_number != SIGHUP) {
      sigaction(signal_number, &old_actions[signal_number], nullptr);
    }
    handled[signal_number] = false;
  }
  for (int* fd : {&null_input, &continued[0], &continued[1]}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

}  // namespace korvanex
