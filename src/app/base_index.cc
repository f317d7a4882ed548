#include "app/base_index.h"

#include <algorithm>
#include <memory>

#include "formats/coding.h"
#include "text/text_utils.h"

namespace korvanex {

namespace {

// Records read at a time: 256 records, some 70 KB.
constexpr size_t kRecordsPerRead = 256;

FileNameKey KeyOf(std::string_view name) {
  FileNameKey key;
  key.length = static_cast<uint8_t>(std::min<size_t>(name.size(), base_field::kFileName.capacity));
  for (size_t i = 0; i < key.length; ++i) {
    key.chars |= static_cast<uint64_t>(static_cast<uint8_t>(UpperCaseChar(name[i]))) << (8 * i);
  }
  return key;
}

// Takes in the index and the file name of a record: among the names of a full read, or
// among those added since. A damaged length above 8 would run on into the next fields;
// such a name never matches, and nothing outside the record is read.
void TakeIn(BaseIndex* index, const uint8_t* record, bool full_read) {
  index->indexes.set(DecodeFixed16(record + base_field::kIndex));
  const size_t length = record[base_field::kFileName.offset];
  if (length > base_field::kFileName.capacity) return;
  const FileNameKey key = KeyOf(std::string_view(
      reinterpret_cast<const char*>(record + base_field::kFileName.offset + 1), length));
  if (full_read) {
    index->names_read.push_back(key);
  } else {
    index->names_added.insert(key);
  }
}

// Reads the file into the view: the records after those the view holds, or all of them
// when `afresh`. When the record that ended the file for the view is no longer the same,
// the file was rewritten, not only appended to, and it is read afresh.
ErrorNumber ReadIntoIndex(const MbasesFile& mbases, bool afresh, BaseIndex* index,
                          bool* read_afresh) {
  const int64_t count = mbases.seen.size / static_cast<int64_t>(kBaseRecordSize);
  // Only what a read filled of the block is looked at, so it is not cleared first.
  const std::unique_ptr<uint8_t[]> block(new uint8_t[kRecordsPerRead * kBaseRecordSize]);
  if (!afresh && index->record_count > 0) {
    if (ErrorNumber error = ReadRecordsAt(mbases.file, index->record_count - 1, 1, block.get())) {
      return error;
    }
    afresh = !std::equal(block.get(), block.get() + kBaseRecordSize, index->last_record.bytes);
  }
  if (afresh) {
    *index = BaseIndex();
    index->names_read.reserve(static_cast<size_t>(count));
    *read_afresh = true;
  }
  for (int64_t first = index->record_count; first < count;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(count - first, kRecordsPerRead));
    if (ErrorNumber error = ReadRecordsAt(mbases.file, first, n, block.get())) return error;
    for (size_t i = 0; i < n; ++i) TakeIn(index, block.get() + i * kBaseRecordSize, afresh);
    first += static_cast<int64_t>(n);
    if (first == count) {
      std::copy_n(block.get() + (n - 1) * kBaseRecordSize, kBaseRecordSize,
                  index->last_record.bytes);
    }
  }
  if (afresh) std::sort(index->names_read.begin(), index->names_read.end());
  index->record_count = count;
  return kNoError;
}

}  // namespace

ImportResult RefreshBaseIndex(MbasesFile* mbases, BaseIndex* index, bool* afresh) {
  *afresh = false;
  for (;;) {
    MbasesChange change = MbasesChange::kNone;
    const ImportResult looked = LookAtMbases(mbases, &change);
    if (!looked.done() || change == MbasesChange::kNone) return looked;
    // Another program appended (read what was added), or rewrote or replaced the file
    // (read everything again); then look again, as it may have gone on writing.
    if (ErrorNumber error =
            ReadIntoIndex(*mbases, change == MbasesChange::kRewritten, index, afresh)) {
      return {error};
    }
  }
}

bool HasFileName(const BaseIndex& index, std::string_view file_name) {
  const FileNameKey key = KeyOf(file_name);
  return std::binary_search(index.names_read.begin(), index.names_read.end(), key) ||
         index.names_added.count(key) != 0;
}

std::optional<int32_t> NextFreeIndex(BaseIndex* index) {
  // Indexes are signed 16-bit numbers: a candidate in 1..32767 matches the stored pattern
  // of the same value, and negative stored indexes never match. Both the record count and
  // the indexes in use only grow, so the search goes on from where the last one ended.
  int64_t candidate = std::max<int64_t>(index->free_from, index->record_count + 1);
  while (candidate <= kHighestBaseIndex && index->indexes.test(static_cast<size_t>(candidate))) {
    ++candidate;
  }
  if (candidate > kHighestBaseIndex) return std::nullopt;
  index->free_from = static_cast<int32_t>(candidate);
  return index->free_from;
}

void AddAppendedRecord(BaseIndex* index, const BaseRecord& record) {
  TakeIn(index, record.bytes, false);
  index->last_record = record;
  ++index->record_count;
}

}  // namespace korvanex
