#include "console/terminal.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "console/console.h"

namespace korvanex {

std::string ClearScreenSequence() { return "\x1b[H\x1b[2J"; }

std::string MoveCursorSequence(int column, int row) {
  if (column < 1 || row < 1) return "";
  winsize size = {};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0 &&
      (column > size.ws_col || row > size.ws_row)) {
    return "";
  }
  return "\x1b[" + std::to_string(row) + ";" + std::to_string(column) + "H";
}

void ClearScreen() { ConsoleWrite(ClearScreenSequence()); }

void MoveCursor(int column, int row) { ConsoleWrite(MoveCursorSequence(column, row)); }

namespace {

// What the signal handlers need; only async-signal-safe calls touch it there.
termios saved_modes;
volatile sig_atomic_t modes_saved = 0;
int null_input = -1;

constexpr int kEndingSignals[] = {SIGTERM, SIGINT, SIGQUIT};
constexpr int kSignalCount = 4;  // the ending signals and SIGHUP
struct sigaction old_actions[kSignalCount];

void RestoreModesNow() {
  if (modes_saved) tcsetattr(STDIN_FILENO, TCSANOW, &saved_modes);
}

// The terminal must not stay raw after the process is gone; the signal then goes on to
// end the process as it would have (it is blocked until the handler returns).
void OnEndingSignal(int signal_number) {
  RestoreModesNow();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

// A hung-up terminal is a keyboard that went away: its input now ends, so the editor
// stops on its normal end-of-input path instead of dying with the terminal left raw.
void OnHangUp(int) {
  RestoreModesNow();
  if (null_input >= 0) dup2(null_input, STDIN_FILENO);
}

void Install(int index, int signal_number, void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, &old_actions[index]);
}

}  // namespace

RawKeyboard::RawKeyboard() {
  termios modes;
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &modes) != 0) return;
  saved_modes = modes;
  modes_saved = 1;
  null_input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  for (int i = 0; i < kSignalCount - 1; ++i) Install(i, kEndingSignals[i], OnEndingSignal);
  Install(kSignalCount - 1, SIGHUP, OnHangUp);

  // Output processing stays on, so a line end still starts the next line at column 1.
  modes.c_iflag &=
      ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  modes.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  modes.c_cc[VMIN] = 1;
  modes.c_cc[VTIME] = 0;
  // TCSANOW rather than TCSAFLUSH: keys typed ahead are kept.
  tcsetattr(STDIN_FILENO, TCSANOW, &modes);
  active_ = true;
}

RawKeyboard::~RawKeyboard() { Restore(); }

void RawKeyboard::Restore() {
  if (!active_) return;
  active_ = false;
  // TCSADRAIN: the screen already written reaches the terminal under the raw settings.
  tcsetattr(STDIN_FILENO, TCSADRAIN, &saved_modes);
  modes_saved = 0;
  for (int i = 0; i < kSignalCount - 1; ++i) sigaction(kEndingSignals[i], &old_actions[i], nullptr);
  sigaction(SIGHUP, &old_actions[kSignalCount - 1], nullptr);
  if (null_input >= 0) {
    close(null_input);
    null_input = -1;
  }
}

}  // namespace korvanex
