// Counted texts: one length byte and room for N character bytes, the form every text
// takes in the host's files and in the tool's working values.
#ifndef KORVANEX_TEXT_COUNTED_TEXT_H_
#define KORVANEX_TEXT_COUNTED_TEXT_H_

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace korvanex {

// A text of at most N bytes (1 <= N <= 255). Assigning a longer text keeps its first N
// bytes; appending stops at N. Bytes are bytes: no character set is assumed.
template <int N>
class StrN {
  static_assert(N >= 1 && N <= 255, "a counted text holds 1 to 255 characters");

 public:
  // cppcheck-suppress uninitMemberVar ; only the first length_ characters are ever read
  StrN() = default;
  // A copy takes the characters only: the bytes behind the length are never read, so they
  // are neither cleared when a text is made nor copied with it.
  StrN(const StrN& other) : length_(other.length_) { std::memcpy(chars_, other.chars_, length_); }
  StrN& operator=(const StrN& other) {
    length_ = other.length_;
    std::memmove(chars_, other.chars_, length_);
    return *this;
  }
  // Texts convert freely, as they cut to the capacity.
  // cppcheck-suppress noExplicitConstructor
  StrN(std::string_view text) { Assign(text); }
  // cppcheck-suppress noExplicitConstructor
  StrN(const char* text) : StrN(std::string_view(text)) {}

  void Append(char c) {
    if (length_ < N) chars_[length_++] = c;
  }
  void Append(std::string_view text) {
    const size_t room = static_cast<size_t>(N - length_);
    const size_t n = text.size() < room ? text.size() : room;
    if (n > 0) std::memcpy(chars_ + length_, text.data(), n);
    length_ = static_cast<uint8_t>(length_ + n);
  }
  void PopBack() {
    if (length_ > 0) --length_;
  }

  int size() const { return length_; }
  bool empty() const { return length_ == 0; }
  std::string_view view() const { return std::string_view(chars_, length_); }
  // A counted text reads as a view wherever one is taken.
  operator std::string_view() const { return view(); }
  std::string str() const { return std::string(chars_, length_); }

  friend bool operator==(const StrN& a, const StrN& b) { return a.view() == b.view(); }
  friend bool operator==(const StrN& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const StrN& a, const char* b) { return a.view() == b; }

 private:
  // Writes the length and the characters; the bytes behind the new length keep what they
  // held, as a copy into a record field does.
  void Assign(std::string_view text) {
    length_ = static_cast<uint8_t>(text.size() < N ? text.size() : N);
    if (length_ > 0) std::memcpy(chars_, text.data(), length_);
  }

  uint8_t length_ = 0;
  char chars_[N];  // only the first length_ are ever read
};

// The width of every working text.
using Str255 = StrN<255>;

// Joins two texts; the result stops at 255 characters.
inline Str255 Join(const Str255& a, std::string_view b) {
  Str255 joined = a;
  joined.Append(b);
  return joined;
}

}  // namespace korvanex

#endif  // KORVANEX_TEXT_COUNTED_TEXT_H_
