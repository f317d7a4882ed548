#include "text/text_utils.h"

#include <algorithm>
#include <charconv>
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
  char digits[11];  // a sign and ten digits
  const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  return std::string_view(digits, static_cast<size_t>(end - digits));
}

int32_t TextToInt(std::string_view text) {
  // Up to nine plain decimal digits, as every pipe code of the tool's own texts, always fit:
  // they are read at once, without the checks below.
  if (!text.empty() && text.size() <= 9 &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::accumulate(text.begin(), text.end(), int32_t{0},
                           [](int32_t value, char c) { return value * 10 + (c - '0'); });
  }
  text.remove_prefix(std::min(text.find_first_not_of(" \t"), text.size()));
  const bool negative = !text.empty() && text.front() == '-';
  if (negative || (!text.empty() && text.front() == '+')) text.remove_prefix(1);
  const int base = text.empty() ? 10 : text.front() == '$' ? 16 : text.front() == '%' ? 2 : 10;
  if (base != 10) text.remove_prefix(1);
  // Read in 64 bits, so that any number of digits that fits there is judged by its value
  // below; more digits than that are out of range too.
  uint64_t magnitude = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, magnitude, base);
  if (error != std::errc() || stop != end || magnitude > 0xFFFFFFFFull) return 0;
  if (base == 10 && magnitude > (negative ? 2147483648ull : 2147483647ull)) return 0;
  // The value as a 32-bit two's-complement pattern (bases 16 and 2 give one directly); a
  // sign negates it mod 2^32.
  uint32_t pattern = static_cast<uint32_t>(magnitude);
  if (negative) pattern = 0u - pattern;
  return static_cast<int32_t>(pattern);
}

}  // namespace korvanex
