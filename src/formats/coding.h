// Little-endian integers and counted strings encoded and decoded byte by byte at explicit
// offsets of a record buffer, so that the bytes on disk never depend on the host's
// endianness, padding or alignment.
#ifndef KORVANEX_FORMATS_CODING_H_
#define KORVANEX_FORMATS_CODING_H_

#include <cstddef>
#include <cstdint>

#include "text/counted_text.h"

namespace korvanex {

inline uint16_t DecodeFixed16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline void EncodeFixed16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

// The text of the counted string whose length byte is at `offset` of a record of
// `record_size` bytes. The stored length is taken up to `max_length`, and never past the
// end of the record, whatever the length byte says.
inline Str255 DecodeCounted(const uint8_t* record, size_t record_size, size_t offset,
                            int max_length) {
  size_t length = record[offset];
  if (length > static_cast<size_t>(max_length)) length = static_cast<size_t>(max_length);
  if (length > record_size - offset - 1) length = record_size - offset - 1;
  return Str255(std::string_view(reinterpret_cast<const char*>(record + offset + 1), length));
}

// Writes the length byte and the characters of `text`, cut to `capacity`. The bytes of
// the field behind the new length keep what the buffer held.
inline void EncodeCounted(uint8_t* record, size_t offset, int capacity, const Str255& text) {
  const int length = text.size() < capacity ? text.size() : capacity;
  record[offset] = static_cast<uint8_t>(length);
  for (int i = 0; i < length; ++i) record[offset + 1 + static_cast<size_t>(i)] = text.at(i);
}

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_CODING_H_
