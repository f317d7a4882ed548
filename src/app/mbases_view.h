// What the run knows of the records of mbases.dat: how many records carry each file name,
// which names belong to bases of the run, which indexes are taken, the count of whole
// records and the bytes of the last one. Its owner (mbases_file.h) fills it from the file;
// it answers every question of the import without another read.
#ifndef KORVANEX_APP_MBASES_VIEW_H_
#define KORVANEX_APP_MBASES_VIEW_H_

#include <bitset>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "formats/base_record.h"

namespace korvanex {

constexpr int32_t kHighestBaseIndex = 32767;

class MbasesView {
 public:
  MbasesView();
  // Forgets every record, before a read of the whole file of `records` records; which
  // names are the run's bases stays known.
  void Clear(int64_t records);
  // Takes in one whole record, read or appended, as the last one so far. Returns the
  // number (from 1) of the run's base whose file name it carries, or 0; a record that the
  // run appends for its base `own` marks that name as the base's.
  uint16_t TakeIn(const uint8_t* record, bool last, uint16_t own = 0);
  // How many records carry `file_name` cut to 8 characters, letter case aside: 0, 1, or 2
  // for two or more. A stored name whose length is above 8 is damaged and matches none.
  int Count(std::string_view file_name) const;
  // Takes the lowest index from the record count + 1 upward that no record carries; none
  // when that would exceed 32767.
  std::optional<int32_t> TakeFreeIndex();
  // Zero bytes while the file holds no record: what a new record keeps behind the lengths
  // of its strings.
  const BaseRecord& last_record() const { return last_record_; }

 private:
  // An upper-cased file name in two words, its length + 1 (0 marks a free slot), how many
  // records carry it and the number of the run's base of that name.
  struct Slot {
    uint32_t low = 0, high = 0;
    uint16_t own = 0;
    uint8_t length = 0;
    uint8_t count = 0;
  };
  static Slot KeyOf(const void* name, size_t length);
  // Where the key is, or the free slot where it would go.
  size_t Position(const Slot& key) const;
  Slot& Insert(const Slot& key);
  void Grow(size_t slots);  // a power of two

  std::vector<Slot> slots_;  // open addressing, a power of two long, at most 4/5 used
  size_t used_ = 0;
  std::bitset<65536> indexes_;  // every stored Index, by its 16-bit pattern
  int64_t record_count_ = 0;
  int32_t free_from_ = 1;  // no index below it is free (indexes are only ever added)
  BaseRecord last_record_;
};

}  // namespace korvanex

#endif  // KORVANEX_APP_MBASES_VIEW_H_
