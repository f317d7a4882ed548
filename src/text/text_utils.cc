#include "text/text_utils.h"

#include <algorithm>
#include <cstring>

namespace korvanex {

Str255 PadRight(const Str255& text, uint8_t width,  // NOLINT(bugprone-easily-swappable-parameters)
                char fill) {
  char padded[255];
  const size_t kept = std::min<size_t>(static_cast<size_t>(text.size()), width);
  std::memcpy(padded, text.view().data(), kept);
  std::memset(padded + kept, fill, width - kept);
  return Str255(std::string_view(padded, width));
}

Str255 StripLeading(const Str255& text, char c) {
  std::string_view rest = text.view();
  while (!rest.empty() && rest.front() == c) rest.remove_prefix(1);
  return Str255(rest);
}

Str255 StripTrailing(const Str255& text, char c) {
  std::string_view rest = text.view();
  while (!rest.empty() && rest.back() == c) rest.remove_suffix(1);
  return Str255(rest);
}

Str255 StripBoth(const Str255& text, char c) { return StripTrailing(StripLeading(text, c), c); }

Str255 DirSlash(const Str255& path) {
  Str255 result = StripTrailing(path, '/');
  result.Append('/');  // a 255-character path has no room and stays as it is
  return result;
}

Str255 UpperCase(const Str255& text) {
  return MapChars(text,
                  [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
}

Str255 IntToText(int32_t value) {
  // Work on the magnitude as unsigned so that the smallest value is written in full.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  Str255 text;
  if (value < 0) text.Append('-');
  while (count > 0) text.Append(digits[--count]);
  return text;
}

namespace {

// The value of one digit in the given base, or -1 when the byte is not one.
int DigitValue(unsigned char c, int base) {  // NOLINT(bugprone-easily-swappable-parameters)
  int value = -1;
  if (c >= '0' && c <= '9')
    value = c - '0';
  else if (c >= 'A' && c <= 'F')
    value = c - 'A' + 10;
  else if (c >= 'a' && c <= 'f')
    value = c - 'a' + 10;
  return value >= 0 && value < base ? value : -1;
}

}  // namespace

int32_t TextToInt(const Str255& text) {
  int i = 0;
  const int length = text.size();
  while (i < length && (text.at(i) == ' ' || text.at(i) == '\t')) ++i;
  bool negative = false;
  if (i < length && (text.at(i) == '+' || text.at(i) == '-')) {
    negative = text.at(i) == '-';
    ++i;
  }
  int base = 10;
  if (i < length && text.at(i) == '$') {
    base = 16;
    ++i;
  } else if (i < length && text.at(i) == '%') {
    base = 2;
    ++i;
  }
  if (i == length) return 0;  // no digit at all
  // Accumulate in 64 bits and stop as soon as the value can no longer be in range, so
  // that any number of digits is handled without overflow.
  uint64_t magnitude = 0;
  for (; i < length; ++i) {
    int digit = DigitValue(text.at(i), base);
    if (digit < 0) return 0;
    magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) return 0;
  }
  if (base == 10) {
    if (negative ? magnitude > 2147483648ull : magnitude > 2147483647ull) return 0;
    int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return static_cast<int32_t>(value);
  }
  // Bases 16 and 2 give a 32-bit two's-complement pattern; a sign negates it mod 2^32.
  uint32_t pattern = static_cast<uint32_t>(magnitude);
  if (negative) pattern = 0u - pattern;
  return static_cast<int32_t>(pattern);
}

}  // namespace korvanex
