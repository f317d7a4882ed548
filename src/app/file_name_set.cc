#include "app/file_name_set.h"

#include <cstring>

namespace korvanex {

namespace {

uint64_t Pack(std::string_view name) {
  uint64_t chars = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    chars |= static_cast<uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i);
  }
  return chars;
}

// A mix of all bits, so that names that differ in one byte spread over the table.
uint64_t Hash(uint64_t chars, uint8_t length) {
  uint64_t h = chars ^ (static_cast<uint64_t>(length) * 0x9E3779B97F4A7C15ull);
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  return h ^ (h >> 33);
}

// Tables are kept at most three quarters full.
size_t CapacityFor(size_t count) {
  size_t capacity = 16;
  while (capacity / 4 * 3 < count) capacity *= 2;
  return capacity;
}

}  // namespace

size_t FileNameSet::Find(uint64_t chars, uint8_t length) const {
  const size_t mask = capacity_ - 1;
  size_t at = static_cast<size_t>(Hash(chars, length)) & mask;
  while (lengths_[at] != kEmpty && (lengths_[at] != length || chars_[at] != chars)) {
    at = (at + 1) & mask;
  }
  return at;
}

void FileNameSet::Rehash(size_t capacity) {
  std::unique_ptr<uint64_t[]> old_chars = std::move(chars_);
  std::unique_ptr<uint8_t[]> old_lengths = std::move(lengths_);
  const size_t old_capacity = capacity_;
  chars_ = std::make_unique<uint64_t[]>(capacity);
  lengths_ = std::make_unique<uint8_t[]>(capacity);
  std::memset(lengths_.get(), kEmpty, capacity);
  capacity_ = capacity;
  for (size_t i = 0; i < old_capacity; ++i) {
    if (old_lengths[i] == kEmpty) continue;
    const size_t at = Find(old_chars[i], old_lengths[i]);
    chars_[at] = old_chars[i];
    lengths_[at] = old_lengths[i];
  }
}

void FileNameSet::Reserve(size_t count) {
  const size_t capacity = CapacityFor(count);
  if (capacity > capacity_) Rehash(capacity);
}

void FileNameSet::Insert(std::string_view name) {
  if (name.size() > kMaxNameLength) return;
  Reserve(size_ + 1);
  const uint64_t chars = Pack(name);
  const uint8_t length = static_cast<uint8_t>(name.size());
  const size_t at = Find(chars, length);
  if (lengths_[at] != kEmpty) return;
  chars_[at] = chars;
  lengths_[at] = length;
  ++size_;
}

bool FileNameSet::Contains(std::string_view name) const {
  if (capacity_ == 0 || name.size() > kMaxNameLength) return false;
  const uint8_t length = static_cast<uint8_t>(name.size());
  return lengths_[Find(Pack(name), length)] != kEmpty;
}

}  // namespace korvanex
