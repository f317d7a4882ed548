// Single keys from a stream of bytes: the byte codes of ordinary keys, and the escape
// sequences of the usual terminals turned into the PC form (0, then the key's scan code).
#ifndef KORVANEX_CONSOLE_KEY_READER_H_
#define KORVANEX_CONSOLE_KEY_READER_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace korvanex {

// Where key bytes come from. ReadByte returns a byte 0-255, kByteTimeout when nothing came
// within `timeout_ms` (a negative timeout waits for ever), kByteInterrupted when a signal
// broke off the wait (the process may have been stopped and continued), or kByteEnd when
// the input has ended (end of file, a hang-up or a read error) and will give nothing more.
class ByteSource {
 public:
  static constexpr int kByteTimeout = -1;
  static constexpr int kByteEnd = -2;
  static constexpr int kByteInterrupted = -3;
  virtual ~ByteSource() = default;
  virtual int ReadByte(int timeout_ms) = 0;
};

// Reads the bytes of a file descriptor: a terminal, a pipe or a file. A wait is broken off
// too when `interrupt_fd` (when not -1) becomes readable; its bytes are taken.
class FdByteSource : public ByteSource {
 public:
  explicit FdByteSource(int fd, int interrupt_fd = -1) : fd_(fd), interrupt_fd_(interrupt_fd) {}
  int ReadByte(int timeout_ms) override;

 private:
  int fd_;
  int interrupt_fd_;
  bool ended_ = false;
  uint8_t buffer_[256] = {};
  size_t next_ = 0;
  size_t filled_ = 0;
};

// Scan codes of the keys that terminals send as escape sequences.
namespace scan_code {
constexpr int kF1 = 59;  // F1-F10 are 59-68
constexpr int kHome = 71;
constexpr int kUp = 72;
constexpr int kPageUp = 73;
constexpr int kLeft = 75;
constexpr int kRight = 77;
constexpr int kEnd = 79;
constexpr int kDown = 80;
constexpr int kPageDown = 81;
constexpr int kInsert = 82;
constexpr int kDelete = 83;
constexpr int kF11 = 133;
constexpr int kF12 = 134;
constexpr int kShiftTab = 15;
}  // namespace scan_code

// How long a lone Escape waits for the rest of a sequence, and how long the rest of a
// sequence that has begun may take between its bytes.
constexpr int kEscapeTimeoutMs = 10;
constexpr int kSequenceTimeoutMs = 100;

class KeyReader {
 public:
  static constexpr int kInputEnded = -1;
  static constexpr int kRedraw = -2;

  explicit KeyReader(ByteSource* source) : source_(source) {}

  // The next key code 0-255, kRedraw when the wait for a key was interrupted (what is on
  // the screen may be gone), or kInputEnded once the input has ended. 127 arrives as 8;
  // a special key arrives as 0 and then its scan code. Sequences that name no known key
  // are dropped whole.
  int ReadKey();

 private:
  int NextByte(int timeout_ms);
  // Reads the rest of a sequence after ESC [ or ESC O; returns the scan code, or 0 when
  // the sequence names no known key.
  int ReadSequence(bool ss3);

  ByteSource* source_;
  int pending_key_ = -1;   // the scan code after a 0 already returned
  int pending_byte_ = -1;  // a byte read ahead that starts the next key
};

}  // namespace korvanex

#endif  // KORVANEX_CONSOLE_KEY_READER_H_
