// TextToInt over arbitrary bytes: never undefined behaviour, and every number that
// IntToText writes reads back as itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/counted_text.h"
#include "text/text_utils.h"

using korvanex::Str255;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Str255 text(bytes);
  const int32_t value = korvanex::TextToInt(text);

  // A text with no digit of any base reads as 0.
  bool has_digit = false;
  for (char c : text.view()) {
    has_digit =
        has_digit || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
  }
  if (!has_digit && value != 0) abort();

  // Round trip: the value read and a value taken from the input's first bytes.
  if (korvanex::TextToInt(korvanex::IntToText(value)) != value) abort();
  if (size >= 4) {
    const int32_t raw = static_cast<int32_t>(
        static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
        static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24);
    if (korvanex::TextToInt(korvanex::IntToText(raw)) != raw) abort();
  }

  // Leading blanks and tabs never change the value, as long as the text still fits.
  if (text.size() < 255) {
    Str255 padded(" ");
    padded.Append(text.view());
    if (korvanex::TextToInt(padded) != value) abort();
  }
  return 0;
}
