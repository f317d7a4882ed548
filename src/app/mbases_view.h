// The run's view of mbases.dat, all the import needs to know of it: the file names of the
// bases, the indexes in use, the record count and the bytes of the last whole record. It
// is read once and then kept up to date: with the records the run appends, with what
// another program appended, and by reading the file afresh when it was rewritten or
// replaced (see mbases_file.h for what a look at the file sees). Searching it gives the
// same answers as rescanning the file for every area.
#ifndef KORVANEX_APP_MBASES_VIEW_H_
#define KORVANEX_APP_MBASES_VIEW_H_

#include <bitset>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/mbases_file.h"
#include "formats/base_record.h"
#include "formats/outcome.h"

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

struct MbasesView {
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

// Reads the file that `mbases` last saw into the view: the records added since the view
// was read, or, when `afresh`, all of them. When the record that ended the file for the
// view is no longer the same, the file was rewritten, not only appended to, and it is read
// afresh all the same; `*read_afresh` is then set.
Outcome ReadIntoView(const MbasesFile& mbases, bool afresh, MbasesView* view, bool* read_afresh);

// Whether a record's FileName equals `file_name` cut to 8 characters, letter case aside.
bool HasFileName(const MbasesView& view, std::string_view file_name);

// Takes the lowest index from the record count + 1 upward that no record carries; none when
// that would exceed 32767.
std::optional<int32_t> TakeFreeIndex(MbasesView* view);

// Takes in a record that the run appended to the file.
void TakeInAppended(MbasesView* view, const BaseRecord& record);

}  // namespace korvanex

#endif  // KORVANEX_APP_MBASES_VIEW_H_
