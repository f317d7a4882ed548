#include "app/mbases_view.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "formats/coding.h"

namespace korvanex {

namespace {

constexpr size_t kFirstSlotCount = 1024;
constexpr size_t kNameCapacity = base_field::kFileName.capacity;

}  // namespace

MbasesView::Slot MbasesView::KeyOf(const void* name, size_t length) {
  uint64_t word = 0;
  std::memcpy(&word, name, std::min(length, kNameCapacity));
  // a-z become A-Z eight bytes at once: a byte below 0x80 is a small letter when adding
  // 0x1F carries into its top bit and adding 0x05 does not.
  const uint64_t seven = word & 0x7F7F7F7F7F7F7F7Full;
  word -= ((seven + 0x1F1F1F1F1F1F1F1Full) & ~(seven + 0x0505050505050505ull) & ~word &
           0x8080808080808080ull) >>
          2;
  Slot key;
  key.low = static_cast<uint32_t>(word);
  key.high = static_cast<uint32_t>(word >> 32);
  key.length = static_cast<uint8_t>(std::min(length, kNameCapacity) + 1);
  return key;
}

MbasesView::MbasesView() : slots_(kFirstSlotCount) {}

size_t MbasesView::Position(const Slot& key) const {
  const uint64_t word = (static_cast<uint64_t>(key.high) << 32 | key.low) ^ key.length;
  const size_t mask = slots_.size() - 1;
  // The top bits of the product: the last characters of a name, high in the word, reach
  // only those.
  size_t i = (word * 0x9E3779B97F4A7C15ull) >> (64 - std::countr_zero(slots_.size()));
  for (;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.length == 0 ||
        (slot.low == key.low && slot.high == key.high && slot.length == key.length)) {
      return i;
    }
  }
}

MbasesView::Slot& MbasesView::Insert(const Slot& key) {
  if ((used_ + 1) * 5 > slots_.size() * 4) Grow(slots_.size() * 2);
  Slot& slot = slots_[Position(key)];
  if (slot.length == 0) {
    slot = key;
    ++used_;
  }
  return slot;
}

void MbasesView::Grow(size_t slots) {
  std::vector<Slot> old(slots);
  old.swap(slots_);
  for (const Slot& slot : old) {
    if (slot.length != 0) slots_[Position(slot)] = slot;
  }
}

void MbasesView::Clear(int64_t records) {
  // The table takes its size for the records at once: growing by steps would hold two.
  size_t slots = slots_.size();
  while (static_cast<size_t>(records) * 5 > slots * 4) slots *= 2;
  if (slots != slots_.size()) Grow(slots);
  for (Slot& slot : slots_) slot.count = 0;
  indexes_.reset();
  record_count_ = 0;
  free_from_ = 1;
  last_record_ = BaseRecord();
}

uint16_t MbasesView::TakeIn(const uint8_t* record, bool last, uint16_t own) {
  indexes_.set(DecodeFixed16(record + base_field::kIndex));
  ++record_count_;
  if (last) std::copy_n(record, kBaseRecordSize, last_record_.bytes);
  const size_t length = record[base_field::kFileName.offset];
  if (length > kNameCapacity) return 0;
  Slot& slot = Insert(KeyOf(record + base_field::kFileName.offset + 1, length));
  if (slot.count < 2) ++slot.count;
  if (own != 0) slot.own = own;
  return slot.own;
}

int MbasesView::Count(std::string_view file_name) const {
  return slots_[Position(KeyOf(file_name.data(), file_name.size()))].count;
}

std::optional<int32_t> MbasesView::TakeFreeIndex() {
  // Indexes are signed 16-bit numbers: a candidate in 1..32767 matches the stored pattern
  // of the same value, and negative stored indexes never match. Both the record count and
  // the indexes in use only grow, so the search goes on from where the last one ended.
  int64_t candidate = std::max<int64_t>(free_from_, record_count_ + 1);
  while (candidate <= kHighestBaseIndex && indexes_.test(static_cast<size_t>(candidate))) {
    ++candidate;
  }
  if (candidate > kHighestBaseIndex) return std::nullopt;
  free_from_ = static_cast<int32_t>(candidate);
  return free_from_;
}

}  // namespace korvanex
