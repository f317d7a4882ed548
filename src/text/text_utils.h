// The small operations on counted texts that the rest of the tool shares.
#ifndef KORVANEX_TEXT_TEXT_UTILS_H_
#define KORVANEX_TEXT_TEXT_UTILS_H_

#include <cstdint>
#include <string_view>

#include "text/counted_text.h"

namespace korvanex {

// The text without the runs of `c` at its start and its end.
std::string_view StripBoth(std::string_view text, char c);
// a-z become A-Z; every other byte stays. Inline: every file name of a board goes through it.
inline char UpperCaseChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
Str255 UpperCase(std::string_view text);
Str255 IntToText(int32_t value);
// The whole text read as one integer (decimal, "$" hexadecimal or "%" binary, optional
// sign, leading blanks and tabs); 0 for every text that is not one.
int32_t TextToInt(std::string_view text);

}  // namespace korvanex

#endif  // KORVANEX_TEXT_TEXT_UTILS_H_
