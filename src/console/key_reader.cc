#include "console/key_reader.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <charconv>
#include <iterator>
#include <string_view>

namespace korvanex {

int FdByteSource::ReadByte(int timeout_ms) {
  if (next_ < filled_) return buffer_[next_++];
  if (ended_) return kByteEnd;
  for (;;) {
    pollfd ready[2] = {{fd_, POLLIN, 0}, {interrupt_fd_, POLLIN, 0}};
    const int polled = poll(ready, interrupt_fd_ >= 0 ? 2 : 1, timeout_ms);
    if (polled < 0 && errno != EINTR) {
      ended_ = true;
      return kByteEnd;
    }
    if (polled < 0 || (interrupt_fd_ >= 0 && ready[1].revents != 0)) {
      if (interrupt_fd_ >= 0) {
        uint8_t taken[16];
        (void)!read(interrupt_fd_, taken, sizeof taken);
      }
      return kByteInterrupted;
    }
    if (polled == 0) return kByteTimeout;
    // A hang-up or a closed descriptor shows as a read of 0 bytes or a read error.
    const ssize_t got = read(fd_, buffer_, sizeof buffer_);
    if (got > 0) {
      filled_ = static_cast<size_t>(got);
      next_ = 1;
      return buffer_[0];
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    ended_ = true;
    return kByteEnd;
  }
}

namespace {

bool IsParameterByte(int byte) { return byte >= 0x20 && byte <= 0x3F; }
bool IsFinalByte(int byte) { return byte >= 0x40 && byte <= 0x7E; }

// The key of a sequence that ends in a letter: ESC [ A, ESC O A, ESC [ 1 ; 5 A. The
// parameters carry modifiers only, which the PC form of these keys does not tell apart.
int LetterKey(int final_byte, bool ss3) {
  using namespace scan_code;
  // The letters and their keys, in the same order.
  constexpr std::string_view kLetters = "ABCDHFPQRSZ";
  constexpr int kKeys[] = {kUp, kDown,   kRight,  kLeft,   kHome,    kEnd,
                           kF1, kF1 + 1, kF1 + 2, kF1 + 3, kShiftTab};
  static_assert(kLetters.size() == std::size(kKeys), "one key for each letter");
  if (ss3 && final_byte == 'Z') return 0;  // Shift-Tab has no SS3 form
  const size_t found = kLetters.find(static_cast<char>(final_byte));
  return found != std::string_view::npos ? kKeys[found] : 0;
}

// The key of ESC [ n ~ (with or without modifiers after a ";"), by n: the VT numbers of
// the editing keys (1 and 7 Home, 4 and 8 End) and of F1 to F12, which skip 16 and 22.
int TildeKey(int number) {
  using namespace scan_code;
  constexpr int kKeys[] = {0,       kHome,   kInsert, kDelete, kEnd,    kPageUp, kPageDown,
                           kHome,   kEnd,    0,       0,       kF1,     kF1 + 1, kF1 + 2,
                           kF1 + 3, kF1 + 4, 0,       kF1 + 5, kF1 + 6, kF1 + 7, kF1 + 8,
                           kF1 + 9, 0,       kF11,    kF12};
  return number >= 0 && number < static_cast<int>(std::size(kKeys)) ? kKeys[number] : 0;
}

}  // namespace

int KeyReader::NextByte(int timeout_ms) {
  if (pending_byte_ >= 0) {
    const int byte = pending_byte_;
    pending_byte_ = -1;
    return byte;
  }
  return source_->ReadByte(timeout_ms);
}

int KeyReader::ReadSequence(bool ss3) {
  int byte = NextByte(kSequenceTimeoutMs);
  if (!ss3 && byte == '[') {
    // The Linux console sends F1-F5 as ESC [ [ A to ESC [ [ E.
    byte = NextByte(kSequenceTimeoutMs);
    if (byte >= 'A' && byte <= 'E') return scan_code::kF1 + (byte - 'A');
    if (byte == 27) pending_byte_ = byte;
    return 0;
  }
  std::string parameters;
  while (IsParameterByte(byte)) {
    if (parameters.size() < 16) parameters += static_cast<char>(byte);
    byte = NextByte(kSequenceTimeoutMs);
  }
  if (!IsFinalByte(byte)) {
    // Cut short: by the end of input, a pause, or a byte that cannot belong to it. A new
    // Escape starts the next key; any other stray byte goes with the broken sequence.
    if (byte == 27) pending_byte_ = byte;
    return 0;
  }
  if (parameters.size() >= 16) return 0;
  // Parameters are numbers up to 999 separated by ";"; anything else (private markers such
  // as "?", intermediate bytes) belongs to no key.
  if (parameters.find_first_not_of("0123456789;") != std::string::npos) return 0;
  int64_t first = -1;  // stays so when the first number is absent
  std::from_chars(parameters.data(), parameters.data() + parameters.size(), first);
  if (first > 999) return 0;
  if (byte == '~') return ss3 || first < 0 ? 0 : TildeKey(static_cast<int>(first));
  return LetterKey(byte, ss3);
}

int KeyReader::ReadKey() {
  for (;;) {
    if (pending_key_ >= 0) {
      const int key = pending_key_;
      pending_key_ = -1;
      return key;
    }
    const int byte = NextByte(-1);
    if (byte == ByteSource::kByteEnd) return kInputEnded;
    if (byte == ByteSource::kByteInterrupted) return kRedraw;
    if (byte < 0) continue;
    if (byte == 127) return 8;
    if (byte != 27) return byte;
    const int next = NextByte(kEscapeTimeoutMs);
    if (next < 0) return 27;  // nothing followed: the Escape key itself
    if (next != '[' && next != 'O') {
      pending_byte_ = next;
      return 27;
    }
    const int code = ReadSequence(next == 'O');
    if (code > 0) {
      pending_key_ = code;
      return 0;
    }
    // A sequence of no known key is dropped whole; read the key after it.
  }
}

}  // namespace korvanex
