// What the import needs to know of mbases.dat, read in one pass: the file names of the
// bases, the indexes in use, the record count and the bytes of the last whole record.
// Searching it gives the same answers as rescanning the file for every area, as long as no
// other program writes the file during the run.
#ifndef KORVANEX_APP_BASE_INDEX_H_
#define KORVANEX_APP_BASE_INDEX_H_

#include <bitset>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "formats/base_record.h"
#include "formats/record_file.h"
#include "text/counted_text.h"

namespace korvanex {

constexpr int32_t kHighestBaseIndex = 32767;

struct BaseIndex {
  // Upper-cased FileNames of the records (only those with a valid length of 0..8).
  std::unordered_set<std::string> file_names;
  // Every stored Index, by its 16-bit pattern.
  std::bitset<65536> indexes;
  int64_t record_count = 0;
  // The last whole record of the file, or zero bytes when it has none: the bytes a new
  // record keeps behind the lengths of its strings.
  BaseRecord last_record;
};

// Reads every whole record of the file from the first. Returns 0 or an error number.
int LoadBaseIndex(const RecordFile& file, BaseIndex* index);

// Whether a record's FileName equals `file_name` cut to 8 characters, letter case aside.
bool HasFileName(const BaseIndex& index, const Str255& file_name);

// The lowest index from the record count + 1 upward that no record carries, or 0 when
// that would exceed 32767.
int32_t NextFreeIndex(const BaseIndex& index);

// Takes in a record that was appended to the file.
void AddRecord(BaseIndex* index, const BaseRecord& record);

}  // namespace korvanex

#endif  // KORVANEX_APP_BASE_INDEX_H_
