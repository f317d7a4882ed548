// Little-endian integers and counted strings encoded and decoded byte by byte at explicit
// offsets of a record buffer, so that the bytes on disk never depend on the host's
// endianness, padding or alignment.
#ifndef KORVANEX_FORMATS_CODING_H_
#define KORVANEX_FORMATS_CODING_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "text/counted_text.h"

namespace korvanex {

// Where a field lies in a record, for the checks that a layout has no gaps or overlaps.
struct FieldExtent {
  size_t offset;
  size_t size;
};

// A counted string field of a record: its length byte at `offset`, then room for
// `capacity` characters.
struct CountedField {
  size_t offset;
  size_t capacity;
  // A counted field is an extent too.
  constexpr operator FieldExtent() const { return {offset, capacity + 1}; }
};

// Whether the fields, in order, begin where the one before ends and fill the record.
constexpr bool FieldsFillRecord(std::initializer_list<FieldExtent> fields, size_t record_size) {
  size_t end = 0;
  for (const FieldExtent& field : fields) {
    if (field.offset != end) return false;
    end += field.size;
  }
  return end == record_size;
}

inline uint16_t DecodeFixed16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline void EncodeFixed16(uint8_t* p, uint16_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
}

// The text of the counted string whose length byte is at `offset` of a record of
// `record_size` bytes, where it lies in the record. The stored length is taken up to
// `max_length`, and never past the end of the record, whatever the length byte says.
inline std::string_view DecodeCountedAt(const uint8_t* record, size_t record_size, size_t offset,
                                        size_t max_length) {
  size_t length = record[offset];
  if (length > max_length) length = max_length;
  if (length > record_size - offset - 1) length = record_size - offset - 1;
  return std::string_view(reinterpret_cast<const char*>(record + offset + 1), length);
}

// The text of a counted field, its stored length cut to the field's capacity.
template <size_t N>
std::string_view DecodeCounted(const uint8_t (&record)[N], CountedField field) {
  return DecodeCountedAt(record, N, field.offset, field.capacity);
}

// Writes the length byte and the characters of `text`, cut to the field's capacity and
// never past the end of the record. The bytes of the field behind the new length keep
// what the buffer held.
template <size_t N>
void EncodeCounted(uint8_t (&record)[N], CountedField field, std::string_view text) {
  size_t length = static_cast<size_t>(text.size());
  if (length > field.capacity) length = field.capacity;
  if (field.offset >= N) return;
  if (length > N - field.offset - 1) length = N - field.offset - 1;
  record[field.offset] = static_cast<uint8_t>(length);
  std::memcpy(record + field.offset + 1, text.data(), length);
}

}  // namespace korvanex

#endif  // KORVANEX_FORMATS_CODING_H_
