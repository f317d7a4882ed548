// The small operations on counted texts that the rest of the tool shares.
#ifndef KORVANEX_TEXT_TEXT_UTILS_H_
#define KORVANEX_TEXT_TEXT_UTILS_H_

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "text/counted_text.h"

namespace korvanex {

// Exactly `width` characters: shorter texts filled on the right, longer ones cut.
Str255 PadRight(const Str255& text, uint8_t width, char fill);
Str255 StripLeading(const Str255& text, char c);
Str255 StripTrailing(const Str255& text, char c);
Str255 StripBoth(const Str255& text, char c);
// Every trailing "/" removed, then one appended (when there is room).
Str255 DirSlash(const Str255& path);
// a-z become A-Z; every other byte stays.
Str255 UpperCase(const Str255& text);

// The text with each character passed through `map`, of the same length. A template, so
// that the map is inlined into the loop.
template <typename Map>
Str255 MapChars(const Str255& text, Map map) {
  char mapped[255];
  const std::string_view view = text.view();
  std::transform(view.begin(), view.end(), mapped, map);
  return Str255(std::string_view(mapped, view.size()));
}
Str255 IntToText(int32_t value);
// The whole text read as one integer (decimal, "$" hexadecimal or "%" binary, optional
// sign, leading blanks and tabs); 0 for every text that is not one.
int32_t TextToInt(const Str255& text);

}  // namespace korvanex

#endif  // KORVANEX_TEXT_TEXT_UTILS_H_
