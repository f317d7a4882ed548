// The terminal as configuration mode needs it: clearing the screen, placing the cursor,
// and raw single-key input that is always put back the way it was found.
#ifndef KORVANEX_CONSOLE_TERMINAL_H_
#define KORVANEX_CONSOLE_TERMINAL_H_

#include <string>

namespace korvanex {

// A screen's size in columns and rows; 0 where it is not known.
struct ScreenSize {
  int columns = 0;
  int rows = 0;
};

// The size of the terminal on standard output, or an unknown size.
ScreenSize TerminalSize();

// The bytes that clear the whole screen and put the cursor at column 1, row 1.
std::string ClearScreenSequence();
// The bytes that put the cursor at a 1-based column and row; empty for a position
// outside the screen (a screen of unknown size has no right or lower edge).
std::string MoveCursorSequence(int column, int row, ScreenSize size);

// While an object of this class lives, standard input, when it is a terminal, gives single
// unechoed bytes (no line editing, signals from control keys or flow control; CR stays 13).
// The old settings come back when it goes, before a signal ends the process, and while the
// process is stopped; a hang-up ends the keyboard input (and, once it goes, does nothing),
// and a continue shows on continued_fd(), so that the key read can have the screen drawn
// again.
class RawKeyboard {
 public:
  RawKeyboard();
  ~RawKeyboard();
  RawKeyboard(const RawKeyboard&) = delete;
  RawKeyboard& operator=(const RawKeyboard&) = delete;

  // Readable once the process was continued after a stop; -1 when there is none.
  int continued_fd() const;
  // Puts the old settings back now; harmless to repeat.
  void Restore();

 private:
  bool active_ = false;  // whether the terminal was switched
};

// Puts the old settings back at once while a RawKeyboard is active, for a way out that
// leaves no time to unwind, such as running out of memory; safe in a signal handler.
void RestoreTerminalForExit();

}  // namespace korvanex

#endif  // KORVANEX_CONSOLE_TERMINAL_H_
