// What the import needs to know of mbases.dat: the file names of the bases, the indexes in
// use, the record count and the bytes of the last whole record. It is read once and then
// kept up to date: with the records the run appends, with what another program appended,
// and by reading the file afresh when it was rewritten or replaced (see mbases_file.h for
// what the look before each area sees). Searching it gives the same answers as rescanning
// the file for every area.
#ifndef KORVANEX_APP_BASE_INDEX_H_
#define KORVANEX_APP_BASE_INDEX_H_

#include <bitset>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/import_result.h"
#include "app/mbases_file.h"
#include "formats/base_record.h"
#include "formats/error_number.h"

namespace korvanex {

constexpr int32_t kHighestBaseIndex = 32767;

// An upper-cased file name of at most 8 bytes, as one word and a length.
struct FileNameKey {
  uint64_t chars = 0;
  uint8_t length = 0;
  friend bool operator==(const FileNameKey& a, const FileNameKey& b) {
    return a.chars == b.chars && a.length == b.length;
  }
  friend bool operator<(const FileNameKey& a, const FileNameKey& b) {
    return a.chars != b.chars ? a.chars < b.chars : a.length < b.length;
  }
};
struct FileNameKeyHash {
  size_t operator()(const FileNameKey& key) const {
    return static_cast<size_t>((key.chars ^ key.length) * 0x9E3779B97F4A7C15ull >> 16);
  }
};

struct BaseIndex {
  // Upper-cased FileNames of the records (only those with a valid length of 0..8): those
  // of the last full read, sorted, which keeps a large board small in memory, and those
  // appended since.
  std::vector<FileNameKey> names_read;
  std::unordered_set<FileNameKey, FileNameKeyHash> names_added;
  // Every stored Index, by its 16-bit pattern.
  std::bitset<65536> indexes;
  // Whole records of the file that the view holds: those read, then those appended.
  int64_t record_count = 0;
  // No index below this one is free any more (indexes are only ever added).
  int32_t free_from = 1;
  // The last whole record of the file, or zero bytes when it has none: the bytes a new
  // record keeps behind the lengths of its strings.
  BaseRecord last_record;
};

// Brings the view up to date with the file: reads the records the view lacks (all of them
// at first), or the whole file again when it was rewritten or replaced, and looks again
// after every read until a look finds the file as it was read. `*afresh` says whether the
// whole file was read again.
ImportResult RefreshBaseIndex(MbasesFile* mbases, BaseIndex* index, bool* afresh);

// Whether a record's FileName equals `file_name` cut to 8 characters, letter case aside.
bool HasFileName(const BaseIndex& index, std::string_view file_name);

// The lowest index from the record count + 1 upward that no record carries; none when
// that would exceed 32767.
std::optional<int32_t> NextFreeIndex(BaseIndex* index);

// Takes in a record that the run appended to the file.
void AddAppendedRecord(BaseIndex* index, const BaseRecord& record);

}  // namespace korvanex

#endif  // KORVANEX_APP_BASE_INDEX_H_
