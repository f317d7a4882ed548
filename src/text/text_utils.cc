#include "text/text_utils.h"

#include <algorithm>
#include <numeric>

namespace korvanex {

std::string_view StripBoth(std::string_view text, char c) {
  while (!text.empty() && text.front() == c) text.remove_prefix(1);
  while (!text.empty() && text.back() == c) text.remove_suffix(1);
  return text;
}

Str255 UpperCase(std::string_view text) {
  Str255 upper;
  for (char c : text) upper.Append(UpperCaseChar(c));
  return upper;
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

// The value of a hexadecimal digit, or 16 when the byte is none.
int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 16;
}

}  // namespace

int32_t TextToInt(std::string_view text) {
  // Up to nine plain decimal digits, as every pipe code of the tool's own texts, always fit:
  // they are read at once, without the checks below.
  if (!text.empty() && text.size() <= 9 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::accumulate(text.begin(), text.end(), int32_t{0},
                           [](int32_t value, char c) { return value * 10 + (c - '0'); });
  }
  size_t i = 0;
  const size_t length = text.size();
  while (i < length && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < length && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < length && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < length && text[i] == '%') {
    base = 2;
    ++i;
  }
  if (i == length) return 0;  // no digit at all
  // Accumulate in 64 bits and stop as soon as the value can no longer be in range, so
  // that any number of digits is handled without overflow.
  uint64_t magnitude = 0;
  for (; i < length; ++i) {
    const int digit = DigitValue(text[i]);
    if (digit >= base) return 0;
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
